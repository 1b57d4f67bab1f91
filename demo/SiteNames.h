#pragma once
// Names for the registry's positions, for the demo sites and the tests that drive them.

namespace dorvane {

enum class Site { A = 0, B = 1, C = 2, D = 3, E = 4 };
constexpr int kSiteCount = 5;

}  // namespace dorvane
