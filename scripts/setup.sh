#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the demo and the Debian package need, and
# those of the real-driver suite's virtual PC, which skips without them.
# Quick when everything is present: apt-get runs only for what is missing.
set -euo pipefail
source "$(dirname "$0")/apt-packages.sh"

install_packages setup \
  cmake ninja-build g++ clang libclang-rt-14-dev \
  libgtest-dev libgmock-dev \
  qt6-base-dev fonts-liberation xvfb xauth \
  lrzsz socat strace python3 \
  scdoc dpkg-dev fakeroot file lintian desktop-file-utils zip mmdebstrap arch-test \
  -- qemu-system-x86 qemu-system-arm busybox-static cpio
