#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole
# suite on Qt's offscreen platform; the threaded tests run again under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== Format check (${SECONDS} s)"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== ASan+UBSan build (${SECONDS} s)"
# The test builds are fresh on a new machine: they compile in batches (KORA_UNITY), which
# halves their compile time.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DKORA_SANITIZE=ON -DKORA_WERROR=ON -DKORA_BUILD_BENCH=OFF -DKORA_UNITY=ON
cmake --build build/asan -j "$jobs"

echo "== Test suite (${SECONDS} s)"
# The suite mostly waits on pseudo-terminals and time-outs, so it runs more jobs than cores.
ctest --test-dir build/asan --output-on-failure -j "$((jobs * 4))" --timeout 300

echo "== ThreadSanitizer: threaded tests (${SECONDS} s)"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DKORA_TSAN=ON -DKORA_WERROR=ON -DKORA_BUILD_BENCH=OFF -DKORA_UNITY=ON
cmake --build build/tsan -j "$jobs" --target tsan_tests
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir build/tsan -L threads --output-on-failure -j "$((jobs * 3))" --timeout 300

echo "== Fuzz smoke runs (${SECONDS} s)"
# Each parser and state machine under libFuzzer for a short while, all at once.
bash scripts/fuzz.sh --smoke 15
echo "== Done (${SECONDS} s)"
# CPU time of all phases (user and system, of this shell and then of its children): steadier than
# the wall time on a machine that others use too.
times
