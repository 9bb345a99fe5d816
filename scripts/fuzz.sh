#!/usr/bin/env bash
# Runs one fuzz target for as long as asked and keeps the new corpus entries it finds:
#   scripts/fuzz.sh TARGET SECONDS      (TARGET: listing, teletype, ioconf, prompt_read, xmodem)
#   scripts/fuzz.sh --smoke SECONDS     every target at once on a scratch copy of the corpus
# Findings (crashes, hangs, leaks) are written to build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(listing teletype ioconf prompt_read xmodem)

build() {
  cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DKORA_FUZZ=ON -DKORA_BUILD_TESTS=OFF -DKORA_BUILD_BENCH=OFF -DKORA_UNITY=ON >/dev/null
  cmake --build build/fuzz -j "$(nproc)" --target fuzz_targets
  mkdir -p build/fuzz/findings
}

# run TARGET SECONDS CORPUS-DIR
run() {
  local target=$1 seconds=$2 corpus=$3
  mkdir -p "$corpus"
  # An input is a hang when it outlasts every wait the product may make for it. The upload's
  # waits are the longest: an end the receiver never confirms is checked with a listing, whose
  # prompt wait (5 s) may run for each of its three readings.
  local hang=10
  [ "$target" = xmodem ] && hang=60
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1 \
    "build/fuzz/tests/fuzz/fuzz_$target" "$corpus" "tests/fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout="$hang" -rss_limit_mb=1024 -max_len=4096 \
    -artifact_prefix="build/fuzz/findings/$target-" -print_final_stats=1 >"build/fuzz/$target.log" 2>&1
}

if [ "${1:-}" = "--smoke" ]; then
  seconds=${2:-15}
  build
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/kora-fuzz.XXXXXX")
  trap 'rm -rf "$scratch"' EXIT
  pids=()
  for target in "${targets[@]}"; do
    run "$target" "$seconds" "$scratch/$target" &
    pids+=($!)
  done
  failed=0
  for i in "${!targets[@]}"; do
    if ! wait "${pids[$i]}"; then
      echo "fuzz_${targets[$i]}: finding (see build/fuzz/${targets[$i]}.log)"
      tail -n 30 "build/fuzz/${targets[$i]}.log"
      failed=1
    else
      echo "fuzz_${targets[$i]}: $(grep -o 'stat::number_of_executed_units: [0-9]*' \
        "build/fuzz/${targets[$i]}.log" | awk '{print $2}') runs, no finding"
    fi
  done
  exit "$failed"
fi

if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET SECONDS | --smoke SECONDS" >&2
  exit 2
fi
build
# New entries go into the committed corpus so that later runs start from them.
run "$1" "$2" "tests/fuzz/corpus/$1" || {
  echo "fuzz_$1: finding (see build/fuzz/$1.log)"
  tail -n 30 "build/fuzz/$1.log"
  exit 1
}
grep -E 'stat::(number_of_executed_units|peak_rss_mb)' "build/fuzz/$1.log"
