#!/usr/bin/env bash
# The one list of Debian packages Dorvane needs to build, run and test.
set -euo pipefail
PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libpcre2-dev libssl-dev openssl
  libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  tinyproxy curl
  clang libclang-rt-14-dev
  fonts-noto-cjk xvfb xauth
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
