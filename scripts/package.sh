#!/usr/bin/env bash
# Builds the packages of both platforms into build/packages/: from the default build and the Arm
# cross builds the Debian packages, quon-server (amd64, arm64, armhf) and quon, the desktop
# program (amd64, arm64), each checked by lintian; from each Windows build (windows, 32-bit;
# windows64, 64-bit) a zip and an NSIS installer. An Arm architecture whose libraries this machine
# lacks (scripts/cross-ready.sh) gets no packages, and a line says so.
# With --check it then tries them: the amd64 Debian packages installed on this machine and purged
# again, once as they are and once over the single quon package of 0.1 (scripts/check-deb.sh),
# and so in clean Debian 12 and 13 amd64 systems and in clean Debian 12 arm64 and armhf systems
# under qemu-user (scripts/check-in-clean-system.sh); each installer under the Wine that runs it
# (scripts/check-windows-installer.sh), the 32-bit one only where this machine runs 32-bit
# programs, and a line says so where it does not.
set -euo pipefail
cd "$(dirname "$0")/.."

check=
case ${1:-} in
  --check) check=yes ;;
  "") ;;
  *) echo "usage: scripts/package.sh [--check]" >&2; exit 2 ;;
esac

# On its own it sets up first; scripts/test.sh has done so already.
if [[ -z ${QUON_SET_UP:-} ]]; then
  scripts/setup.sh
  scripts/setup-windows.sh
fi
out=$PWD/build/packages
rm -rf "$out"
mkdir -p "$out"
linux_builds=(default)
for arch in arm64 armhf; do
  if why=$(scripts/cross-ready.sh $arch --package); then
    linux_builds+=(linux-$arch)
  else
    echo "package: no $arch packages: $why"
  fi
done
for preset in "${linux_builds[@]}" windows windows64; do
  if [[ $preset == linux-* ]]; then
    scripts/cross-configure.sh "$preset"
  else
    cmake --preset "$preset" >/dev/null
  fi
  # scripts/pictures.sh may build in the same tree beside us.
  flock "build/$preset/.build.lock" cmake --build --preset "$preset"
done

for build in "${linux_builds[@]}"; do
  cpack --config build/$build/CPackConfig.cmake -B "$out/cpack" >/dev/null
done
for build in windows windows64; do
  cpack --config build/$build/CPackConfig.cmake -B "$out/cpack" >/dev/null
  cmake --install build/$build --prefix "$out/cpack/$build" --strip >/dev/null
  makensis -V2 -DSTAGE="$out/cpack/$build" -DOUTDIR="$out" build/$build/packaging/quon.nsi
done
mv "$out"/cpack/*.deb "$out"/cpack/*.zip "$out"/
rm -rf "$out/cpack"

server_deb=$(echo "$out"/quon-server_*_amd64.deb)
desktop_deb=$(echo "$out"/quon_*_amd64.deb)
version=$(dpkg-deb -f "$server_deb" Version)
head -1 packaging/linux/changelog | grep -qF "quon ($version)" ||
  { echo "package: packaging/linux/changelog has no entry for $version" >&2; exit 1; }
lintian --fail-on error "$out"/*.deb 2> >(grep -v 'running with root privileges' >&2)
ls -l "$out"

if [[ -n $check ]]; then
  # The clean systems wait on the disk more than they compute: they run beside the checks here.
  mkdir -p build/clean-checks
  clean=()
  for suite in bookworm trixie; do
    scripts/check-in-clean-system.sh --suite "$suite" "$server_deb" "$desktop_deb" \
      >"build/clean-checks/$suite.log" 2>&1 &
    clean+=("$suite:$!")
  done
  for arch in arm64 armhf; do
    debs=("$out"/*_"$arch".deb)
    [[ -e ${debs[0]} ]] || continue
    scripts/check-in-clean-system.sh --suite bookworm "${debs[@]}" \
      >"build/clean-checks/bookworm-$arch.log" 2>&1 &
    clean+=("bookworm-$arch:$!")
  done
  scripts/check-deb.sh "$server_deb" "$desktop_deb"
  scripts/check-deb.sh --upgrade-from "$(scripts/old-release-deb.sh)" "$server_deb" "$desktop_deb"
  installer32=$(echo "$out"/quon-*-win32-setup.exe)
  runs_32_bit=yes
  how=$(scripts/runs-32-bit.sh) || runs_32_bit=
  # Beside the 64-bit installation the 32-bit installer must refuse, which takes Wine's 32-bit
  # loader beside wine64.
  other=()
  [[ $how != "under Wine's 32-bit loader" ]] || other=("$installer32")
  QUON_WINE_ARCH=win64 scripts/check-windows-installer.sh "$out"/quon-*-win64-setup.exe \
    build/windows64/wineprefix-installer "${other[@]}"
  if [[ -z $runs_32_bit ]]; then
    echo "package: ${installer32##*/} made, not tried: $how"
  else
    QUON_WINE_ARCH=win32 scripts/runs-32-bit.sh --run scripts/check-windows-installer.sh \
      "$installer32" build/windows/wineprefix-installer
    ((${#other[@]})) || echo "package: ${installer32##*/} tried $how, not beside the 64-bit installation"
  fi
  failed=
  for job in "${clean[@]}"; do
    suite=${job%%:*}
    status=0
    wait "${job#*:}" || status=$?
    if ((status == 77)); then
      echo "package: not tried in a clean Debian ${suite/-/ } system: $(tail -n 1 "build/clean-checks/$suite.log")"
    else
      cat "build/clean-checks/$suite.log"
      ((status == 0)) || failed+=" $suite"
    fi
  done
  [[ -z $failed ]] || { echo "package: the Debian packages failed in clean systems:$failed" >&2; exit 1; }
fi
