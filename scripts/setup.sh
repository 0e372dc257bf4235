#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the demo, the README's pictures and the Debian
# packages need, and those of the real-driver suite's virtual PC, which skips without them.
# The Arm cross builds need the archive's arm64 and armhf halves (multiarch, added here) for the
# target's C++ library, which their test programs run on and their packages' dependencies are
# read from, and for arm64's Qt. Those are wanted, not needed: where a half lags behind ours, a
# line says what is left out and the builds go without it (scripts/cross-ready.sh).
# Quick when everything is present: apt-get runs only for what is missing.
set -euo pipefail
source "$(dirname "$0")/apt-packages.sh"

if ((EUID == 0)); then
  for arch in arm64 armhf; do
    dpkg --print-foreign-architectures | grep -qx "$arch" || dpkg --add-architecture "$arch"
  done
fi

install_packages setup \
  cmake ninja-build g++ clang libclang-rt-14-dev \
  libgtest-dev libgmock-dev \
  qt6-base-dev fonts-liberation xvfb xauth imagemagick xdotool optipng \
  lrzsz socat strace python3 \
  scdoc dpkg-dev fakeroot file lintian desktop-file-utils zip mmdebstrap arch-test \
  crossbuild-essential-arm64 crossbuild-essential-armhf qemu-user-static googletest \
  -- ccache qemu-system-x86 qemu-system-arm busybox-static cpio \
  libstdc++6:arm64 qt6-base-dev:arm64 libstdc++6:armhf
