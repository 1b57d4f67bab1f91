#!/usr/bin/env bash
# Renders every page of Dorvane in demo mode, offscreen, into docs/screenshots (the README shows them).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_BUILD_TESTS=OFF -DDORVANE_BUILD_BENCH=OFF
cmake --build build --target dorvane
mkdir -p docs/screenshots
config="$(mktemp -d)"
trap 'rm -rf "$config"' EXIT
# A configuration folder of its own: no settings file of the user's is read, none of theirs is written.
XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=offscreen ./build/src/app/dorvane --demo --grab docs/screenshots
ls docs/screenshots
