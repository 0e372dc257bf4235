#!/usr/bin/env bash
# Installs what the Windows builds and their tests under Wine need: the i686 and x86_64
# mingw-w64 cross compilers (posix threads), GoogleTest's source, Wine with both its halves
# (wine64 runs on any kernel; wine32 only where the kernel runs 32-bit programs, see
# scripts/runs-32-bit.sh), Xvfb and the screenshot tools, and NSIS for the installers. Quick when everything is present: apt-get runs only for what is missing.
set -euo pipefail

packages=(
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  googletest
  wine wine64 wine32:i386 fonts-wine
  xvfb x11-apps imagemagick
  nsis
  lrzsz socat
)

# wine32 comes from the i386 half of the archive.
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup-windows: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
