#pragma once
// The demo sites are the tests' fixture sites: the same pages, images and request log.
#include "demo/DemoSites.h"

namespace dorvane::test {

using FixtureSites = demo::DemoSites;
using FixtureOptions = demo::DemoOptions;
using FixtureAlbum = demo::DemoAlbum;
using demo::ImageKind;
using demo::LoggedRequest;

}  // namespace dorvane::test
