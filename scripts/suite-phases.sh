# The test suite's build and test phases, shared by test.sh and scripts/under-load.sh.
# Sourced from the repository's top folder; jobs is the number of cores.

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

build_asan() {
  # The test builds are fresh on a new machine: they compile in batches (KORA_UNITY), which
  # halves their compile time.
  cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DKORA_SANITIZE=ON -DKORA_WERROR=ON -DKORA_BUILD_BENCH=OFF -DKORA_UNITY=ON
  cmake --build build/asan -j "$jobs"
}

run_asan_tests() {
  # The suite mostly waits on pseudo-terminals and time-outs, so it runs more jobs than cores.
  ctest --test-dir build/asan --output-on-failure -j "$((jobs * 4))" --timeout 300
}

build_tsan() {
  cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DKORA_TSAN=ON -DKORA_WERROR=ON -DKORA_BUILD_BENCH=OFF -DKORA_UNITY=ON
  cmake --build build/tsan -j "$jobs" --target tsan_tests
}

run_tsan_tests() {
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp" \
    ctest --test-dir build/tsan -L threads --output-on-failure -j "$((jobs * 3))" --timeout 300
}
