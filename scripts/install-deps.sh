#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, skipping those already
# present. Sourced or run by run.sh and test.sh.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev libqt6svg6 qt6-qpa-plugins
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  lrzsz xvfb xauth clang-format ccache
  desktop-file-utils dpkg-dev file
  clang libclang-rt-14-dev lld
  ansible-core
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
