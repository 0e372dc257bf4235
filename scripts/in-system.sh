#!/usr/bin/env bash
# Runs a command as root in a throwaway copy of a system that scripts/debian-system.sh made: an
# overlay over it in a mount namespace of its own, with /dev, /dev/pts, /proc and /sys, this
# machine's resolv.conf (where it has one) and the given folders, so the system stays clean and
# no mount outlives the command, however it ends. Services are not started in it (policy-rc.d).
#
#   scripts/in-system.sh ROOT [--bind HOST-FOLDER:FOLDER]... [--image FILE] -- COMMAND...
#
# --image FILE makes an ext4 disk image of the copy as the command left it (the bound folders and
# the kernel's file systems not in it), for a virtual machine to boot.
# Exits with the command's status.
set -euo pipefail

root=$(realpath "${1:?usage: in-system.sh ROOT [--bind HOST:FOLDER]... [--image FILE] -- COMMAND...}")
shift
binds=()
image=
while (($#)); do
  case $1 in
    --bind) binds+=("$2"); shift 2 ;;
    --image) image=$(realpath -m "$2"); shift 2 ;;
    --) shift; break ;;
    *) echo "in-system: unknown option $1" >&2; exit 2 ;;
  esac
done
(($#)) || { echo "in-system: no command" >&2; exit 2; }

scratch=$(mktemp -d /tmp/quon-system-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch"/{upper,work,merged}

# The namespace's own shell does the mounting; the variables reach it through its environment.
export QUON_ROOT=$root QUON_SCRATCH=$scratch QUON_IMAGE=$image
export QUON_BINDS
QUON_BINDS=$(printf '%s\n' "${binds[@]+"${binds[@]}"}")
unshare --mount --propagation private bash -euo pipefail -c '
  m=$QUON_SCRATCH/merged
  mount -t overlay overlay -o "lowerdir=$QUON_ROOT,upperdir=$QUON_SCRATCH/upper,workdir=$QUON_SCRATCH/work" "$m"
  mount --rbind /dev "$m/dev"
  mount -t proc proc "$m/proc"
  mount --rbind /sys "$m/sys"
  mount -t tmpfs tmpfs "$m/tmp"
  rm -f "$m/etc/resolv.conf"
  [[ ! -e /etc/resolv.conf ]] || cp /etc/resolv.conf "$m/etc/resolv.conf"
  printf "#!/bin/sh\nexit 101\n" >"$m/usr/sbin/policy-rc.d"
  chmod 755 "$m/usr/sbin/policy-rc.d"
  while IFS=: read -r host guest; do
    [[ -n $host ]] || continue
    mkdir -p "$m$guest"
    mount --bind "$host" "$m$guest"
  done <<<"$QUON_BINDS"
  status=0
  chroot "$m" "$@" || status=$?
  if [[ -n $QUON_IMAGE ]] && ((status == 0)); then
    while IFS=: read -r host guest; do
      [[ -n $host ]] && umount "$m$guest" && rmdir "$m$guest" 2>/dev/null || true
    done <<<"$QUON_BINDS"
    umount -R "$m/dev" "$m/proc" "$m/sys" "$m/tmp"
    rm -f "$m/usr/sbin/policy-rc.d"
    size=$(( $(du -sm "$m" | cut -f1) * 3 / 2 + 200 ))
    mke2fs -q -F -t ext4 -d "$m" "$QUON_IMAGE" "${size}M" >/dev/null
  fi
  exit "$status"
' in-system "$@"
