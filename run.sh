#!/usr/bin/env bash
# Builds the utility and the controller simulator, starts the simulator on a pseudo-terminal
# published as COM1 in a private ports folder, then starts the utility on that folder.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORA_BUILD_TESTS=OFF -DKORA_BUILD_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target kora7740p-utility kora7740p-sim kora7740p

ports=$(mktemp -d "${TMPDIR:-/tmp}/kora7740p-ports.XXXXXX")
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$ports"
}
trap cleanup EXIT

build/release/sim/kora7740p-sim --ports-dir "$ports" --com COM1 --baud 57600 &
sim_pid=$!
for _ in $(seq 50); do [ -L "$ports/COM1" ] && break; sleep 0.1; done

export KORA_PORT_DIR="$ports"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the utility under Xvfb (nothing will be visible)."
  xvfb-run -a build/release/src/app/kora7740p-utility
else
  build/release/src/app/kora7740p-utility
fi
