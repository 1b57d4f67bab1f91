#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) in build-fuzz and
# runs them.
#   scripts/fuzz.sh [SECONDS] [TARGET...]   fuzz each target for SECONDS (default 60), FUZZ_PARALLEL (default
#                                           2) at a time; new inputs go to a scratch corpus in build-fuzz,
#                                           the committed corpus in fuzz/corpus stays as it is
#   scripts/fuzz.sh --corpus [TARGET...]    run every target once over its committed corpus under libFuzzer
#                                           (scripts/test.sh replays the corpora in its sanitizer build)
# Prints one line per target (runs, cov/ft from libFuzzer's final stats, result) and exits non-zero when a
# target crashed, leaked, hung (an input over 1 s) or ran out of memory. A failing input is kept as
# build-fuzz/fuzz-runs/TARGET/crash-* (leak-*, timeout-*, oom-*); the log beside it holds the stack.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build-fuzz
RUNS=$BUILD/fuzz-runs

MODE=time
SECONDS_PER_TARGET=60
if [ "${1:-}" = "--corpus" ]; then
  MODE=corpus
  shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  SECONDS_PER_TARGET=$1
  shift
fi

[ "${DORVANE_SKIP_DEPS:-0}" = "1" ] || bash scripts/deps.sh
cmake -S . -B "$BUILD" -G Ninja -DDORVANE_FUZZ=ON -DDORVANE_WERROR=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" >/dev/null
cmake --build "$BUILD" -j 2 --target fuzz_targets

if [ $# -gt 0 ]; then
  TARGETS=("$@")
else
  mapfile -t TARGETS <"$BUILD/fuzz/targets.txt"
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Runs one target; its output goes to fuzz-runs/TARGET.log.
run_target() {
  local target=$1 dir=$RUNS/$1
  local seeds=$ROOT/fuzz/corpus/$target
  mkdir -p "$dir/corpus" "$seeds"
  rm -f "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-*
  local args=(-timeout=1 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$dir/")
  if [ "$MODE" = corpus ]; then
    args+=(-runs=0 "$seeds")
  else
    args+=(-max_total_time="$SECONDS_PER_TARGET" "$dir/corpus" "$seeds")
  fi
  nice -n 19 "$BUILD/fuzz/$target" "${args[@]}" >"$RUNS/$target.log" 2>&1 || true
}

# One summary line from a target's log and artifacts; returns 1 when the target failed.
summarise() {
  local target=$1 log=$RUNS/$1.log dir=$RUNS/$1
  local runs cov ft result=ok artifact
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  artifact=$(ls "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* 2>/dev/null | head -1 || true)
  if [ -n "$artifact" ]; then
    result="$(basename "$artifact" | cut -d- -f1): $artifact"
  elif ! grep -q 'stat::number_of_executed_units' "$log"; then
    result="failed: see $log"
  fi
  printf '%-22s runs %-11s cov %-6s ft %-7s %s\n' "$target" "${runs:--}" "${cov:--}" "${ft:--}" "$result"
  [ "$result" = ok ]
}

mkdir -p "$RUNS"
PARALLEL=${FUZZ_PARALLEL:-2}
[ "$MODE" = corpus ] && PARALLEL=1
running=0
for target in "${TARGETS[@]}"; do
  if [ "$running" -ge "$PARALLEL" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$target" &
  running=$((running + 1))
done
wait

echo "fuzz ($MODE$([ "$MODE" = time ] && echo ", ${SECONDS_PER_TARGET} s per target"), $(date -u '+%Y-%m-%d %H:%M UTC')):"
passed=0
failed=0
for target in "${TARGETS[@]}"; do
  if summarise "$target"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
