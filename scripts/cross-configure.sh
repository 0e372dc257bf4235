#!/usr/bin/env bash
# Configures an Arm cross build's preset (linux-arm64, linux-armhf). The arm64 build holds the
# desktop program where the archive's arm64 Qt is installed; where it is not, the build goes
# without it, and a line says so.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:?usage: cross-configure.sh linux-arm64|linux-armhf}
options=()
if [[ $preset == linux-arm64 ]] && ! why=$(scripts/cross-ready.sh arm64 --desktop); then
  echo "$preset: the desktop program is left out: $why"
  options+=(-DQUON_DESKTOP=OFF)
elif [[ $preset == linux-arm64 ]]; then
  options+=(-DQUON_DESKTOP=ON)
fi
cmake --preset "$preset" "${options[@]}" >/dev/null
