#!/usr/bin/env bash
# Installs what the Windows builds and their tests under Wine need: the i686 and x86_64
# mingw-w64 cross compilers (posix threads), GoogleTest's source, Wine (wine64 runs on any
# kernel), Xvfb and the screenshot tools, and NSIS for the installers. Wine's 32-bit half
# (wine32:i386, from the archive's i386 half) is wanted only where the kernel runs 32-bit
# programs (scripts/runs-32-bit.sh): without it the 32-bit suite runs in a clean 32-bit system,
# made here, or is built, not run, where that cannot be had. Quick when everything is present:
# apt-get runs only for what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/apt-packages.sh

wanted=()
added_i386=
if scripts/runs-32-bit.sh --kernel >/dev/null; then
  if ! dpkg --print-foreign-architectures | grep -qx i386 && ((EUID == 0)); then
    dpkg --add-architecture i386
    added_i386=yes
  fi
  wanted+=(wine32:i386)
fi

install_packages setup-windows \
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
  googletest \
  wine wine64 fonts-wine \
  xvfb x11-apps imagemagick \
  nsis \
  lrzsz socat \
  -- "${wanted[@]}"

# Read by scripts/runs-32-bit.sh, which says why the 32-bit suite cannot run.
mkdir -p build
if [[ -v not_installed[wine32:i386] ]]; then
  echo "${not_installed[wine32:i386]}" >build/wine32-not-installed
  # The i386 half is of no use then, and its index would fail every later apt-get update.
  [[ -z $added_i386 ]] || dpkg --remove-architecture i386
  # The 32-bit suite runs in a clean 32-bit system instead, made now (or found made).
  if how=$(scripts/runs-32-bit.sh); then
    echo "setup-windows: the 32-bit suite runs $how"
  else
    echo "setup-windows: the 32-bit suite is built, not run: $how"
  fi
else
  rm -f build/wine32-not-installed
fi
