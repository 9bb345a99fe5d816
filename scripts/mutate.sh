#!/usr/bin/env bash
# Mutation testing: applies each one-line fault of tests/mutations.txt in turn to a scratch copy
# of the tree, rebuilds, runs the tests of the mutated subsystem and prints how many faults the
# tests caught ("killed"), per subsystem. Not part of CI.
#   scripts/mutate.sh            every mutation
#   scripts/mutate.sh SUBSYSTEM  only that subsystem's
# A mutation line is  subsystem @@ path @@ original line @@ mutated line ; the original is matched
# against whole lines with their indentation left out and must occur exactly once. Lines that
# start with # and empty lines are skipped. The scratch tree and its Debug build (no
# sanitizers, incremental) live in build/mutate; survivors are listed in build/mutate/report.txt.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
only=${1:-}

tests_of() {
  case "$1" in
    link) echo "link_tests" ;;
    exchange) echo "link_tests sim_tests" ;;
    sim) echo "sim_tests" ;;
    device) echo "device_tests devicepanel_tests" ;;
    transfer) echo "transfer_tests" ;;
    copy) echo "transfer_tests cli_tests" ;;
    terminal) echo "terminal_tests" ;;
    ioconf) echo "ioconf_tests ioconf_ui_tests" ;;
    filelist) echo "filelist_tests" ;;
    cli) echo "cli_tests" ;;
    run) echo "cli_tests upload_and_run_tests" ;;
    sync) echo "sync_tests cli_tests:CliSync.* sync_window_tests" ;;
    local) echo "local_tests" ;;
    # The widget helpers' tests live in link_tests; only they run, not the port's.
    ui) echo "link_tests:ByteText.*:UserInputBlock.*:RunGuiDeviceOperation.*" ;;
    *) return 1 ;;
  esac
}

scratch=build/mutate
tree=$scratch/tree
bin=$scratch/build
mkdir -p "$tree"
# The working tree as it is, committed or not. Only files whose content changed are copied,
# with a fresh time stamp, so the build stays incremental and never trusts a stale object.
git ls-files -z -- . ':!tests/fuzz/corpus' | while IFS= read -r -d '' file; do
  [ -f "$file" ] || continue
  if ! cmp -s "$file" "$tree/$file"; then
    mkdir -p "$(dirname "$tree/$file")"
    cp "$file" "$tree/$file"
  fi
done
# Bounds-checked containers: a mutation that indexes past an array aborts instead of
# scribbling unseen over memory (the sanitizer suite would catch it, this build has none).
cmake -S "$tree" -B "$bin" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORA_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-D_GLIBCXX_ASSERTIONS >/dev/null

export QT_QPA_PLATFORM=offscreen GTEST_FAIL_FAST=1

# A test binary, or BINARY:FILTER for only the tests a gtest filter names.
build_targets() {
  local target
  for target in "$@"; do echo "${target%%:*}"; done
}

# run_tests BINARY...: 0 when every binary passes; the last output is kept in $scratch/last.log.
run_tests() {
  local target name path filter
  for target in "$@"; do
    name=${target%%:*} filter=()
    [ "$name" = "$target" ] || filter=("--gtest_filter=${target#*:}")
    path=$(find "$bin/tests" -maxdepth 2 -type f -name "$name" | head -n 1)
    [ -n "$path" ] || return 2
    (cd "$(dirname "$path")" && timeout 300 "./$name" "${filter[@]}" >"$root/$scratch/last.log" 2>&1) ||
      return 1
  done
  return 0
}

mapfile -t lines < <(grep -v '^[[:space:]]*\(#\|$\)' tests/mutations.txt)
declare -A total killed survived invalid
subsystems=()
: >"$scratch/report.txt"

