#!/usr/bin/env bash
# Installs what Dorvane needs, builds it and starts it. Without a settings file it starts in demo mode:
# the bundled demo sites run on local ports, so every page works at once, offline.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_BUILD_TESTS=OFF -DDORVANE_BUILD_BENCH=OFF "$@"
cmake --build build --target dorvane
settings="${XDG_CONFIG_HOME:-$HOME/.config}/dorvane/dorvane.ini"
if [ -f "$settings" ]; then
  exec ./build/src/app/dorvane
fi
echo "No settings file at $settings: starting Dorvane in demo mode (the demo sites run on local ports)."
# The demo's notice page announces this very version, so the update notice stays away and every page
# is in view; 'dorvane --demo' alone shows the notice of a newer version.
exec ./build/src/app/dorvane --demo --set notice/document=dorvane-current
