#!/usr/bin/env bash
# Installs what the tests need, builds everything (warnings are errors) and runs every test through
# CTest: once in a normal build, once under AddressSanitizer + UndefinedBehaviorSanitizer, and the
# threading tests under ThreadSanitizer; last, every fuzz target over its committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
JOBS=$(nproc)

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDORVANE_WERROR=ON
cmake --build build-test -j "$JOBS"
ctest --test-dir build-test --output-on-failure -j "$JOBS"

if [ "${DORVANE_SKIP_SANITIZERS:-0}" != "1" ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDORVANE_WERROR=ON -DDORVANE_SANITIZE=address \
    -DDORVANE_BUILD_BENCH=OFF
  cmake --build build-asan -j "$JOBS"
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$JOBS"

  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDORVANE_WERROR=ON -DDORVANE_SANITIZE=thread \
    -DDORVANE_BUILD_BENCH=OFF -DDORVANE_BUILD_APP=OFF
  cmake --build build-tsan -j "$JOBS"
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan --output-on-failure -j "$JOBS" -R "${DORVANE_TSAN_TESTS:-Worker|Concurr|Stress|Tcp|SiteABFlow}"
fi

# Every fuzz target once over its committed corpus (clang, AddressSanitizer + UndefinedBehaviorSanitizer):
# an input that once crashed a parser stays fixed.
if [ "${DORVANE_SKIP_FUZZ:-0}" != "1" ]; then
  DORVANE_SKIP_DEPS=1 bash scripts/fuzz.sh --corpus
fi
