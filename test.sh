#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole
# suite on Qt's offscreen platform; the threaded tests run again under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh

jobs=$(nproc)
source scripts/suite-phases.sh

echo "== Format check (${SECONDS} s)"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== ASan+UBSan build (${SECONDS} s)"
build_asan

echo "== Test suite (${SECONDS} s)"
run_asan_tests

echo "== ThreadSanitizer: threaded tests (${SECONDS} s)"
build_tsan
run_tsan_tests

echo "== Fuzz smoke runs (${SECONDS} s)"
# Each parser and state machine under libFuzzer for a short while, all at once.
bash scripts/fuzz.sh --smoke 15
echo "== Done (${SECONDS} s)"
# CPU time of all phases (user and system, of this shell and then of its children): steadier than
# the wall time on a machine that others use too.
times
