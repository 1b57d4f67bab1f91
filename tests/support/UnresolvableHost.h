#pragma once
// A host name for the tests of failed look-ups that needs no network and no resolver's answer.
#include <string>

namespace dorvane::test {

// No resolver knows this host and none is asked: a label longer than DNS allows (63 bytes) is refused
// before a query leaves the machine, so the look-up fails the same way offline, online or behind a
// resolver that answers every name.
inline std::string UnresolvableHost() { return std::string(64, 'x') + ".invalid"; }

}  // namespace dorvane::test