# Each subsystem's tests must pass before any of its mutations counts.
for line in "${lines[@]}"; do
  subsystem=${line%% @@ *}
  [ -z "$only" ] || [ "$subsystem" = "$only" ] || continue
  [[ " ${subsystems[*]} " == *" $subsystem "* ]] && continue
  subsystems+=("$subsystem")
  targets=$(tests_of "$subsystem") || { echo "unknown subsystem '$subsystem'" >&2; exit 2; }
  # shellcheck disable=SC2086,SC2046
  cmake --build "$bin" -j "$(nproc)" --target $(build_targets $targets) >/dev/null ||
    { echo "build failed" >&2; exit 2; }
  # shellcheck disable=SC2086,SC2046
  # A test that failed once on a loaded machine gets a second run before the baseline counts as
  # broken; the failure is named either way.
  if ! run_tests $targets; then
    echo "$subsystem: tests failed without a mutation:" >&2
    grep -E '^\[  FAILED  \]' "$scratch/last.log" >&2
    # shellcheck disable=SC2086
    run_tests $targets || { echo "$subsystem: again; stopping" >&2; exit 2; }
  fi
  total[$subsystem]=0 killed[$subsystem]=0 survived[$subsystem]=0 invalid[$subsystem]=0
done

number=0
for line in "${lines[@]}"; do
  subsystem=${line%% @@ *} rest=${line#* @@ }
  path=${rest%% @@ *} rest=${rest#* @@ }
  original=${rest%% @@ *} mutated=${rest#* @@ }
  [ -z "$only" ] || [ "$subsystem" = "$only" ] || continue
  number=$((number + 1))
  file=$tree/$path
  backup=$scratch/original
  cp "$file" "$backup"
  found=$(ORIG="$original" awk '{ s = $0; sub(/^[ \t]+/, "", s); if (s == ENVIRON["ORIG"]) n++ } END { print n + 0 }' "$file")
  if [ "$found" != 1 ]; then
    echo "#$number $subsystem $path: original line found $found times: $original" | tee -a "$scratch/report.txt"
    invalid[$subsystem]=$((invalid[$subsystem] + 1))
    continue
  fi
  ORIG="$original" MUT="$mutated" awk '{
      s = $0; sub(/^[ \t]+/, "", s)
      if (s == ENVIRON["ORIG"]) { match($0, /^[ \t]*/); print substr($0, 1, RLENGTH) ENVIRON["MUT"] }
      else print
    }' "$backup" >"$file"
  targets=$(tests_of "$subsystem")
  # shellcheck disable=SC2086,SC2046
  if ! cmake --build "$bin" -j "$(nproc)" --target $(build_targets $targets) >/dev/null 2>&1; then
    verdict=invalid
  elif run_tests $targets; then
    verdict=survived
  else
    verdict=killed
  fi
  # Back to the original; a new time stamp, so the next build compiles it again.
  cat "$backup" >"$file"
  touch "$file"
  total[$subsystem]=$((total[$subsystem] + 1))
  case $verdict in
    killed) killed[$subsystem]=$((killed[$subsystem] + 1)) ;;
    survived)
      survived[$subsystem]=$((survived[$subsystem] + 1))
      echo "#$number SURVIVED $subsystem $path: $original  ->  $mutated" | tee -a "$scratch/report.txt"
      ;;
    invalid)
      total[$subsystem]=$((total[$subsystem] - 1))
      invalid[$subsystem]=$((invalid[$subsystem] + 1))
      echo "#$number does not build: $path: $mutated" | tee -a "$scratch/report.txt"
      ;;
  esac
  echo "#$number $verdict ($subsystem: $path)"
done

printf '\n%-10s %9s %7s %9s %8s %10s\n' subsystem mutations killed survived invalid "kill rate"
all=0 allKilled=0
for subsystem in "${subsystems[@]}"; do
  t=${total[$subsystem]} k=${killed[$subsystem]}
  all=$((all + t)) allKilled=$((allKilled + k))
  rate=$(awk -v k="$k" -v t="$t" 'BEGIN { printf "%.0f%%", t ? 100 * k / t : 0 }')
  printf '%-10s %9d %7d %9d %8d %10s\n' "$subsystem" "$t" "$k" "${survived[$subsystem]}" \
    "${invalid[$subsystem]}" "$rate"
done
rate=$(awk -v k="$allKilled" -v t="$all" 'BEGIN { printf "%.1f%%", t ? 100 * k / t : 0 }')
printf '%-10s %9d %7d %9d %8s %10s\n' total "$all" "$allKilled" $((all - allKilled)) "" "$rate"
