#!/usr/bin/env bash
# Sets up, builds and runs every test: the default build, the sanitizer build, then the 32-bit
# Windows build with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/setup-windows.sh
cmake --workflow --preset default
cmake --workflow --preset sanitize
cmake --workflow --preset windows
