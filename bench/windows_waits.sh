#!/usr/bin/env bash
# The Windows driver's waits under Wine, on COM1 and COM2 of the build's prefix joined by the
# null-modem relay (see bench/port_waits_win32.cpp for what it prints).
#
#   nice -n 10 bench/windows_waits.sh [BUILD_DIR]   (build/windows, or build/windows64)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/windows}")
program=$build/bench/bench_port_waits.exe
[[ -f $program ]] || { echo "missing: $program (cmake --build --preset windows)"; exit 1; }
prefix=$build/wineprefix
arch=win32
grep -q '^CMAKE_TOOLCHAIN_FILE.*x86_64' "$build/CMakeCache.txt" && arch=win64
if [[ $arch == win32 ]]; then
  if ! how=$(scripts/runs-32-bit.sh); then
    echo "not run: the 32-bit build needs 32-bit programs, and here $how"
    exit 1
  fi
  # In the clean 32-bit system Wine's 32-bit loader is at hand, and the answer there is "under" it.
  [[ $how == "under Wine's 32-bit loader" ]] || exec scripts/runs-32-bit.sh --run "$0" "$@"
fi
QUON_WINE_ARCH=$arch scripts/wine-run.sh "$prefix" --prepare
scripts/wine-null-modem.sh start "$prefix" 1 2
trap 'scripts/wine-null-modem.sh stop "$prefix" 1 2' EXIT
scripts/wine-run.sh "$prefix" "$program"
