#!/usr/bin/env bash
# Sets up, builds and runs every test: the default build, with the real-driver suite on its
# programs in a virtual PC, the plain Release build (build only), the sanitizer build, then the
# two Windows builds with their tests under Wine (the 64-bit one always, under wine64; the 32-bit
# one where this machine runs 32-bit programs, else built only); last the packages of both
# platforms, installed and removed again (the Debian package on this machine, the Windows
# installers under Wine). A line says which Windows suites ran.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/setup-windows.sh
cmake --workflow --preset default
scripts/real-drivers-test.sh build/default
# The plain Release build that packagers and users run, without the presets: the programs must
# build, and without a warning (the default build has compiled the tests already).
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQUON_TESTS=OFF >/dev/null
CMAKE_BUILD_PARALLEL_LEVEL=$(nproc) cmake --build build/release 2>&1 | tee build/release/build.log
if grep -q "warning:" build/release/build.log; then
  echo "The plain Release build warns (see build/release/build.log)" >&2
  exit 1
fi
cmake --workflow --preset sanitize

if why=$(scripts/runs-32-bit.sh); then
  windows="windows64 (64-bit): tested under wine64; windows (32-bit): tested under Wine's 32-bit loader"
else
  windows="windows64 (64-bit): tested under wine64; windows (32-bit): built, not run: $why"
fi
echo "$windows"
for preset in windows64 windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
# The suites wait on Wine more than they compute, so the two run at once, each in its own prefix
# with its own display, and their reports follow one another.
suites=(windows64)
[[ -z $why ]] && suites+=(windows)
declare -A suite_pid
for preset in "${suites[@]}"; do
  ctest --preset "$preset" >"build/$preset/suite.log" 2>&1 &
  suite_pid[$preset]=$!
done
failed=()
for preset in "${suites[@]}"; do
  wait "${suite_pid[$preset]}" || failed+=("$preset")
  echo "== $preset suite"
  cat "build/$preset/suite.log"
done
if ((${#failed[@]})); then
  echo "Windows suites failed: ${failed[*]}" >&2
  exit 1
fi
scripts/package.sh --check
echo "$windows"
