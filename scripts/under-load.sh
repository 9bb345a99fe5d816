#!/usr/bin/env bash
# Runs the test suite (the ASan+UBSan run and the ThreadSanitizer run of the threaded tests) on a
# busy PC: one busy process per core beside it, as a build or a virus scan would be. Nothing
# in the suite may depend on an idle machine.
#   scripts/under-load.sh [ROUNDS]     (ROUNDS: how many times in a row, 1 by default)
# The builds run first, without the load: what is tested is the suite, not the compiler.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
rounds=${1:-1}
source scripts/suite-phases.sh

echo "== Builds (${SECONDS} s)"
build_asan
build_tsan

busy=()
stop_busy() {
  if [ "${#busy[@]}" -gt 0 ]; then
    kill "${busy[@]}" 2>/dev/null || true
    wait "${busy[@]}" 2>/dev/null || true
  fi
}
trap stop_busy EXIT
for _ in $(seq "$jobs"); do
  bash -c 'while :; do :; done' &
  busy+=("$!")
done
echo "== ${#busy[@]} busy processes beside the suite"

for round in $(seq "$rounds"); do
  echo "== Round $round of $rounds: test suite under load (${SECONDS} s)"
  run_asan_tests
  echo "== Round $round of $rounds: ThreadSanitizer under load (${SECONDS} s)"
  run_tsan_tests
done
echo "== Done (${SECONDS} s)"
