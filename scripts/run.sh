#!/usr/bin/env bash
# Installs what Dorvane needs, builds it and starts it in the folder Dorvane/ of the pictures folder
# (~/Pictures/Dorvane unless the desktop names another; made when missing), which becomes its first save
# folder. Without a settings file it starts in demo mode: the bundled demo sites run on local ports, so
# every page works at once, offline.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_BUILD_TESTS=OFF -DDORVANE_BUILD_BENCH=OFF "$@"
cmake --build build --target dorvane
program="$PWD/build/src/app/dorvane"

# Dorvane's save folder starts as the folder it starts in: a folder for pictures, not this checkout.
pictures=$(xdg-user-dir PICTURES 2>/dev/null || true)
if [ -z "$pictures" ] || [ "$pictures" = "$HOME" ]; then
  pictures="$HOME/Pictures"
fi
mkdir -p "$pictures/Dorvane"
cd "$pictures/Dorvane"
echo "Save folder: $PWD"

settings="${XDG_CONFIG_HOME:-$HOME/.config}/dorvane/dorvane.ini"
if [ -f "$settings" ]; then
  exec "$program"
fi
echo "No settings file at $settings: starting Dorvane in demo mode (the demo sites run on local ports)."
# The demo's notice page announces this very version, so the update notice stays away and every page
# is in view; 'dorvane --demo' alone shows the notice of a newer version.
exec "$program" --demo --set notice/document=dorvane-current
