#!/usr/bin/env bash
# What this machine lacks for an Arm cross build: the one answer the test script and the package
# script obey. The archive's half of that architecture may lag behind ours, so that its packages
# cannot be installed (scripts/setup.sh wants them, not needs them).
#
#   cross-ready.sh ARCH --run       its test programs can run here: the target's C++ library
#                                   (libstdc++6:ARCH) and the binfmt_misc entry for its emulator
#   cross-ready.sh ARCH --package   its packages' dependencies can be read: libstdc++6:ARCH
#   cross-ready.sh ARCH --desktop   its desktop program can be built: qt6-base-dev:ARCH
#
# ARCH is arm64 or armhf. Exits 0 when it can; otherwise 1 and why, in a few words, on standard
# output.
set -uo pipefail
cd "$(dirname "$0")/.."

arch=${1:-}
what=${2:-}
case $arch:$what in
  arm64:--run | arm64:--package | arm64:--desktop | armhf:--run | armhf:--package) ;;
  armhf:--desktop)
    echo "the armhf build is server-only"
    exit 1
    ;;
  *)
    echo "usage: cross-ready.sh arm64|armhf --run|--package|--desktop" >&2
    exit 2
    ;;
esac

installed() {
  if ! dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; then
    echo "$1 is not installed"
    return 1
  fi
}

case $what in
  --desktop) installed "qt6-base-dev:$arch" ;;
  --package) installed "libstdc++6:$arch" ;;
  --run)
    installed "libstdc++6:$arch" || exit 1
    why=$(scripts/binfmt-arm.sh) || { echo "$why"; exit 1; }
    ;;
esac
