#!/usr/bin/env bash
# Makes the Debian package of release 0.1, the single package named quon that held everything,
# from its last commit, for the upgrade check; prints its path. Made once and kept, by what goes
# into it (the commit and the system it is built on, whose libraries its dependencies name): in
# /var/cache/quon/releases where this user may write, so that every clone on the machine shares
# it, else in build/release-0.1/.
set -euo pipefail
cd "$(dirname "$0")/.."

commit=345cbf81d2a2ed8edbe0bd85dcf7623a7bc0ee4f
key=$(echo "$commit $(cat /etc/debian_version) $(dpkg --print-architecture)" | sha256sum | cut -c1-16)
cache=${QUON_RELEASES:-/var/cache/quon/releases}
if mkdir -p "$cache" 2>/dev/null && [[ -w $cache ]]; then
  deb=$cache/quon_0.1_amd64-$key.deb
else
  deb=$PWD/build/release-0.1/quon_0.1_amd64-$key.deb
fi
dir=$PWD/build/release-0.1

if [[ ! -f $deb ]]; then
  # A shallow clone may lack it.
  git cat-file -e "$commit^{commit}" 2>/dev/null || git fetch -q --depth 1 origin "$commit" ||
    { echo "old-release-deb: commit $commit of release 0.1 is not in this clone" >&2; exit 1; }
  rm -rf "$dir"
  mkdir -p "$dir/src"
  git archive "$commit" | tar -x -C "$dir/src"
  # Only what the package holds, and CPack told not to build the rest; unoptimised, which compiles
  # far faster and makes no difference to an upgrade.
  cmake -S "$dir/src" -B "$dir/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUON_TESTS=OFF \
    -DCMAKE_CXX_FLAGS_RELEASE="-O0 -DNDEBUG" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    >"$dir/build.log" 2>&1 &&
    nice -n 10 cmake --build "$dir/build" --target quon quon-server quon-xfer quon-unpack quon-calc \
      nullmodem man_pages package_changelog >>"$dir/build.log" 2>&1 &&
    cpack --config "$dir/build/CPackConfig.cmake" -B "$dir/cpack" >>"$dir/build.log" 2>&1 ||
    { tail -n 30 "$dir/build.log" >&2; echo "old-release-deb: could not make $deb" >&2; exit 1; }
  mv "$dir"/cpack/quon_0.1_amd64.deb "$deb"
  rm -rf "$dir/src" "$dir/build" "$dir/cpack"
fi
echo "$deb"
