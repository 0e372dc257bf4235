#!/usr/bin/env bash
# Runs a command where 32-bit x86 programs start through qemu-i386, to try the ways of
# scripts/runs-32-bit.sh that need a kernel that runs them on one that refuses them. The
# command runs in a user namespace of its own (with this machine's users and groups, root as
# root) whose own binfmt_misc sends them to qemu-i386-static (Linux 6.7 and later give each user
# namespace its own); nothing outside it sees that, and it goes with the command.
#
#   scripts/with-qemu-i386.sh COMMAND...
#
# Needs root and qemu-user-static. Exits with the command's status; 77 with one line on standard
# error when it cannot be had here.
set -euo pipefail
. "$(dirname "$(realpath "$0")")/wait-until.sh"

(($#)) || { echo "usage: with-qemu-i386.sh COMMAND..." >&2; exit 2; }
cannot() { echo "with-qemu-i386: $*" >&2; exit 77; }
((EUID == 0)) || cannot "needs root"
qemu=/usr/bin/qemu-i386-static
[[ -x $qemu ]] || cannot "$qemu is not installed (qemu-user-static)"

# ELF, 32-bit, little-endian, an executable or a shared object for the i386.
entry=':quon-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
entry+=':\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
entry+=":$qemu:F"

# The namespace waits for its users and groups before it mounts and registers anything.
go=$(mktemp -u /tmp/quon-qemu-i386-XXXXXX)
mkfifo "$go"
trap 'rm -f "$go"' EXIT
QUON_BINFMT_ENTRY=$entry unshare --user --mount --pid --fork --propagation private bash -euc '
  read -r _ <"$0"
  mount -t proc proc /proc
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
    { echo "with-qemu-i386: this kernel gives a user namespace no binfmt_misc of its own" >&2; exit 77; }
  printf "%s" "$QUON_BINFMT_ENTRY" >/proc/sys/fs/binfmt_misc/register
  unset QUON_BINFMT_ENTRY
  exec "$@"' "$go" "$@" &
namespace=$!
# A namespace that ended at once leaves its maps unwritable, which says so below.
own_namespace() {
  [[ ! -e /proc/$namespace ]] ||
    [[ $(readlink "/proc/$namespace/ns/user") != "$(readlink /proc/self/ns/user)" ]]
}
wait_until 60 "a user namespace of its own" own_namespace || { kill "$namespace"; exit 1; }
echo '0 0 4294967295' >"/proc/$namespace/uid_map" && echo '0 0 4294967295' >"/proc/$namespace/gid_map" ||
  { kill "$namespace"; cannot "no user namespace of its own with this machine's users"; }
echo go >"$go"
status=0
wait "$namespace" || status=$?
exit "$status"
