#!/usr/bin/env bash
# Sets up, builds and runs every test: the default build, the plain Release build (build only),
# the sanitizer build, then the 32-bit Windows build with its tests under Wine; last the packages
# of both platforms, installed and removed again (the Debian package on this machine, the Windows
# installer under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/setup-windows.sh
cmake --workflow --preset default
# The plain Release build that packagers and users run, without the presets: it must build, and
# without a warning.
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
CMAKE_BUILD_PARALLEL_LEVEL=$(nproc) cmake --build build/release 2>&1 | tee build/release/build.log
if grep -q "warning:" build/release/build.log; then
  echo "The plain Release build warns (see build/release/build.log)" >&2
  exit 1
fi
cmake --workflow --preset sanitize
cmake --workflow --preset windows
scripts/package.sh --check
