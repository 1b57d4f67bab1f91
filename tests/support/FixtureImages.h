#pragma once
// Real JPEG and PNG images made from a seed (shared with the demo sites).
#include "demo/DemoImages.h"

namespace dorvane::test {

using demo::MakeJpeg;
using demo::MakePng;

}  // namespace dorvane::test
