#!/usr/bin/env bash
# Sets up, builds and runs every test: the default build, then the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --workflow --preset default
cmake --workflow --preset sanitize
