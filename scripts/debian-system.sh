#!/usr/bin/env bash
# Makes a clean Debian system in a folder with mmdebstrap, from the archive this machine's apt
# uses, and keeps it for the next run; prints the folder. Run commands in a throwaway copy of it
# with scripts/in-system.sh, so that it stays clean.
#
#   scripts/debian-system.sh [--arch ARCH] [--suite SUITE] [--include PKG,...] NAME
#
# ARCH defaults to this machine's, SUITE to bookworm; ARCH may list more architectures after the
# system's own (i386,amd64), whose packages --include names as PKG:ARCH. The system is kept in
# ${QUON_SYSTEMS:-/var/cache/quon/systems}/NAME-SUITE-ARCH-KEY and made again when what goes into
# it changes (the key) or when it is a week old (the archive moves on, and a system whose package
# lists name files the archive no longer has cannot install anything); the older copy goes.
# The suite and its -updates are its sources, without the security archive, whose halves may be
# out of step while a mirror syncs.
# Exit status 77 with one line on standard error when the system cannot be made here.
set -euo pipefail

arch=$(dpkg --print-architecture)
suite=bookworm
include=
while (($#)); do
  case $1 in
    --arch) arch=$2; shift 2 ;;
    --suite) suite=$2; shift 2 ;;
    --include) include=$2; shift 2 ;;
    -*) echo "debian-system: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
name=${1:?usage: debian-system.sh [--arch ARCH] [--suite SUITE] [--include PKG,...] NAME}
cannot() { echo "cannot make the Debian $suite $arch system: $*" >&2; exit 77; }

command -v mmdebstrap >/dev/null || cannot "mmdebstrap is not installed"
for one in ${arch//,/ }; do
  [[ $one != "$(dpkg --print-architecture)" ]] || continue
  command -v arch-test >/dev/null || cannot "arch-test is not installed"
  arch-test "$one" >/dev/null 2>&1 || cannot "this machine runs no $one programs (is qemu-user registered with binfmt_misc?)"
done

# The first Debian archive in apt's sources that carries a plain suite (not the security one).
archive() {
  local uri
  uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
    awk '/^URIs:/ { uri = $2 } /^Suites:/ && uri ~ /debian\/?$/ && $0 !~ /security/ { print uri; exit }')
  [[ -n $uri ]] || uri=$(grep -hsE '^deb +(\[[^]]*\] +)?[a-z]+://[^ ]*/debian/? ' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list | grep -v security | awk '{ for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; exit } }')
  echo "${uri:-http://deb.debian.org/debian}"
}
mirror=${QUON_DEBIAN_MIRROR:-$(archive)}

cache=${QUON_SYSTEMS:-/var/cache/quon/systems}
mkdir -p "$cache"
key=$( { echo "$arch $suite $include $mirror"; cat "$0"; } | sha256sum | cut -c1-12)
# No comma in the folder's name: an overlay's options could not name it.
base=$cache/$name-$suite-${arch//,/+}
root=$base-$key

exec 9>"$base.lock"
flock 9
if [[ -f $root.done ]] && [[ -z $(find "$root.done" -mtime +6) ]]; then
  echo "$root"
  exit 0
fi
rm -rf "$base"-*
log=$base-make.log
if ! mmdebstrap --variant=apt --architectures="$arch" ${include:+--include="$include"} \
     --skip=cleanup/apt/lists "$suite" "$root.new" \
     "deb $mirror $suite main" "deb $mirror $suite-updates main" >"$log" 2>&1; then
  rm -rf "$root.new"
  cannot "mmdebstrap failed: $(grep -E '^(E|W): ' "$log" | tail -n 1) (log: $log)"
fi
mv "$root.new" "$root"
touch "$root.done"
echo "$root"
