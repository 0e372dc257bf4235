#!/usr/bin/env bash
# Builds the packages of both platforms into build/packages/: from the default build the Debian
# package (checked by lintian), from the windows build a zip and an NSIS installer.
# With --check it then tries them: the Debian package installed on this machine and purged again
# (scripts/check-deb.sh), the installer under Wine (scripts/check-windows-installer.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

check=
case ${1:-} in
  --check) check=yes ;;
  "") ;;
  *) echo "usage: scripts/package.sh [--check]" >&2; exit 2 ;;
esac

scripts/setup.sh
scripts/setup-windows.sh
out=$PWD/build/packages
rm -rf "$out"
mkdir -p "$out"
for preset in default windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

cpack --config build/default/CPackConfig.cmake -B "$out/cpack" >/dev/null
cpack --config build/windows/CPackConfig.cmake -B "$out/cpack" >/dev/null
mv "$out"/cpack/*.deb "$out"/cpack/*.zip "$out"/
cmake --install build/windows --prefix "$out/cpack/windows" --strip >/dev/null
makensis -V2 -DSTAGE="$out/cpack/windows" -DOUTDIR="$out" build/windows/packaging/quon.nsi
rm -rf "$out/cpack"

deb=$(echo "$out"/quon_*_amd64.deb)
version=${deb##*/quon_}
version=${version%_amd64.deb}
head -1 packaging/linux/changelog | grep -qF "quon ($version)" ||
  { echo "package: packaging/linux/changelog has no entry for $version" >&2; exit 1; }
lintian --fail-on error "$deb" 2> >(grep -v 'running with root privileges' >&2)
ls -l "$out"

if [[ -n $check ]]; then
  scripts/check-deb.sh "$deb"
  scripts/check-windows-installer.sh "$out"/quon-*-setup.exe build/windows/wineprefix-installer
fi
