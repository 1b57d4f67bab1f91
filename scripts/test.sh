#!/usr/bin/env bash
# Installs what the tests need, builds with warnings as errors and runs every test through CTest: once in a
# normal build, once under AddressSanitizer + UndefinedBehaviorSanitizer (where every fuzz target also
# replays its committed corpus), and the tests that start threads (label "threads") under ThreadSanitizer.
# Benchmarks are not built: no test runs them (see the README's Performance part).
# The normal build's tests run while the sanitizer build compiles (they wait on their servers and windows
# more than they compute); their output is printed when they end, and a failure fails the run all the same.
# The sanitizers' tests have the processors to themselves: they compute several times more, and beside a
# compile the slowest of them come near the bounds the suite waits for a window or a worker.
#   DORVANE_SKIP_SANITIZERS=1   only the normal build
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
JOBS=$(nproc)
# Line tables are enough for the sanitizers' and a failing test's stack traces; full debug information
# costs a tenth to a quarter of each compile and makes objects four times larger to link. The normal
# build optimises with -O1: a quarter less compile time than -O2 for the test programs, which are most of it.
CONFIGURE=(-G Ninja -DDORVANE_WERROR=ON -DDORVANE_BUILD_BENCH=OFF
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
  -DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1)

# Each stage's wall-clock time and the processor time of its programs (user + system, which tells how much
# of the wall-clock time other work on the machine took), printed at the end and when a stage fails.
TIMES=()
STAGE=build
STAGE_START=$SECONDS
STAGE_CPU=0
TICKS=$(getconf CLK_TCK)
# Ends the current stage; the next one is named $1.
next_stage() {
  local stat cpu
  # This shell's waited-for children: user and system time in clock ticks (fields 16 and 17).
  read -r -a stat </proc/$$/stat
  cpu=$(((stat[15] + stat[16]) / TICKS))
  TIMES+=("$(printf '%-12s %5d s, processor %5d s' "$STAGE" $((SECONDS - STAGE_START)) $((cpu - STAGE_CPU)))")
  STAGE=$1
  STAGE_START=$SECONDS
  STAGE_CPU=$cpu
}
# A test run started in the background: its process and the file its output goes to.
TESTS_PID=
TESTS_LOG=
# Starts the command (a ctest run) in the background, its output into the file $1.
start_tests() {
  TESTS_LOG=$1
  shift
  "$@" >"$TESTS_LOG" 2>&1 &
  TESTS_PID=$!
}
# Waits for the background test run, prints its output and returns its status.
finish_tests() {
  local status=0
  [ -n "$TESTS_PID" ] || return 0
  wait "$TESTS_PID" || status=$?
  TESTS_PID=
  cat "$TESTS_LOG"
  return "$status"
}
# A build that fails still shows the tests that ran beside it.
trap 'finish_tests || true; next_stage -; printf "test.sh stage times:\n"; printf "  %s\n" "${TIMES[@]}"' EXIT

cmake -S . -B build-test "${CONFIGURE[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-test -j "$JOBS"
if [ "${DORVANE_SKIP_SANITIZERS:-0}" = "1" ]; then
  next_stage tests
  ctest --test-dir build-test --output-on-failure -j "$JOBS"
  exit 0
fi

next_stage "tests + asan build"
start_tests build-test/ctest.log ctest --test-dir build-test --output-on-failure -j "$JOBS"
cmake -S . -B build-asan "${CONFIGURE[@]}" -DCMAKE_BUILD_TYPE=Debug -DDORVANE_SANITIZE=address
cmake --build build-asan -j "$JOBS"
finish_tests

next_stage "asan tests"
# The fuzz targets' corpus replays turn leak detection back on for themselves.
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS"

next_stage "tsan build"
# Qt is not built with ThreadSanitizer (its locks would be invisible to it), so the app layer stays out.
cmake -S . -B build-tsan "${CONFIGURE[@]}" -DCMAKE_BUILD_TYPE=Debug -DDORVANE_SANITIZE=thread \
  -DDORVANE_BUILD_APP=OFF
cmake --build build-tsan -j "$JOBS" --target thread_tests

next_stage "tsan tests"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j "$JOBS" -L threads --no-tests=error
