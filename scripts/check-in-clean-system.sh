#!/usr/bin/env bash
# Tries Debian packages where a user meets them: scripts/check-deb.sh in a throwaway copy of a
# clean Debian system of the given suite and architecture (scripts/debian-system.sh,
# scripts/in-system.sh), which installs them with apt, runs every program's --version, a get and
# a put through the installed programs, and purges them, checking that nothing is left.
#
#   scripts/check-in-clean-system.sh [--prepare] [--suite SUITE] [--arch ARCH] DEB...
#
# SUITE defaults to bookworm, ARCH to the packages' own. Making a system is the slow part (the
# archive and the disk), so it is kept with what the packages depend on installed already, and a
# check takes seconds; --prepare only makes it. The system is made again when those names change,
# so it holds nothing that neither the packages nor the check's own tools ask for.
# Exit status: 0 the packages passed, 1 they failed, 2 usage, 77 the system cannot be made here
# (one line on standard error says why).
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: check-in-clean-system.sh [--prepare] [--suite SUITE] [--arch ARCH] DEB..." >&2
  exit 2
}
prepare=
suite=bookworm
arch=
while (($#)); do
  case $1 in
    --prepare) prepare=yes; shift ;;
    --suite) suite=${2:?}; shift 2 ;;
    --arch) arch=${2:?}; shift 2 ;;
    -*) usage ;;
    *) break ;;
  esac
done
(($#)) || usage

debs=()
names=()
for deb in "$@"; do
  debs+=("$(realpath "$deb")")
  names+=("$(dpkg-deb -f "$deb" Package)")
  own=$(dpkg-deb -f "$deb" Architecture)
  if [[ $own != all ]]; then
    [[ -z $arch || $arch == "$own" ]] || { echo "check-in-clean-system: $deb is for $own, not $arch" >&2; exit 2; }
    arch=$own
  fi
done
arch=${arch:-$(dpkg --print-architecture)}

# What the packages depend on from the archive: the first of each set of alternatives, without
# versions.
depends=$(for deb in "${debs[@]}"; do
  dpkg-deb -f "$deb" Pre-Depends Depends | sed 's/^[A-Za-z-]*: //'
done | tr ',' '\n' | sed 's/|.*//; s/(.*)//; s/:any//; s/[[:space:]]//g' | grep . |
  grep -vxF -f <(printf '%s\n' "${names[@]}") | LC_ALL=C sort -u | paste -sd,)
# What check-deb.sh itself uses beyond the essential packages.
tools=mawk,man-db,desktop-file-utils,systemd

status=0
root=$(scripts/debian-system.sh --arch "$arch" --suite "$suite" \
  --include "$tools${depends:+,$depends}" "check-$(printf '%s\n' "${names[@]}" | LC_ALL=C sort | paste -sd+)") ||
  status=$?
((status == 0)) || exit "$status"
[[ -z $prepare ]] || exit 0

# The packages go in by their own names, as a user's apt-get install ./NAME.deb finds them.
work=$(mktemp -d /tmp/quon-clean-check-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/debs"
cp "${debs[@]}" "$work/debs/"
guest_debs=()
for deb in "${debs[@]}"; do guest_debs+=("/quon/debs/${deb##*/}"); done

echo "check-in-clean-system: Debian $suite $arch"
scripts/in-system.sh "$root" --bind "$PWD/scripts:/quon/scripts" --bind "$work/debs:/quon/debs" -- \
  /quon/scripts/check-deb.sh "${guest_debs[@]}"
