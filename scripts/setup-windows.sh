#!/usr/bin/env bash
# Installs what the Windows build and its tests under Wine need: the i686 mingw-w64 cross
# compiler (posix threads), GoogleTest's source, Wine with its 32-bit half, Xvfb and the
# screenshot tools, and NSIS for the installer. Quick when everything is present: apt-get runs only for what is missing.
set -euo pipefail

packages=(
  g++-mingw-w64-i686
  googletest
  wine wine32:i386 fonts-wine
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
