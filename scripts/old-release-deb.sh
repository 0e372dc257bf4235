#!/usr/bin/env bash
# Makes the Debian package of release 0.1, the single package named quon that held everything,
# from its last commit, for the upgrade check; prints its path. Made once into build/release-0.1/
# and kept there.
set -euo pipefail
cd "$(dirname "$0")/.."

commit=345cbf81d2a2ed8edbe0bd85dcf7623a7bc0ee4f
dir=$PWD/build/release-0.1
deb=$dir/quon_0.1_amd64.deb

if [[ ! -f $deb ]]; then
  # A shallow clone may lack it.
  git cat-file -e "$commit^{commit}" 2>/dev/null || git fetch -q --depth 1 origin "$commit" ||
    { echo "old-release-deb: commit $commit of release 0.1 is not in this clone" >&2; exit 1; }
  rm -rf "$dir"
  mkdir -p "$dir/src"
  git archive "$commit" | tar -x -C "$dir/src"
  # Only what the package holds, and CPack told not to build the rest.
  cmake -S "$dir/src" -B "$dir/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUON_TESTS=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >"$dir/build.log" 2>&1 &&
    nice -n 10 cmake --build "$dir/build" --target quon quon-server quon-xfer quon-unpack quon-calc \
      nullmodem man_pages package_changelog >>"$dir/build.log" 2>&1 &&
    cpack --config "$dir/build/CPackConfig.cmake" -B "$dir/cpack" >>"$dir/build.log" 2>&1 ||
    { tail -n 30 "$dir/build.log" >&2; echo "old-release-deb: could not make $deb" >&2; exit 1; }
  mv "$dir"/cpack/quon_0.1_amd64.deb "$deb"
  rm -rf "$dir/src" "$dir/build" "$dir/cpack"
fi
echo "$deb"
