#!/usr/bin/env bash
# Installs the Debian packages on this machine with apt-get, tries what they installed, then
# removes them with --purge, which must leave none of their files behind. The installed programs
# are tried together: quon-server serves quon-calc over quon-nullmodem in a scratch folder, a get
# and a put. With the desktop package, its entry, icons and help page are checked as well. An
# installation of quon or quon-server that this script did not make is left alone.
#
# usage: check-deb.sh QUON-SERVER.deb [QUON.deb]
#        check-deb.sh --upgrade-from OLD-QUON.deb QUON-SERVER.deb QUON.deb
#
# With --upgrade-from it first installs the old single quon package, then the two new ones over
# it, as an upgrade does, and checks that every file of theirs is in place and that dpkg knows no
# other version before it goes on.
set -euo pipefail
. "$(dirname "$(realpath "$0")")/wait-until.sh"

old=
if [[ ${1:-} == --upgrade-from ]]; then
  old=$(realpath "$2")
  shift 2
fi
(($# == 1 || $# == 2)) || { echo "usage: check-deb.sh [--upgrade-from OLD.deb] QUON-SERVER.deb [QUON.deb]" >&2; exit 2; }
debs=()
for deb in "$@"; do debs+=("$(realpath "$deb")"); done
work=$(mktemp -d /tmp/quon-check-deb-XXXXXX)
packages=()
old_files=()
installed=
line_pid=
server_pid=

fail() {
  echo "check-deb: $*" >&2
  exit 1
}
apt() {
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -qq "$@" \
    >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; return 1; }
}
# Only names dpkg knows: apt refuses one that neither it nor the archive has.
purge() {
  local known
  mapfile -t known < <(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' quon quon-server 2>/dev/null |
    awk 'substr($1, 2, 1) != "n" { print $2 }')
  ((${#known[@]} == 0)) || apt remove --purge "${known[@]}"
}
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
  [[ -n $line_pid ]] && kill "$line_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  [[ -n $installed ]] && purge
  rm -rf "$work"
}
trap cleanup EXIT

for package in quon quon-server; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
    fail "$package is installed already; remove it first (apt-get remove --purge $package)"
  fi
done
files=()
for deb in "${debs[@]}"; do
  packages+=("$(dpkg-deb -f "$deb" Package)")
  mapfile -t -O "${#files[@]}" files < <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }')
done
mapfile -t programs < <(printf '%s\n' "${files[@]}" | sed -n 's|^/usr/bin/||p')
version=$(dpkg-deb -f "${debs[0]}" Version)
desktop=
[[ " ${packages[*]} " == *" quon "* ]] && desktop=yes

installed=yes
if [[ -n $old ]]; then
  mapfile -t old_files < <(dpkg-deb -c "$old" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }')
  apt install "$old"
  apt install "${debs[@]}"
  for package in "${packages[@]}"; do
    [[ $(dpkg-query -W -f='${Status} ${Version}' "$package") == "install ok installed $version" ]] ||
      fail "$package $version is not installed after the upgrade"
  done
  for file in "${files[@]}"; do
    [[ -e $file ]] || fail "missing after the upgrade: $file"
    dpkg -S "$file" >"$work/owner" 2>&1 || fail "no package owns $file after the upgrade"
  done
else
  apt install "${debs[@]}"
fi

for program in "${programs[@]}"; do
  [[ $(command -v "$program") == /usr/bin/$program ]] || fail "$program is not on the PATH"
  man -w "$program" >/dev/null 2>&1 || fail "no man page for $program"
  [[ $("$program" --version) == *" $version" ]] || fail "$program --version does not say $version"
done
man quon-server 2>/dev/null | grep -qE 'quon-server +- +serve' || fail "man quon-server"

if [[ -n $desktop ]]; then
  desktop-file-validate /usr/share/applications/quon.desktop
  grep -qx 'Exec=quon %f' /usr/share/applications/quon.desktop || fail "desktop entry runs something else"
  grep -qx 'MimeType=inode/directory;' /usr/share/applications/quon.desktop ||
    fail "desktop entry is not offered for folders"
  for size in 16 32 48 64; do
    [[ -f /usr/share/icons/hicolor/${size}x$size/apps/quon.png ]] || fail "no ${size}px icon"
  done
  [[ -f /usr/share/doc/quon/quon-help.html ]] || fail "no help page"
fi

# The user unit, as the folder ~/calc would instance it; verify also finds its program.
SYSTEMD_UNIT_PATH=/usr/lib/systemd/user: XDG_RUNTIME_DIR=$work \
  systemd-analyze verify --man=no "quon-server@$(systemd-escape --path "$work").service" ||
  fail "the systemd unit does not verify"
# The system unit, as a board's instance.
systemd-analyze verify --man=no quon-server@calc.service || fail "the systemd system unit does not verify"

# A request is taken, and a stored file complete, once the server's line is idle again.
line_idle() { [[ $(grep '^Status: ' server.log | tail -n 1) == 'Status: Comms line is IDLE' ]]; }
wait_until_idle() {
  wait_until 60 "quon-server's line idle again" line_idle || fail "$(cat server.log)"
}

cd "$work"
head -c 3000 /dev/urandom >orvo1.obj
quon-nullmodem --link-a "$work/pc" --link-b "$work/calc" --ready-file "$work/line.ready" \
  >/dev/null 2>line.err &
line_pid=$!
wait_until 60 "quon-nullmodem's ready file" test -e line.ready || fail "$(cat line.err)"
quon-server --device "$work/pc" >server.log 2>&1 &
server_pid=$!
# Debian 12's qemu-user (7.2) passes no TCGETS2 ioctl, with which the server sets a line up; a
# real kernel always does. Under such an emulator the get and the put are left out, in a line.
if ! timeout 30 quon-calc download-mode "$work/calc" && grep -q 'Function not implemented' server.log; then
  echo "check-deb: no get or put here: this emulator cannot set a serial line up ($(head -n 1 server.log))"
else
  timeout 30 quon-calc get "$work/calc" orvo1.obj --expect orvo1.obj ||
    fail "quon-calc could not fetch a file from quon-server: $(cat server.log)"
  wait_until_idle
  head -c 2000 /dev/urandom >note.txt
  timeout 30 quon-calc put "$work/calc" note.obj note.txt ||
    fail "quon-calc could not store a file through quon-server: $(cat server.log)"
  wait_until_idle
  # XMODEM fills the last block: the file, then fill bytes alone.
  cmp -s -n 2000 note.txt note.obj && [[ -z $(tail -c +2001 note.obj | tr -d '\000') ]] ||
    fail "the file quon-server stored differs from the one sent"
fi
kill "$server_pid" "$line_pid" 2>/dev/null || true
wait 2>/dev/null || true
server_pid=
line_pid=
cd /

purge
installed=
for file in "${files[@]}" "${old_files[@]}"; do
  [[ ! -e $file ]] || fail "left behind: $file"
done
for package in quon quon-server; do
  [[ ! -e /usr/share/doc/$package ]] || fail "left behind: /usr/share/doc/$package"
  if compgen -G "/var/lib/dpkg/info/$package.*" >/dev/null; then fail "dpkg still knows $package"; fi
done
names=$(printf '%s ' "${debs[@]##*/}")
if [[ -n $old ]]; then
  echo "check-deb: ${old##*/} upgrades to ${names% }, which run and purge cleanly"
else
  echo "check-deb: ${names% } install, run and purge cleanly"
fi
