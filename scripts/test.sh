#!/usr/bin/env bash
# Sets up, builds and runs every test: the default build, the sanitizer build, then the 32-bit
# Windows build with its tests under Wine; last the packages of both platforms, installed and
# removed again (the Debian package on this machine, the Windows installer under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/setup-windows.sh
cmake --workflow --preset default
cmake --workflow --preset sanitize
cmake --workflow --preset windows
scripts/package.sh --check
