#!/usr/bin/env bash
# Installs what Dorvane needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_BUILD_TESTS=OFF -DDORVANE_BUILD_BENCH=OFF "$@"
cmake --build build --target dorvane
exec ./build/src/app/dorvane
