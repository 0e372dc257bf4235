#!/usr/bin/env bash
# Installs the Debian packages the build, the tests (the real-driver suite's virtual PC among
# them), the demo and the Debian package need.
# Quick when everything is present: apt-get runs only for what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev
  qt6-base-dev fonts-liberation
  lrzsz socat strace python3
  scdoc dpkg-dev fakeroot file lintian desktop-file-utils zip
  qemu-system-x86 busybox-static cpio
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
