#!/usr/bin/env bash
# Makes the kernel start arm64 and armhf programs under qemu-user (binfmt_misc), as the Arm
# builds' test programs need for the programs they start, and a chroot of either architecture
# needs for everything. The definitions are qemu-user-static's own (/usr/lib/binfmt.d). An entry
# already there (binfmt-support registers every one of them when it is installed) is kept when
# it is enabled, runs qemu-user-static's interpreter and has the F flag, which opens the
# interpreter at registration so that it works inside a chroot; any other is replaced. The x86
# interpreters are left alone: whether this machine runs 32-bit x86 programs is the kernel's
# answer (scripts/runs-32-bit.sh), not an emulator's.
#
# Exits 0 when both are ready, saying what it did in one line; otherwise 1 and why.
set -uo pipefail

dir=/proc/sys/fs/binfmt_misc

if [[ ! -e $dir/register ]] && ! mount -t binfmt_misc binfmt_misc "$dir" 2>/dev/null; then
  echo "binfmt_misc cannot be mounted here"
  exit 1
fi

done_lines=()
for name in qemu-aarch64 qemu-arm; do
  conf=/usr/lib/binfmt.d/$name.conf
  if [[ ! -f $conf ]]; then
    echo "$conf is missing (qemu-user-static)"
    exit 1
  fi
  definition=$(<"$conf")
  interpreter=$(cut -d: -f7 <<<"$definition")
  entry=$dir/$name
  if [[ -f $entry ]] && grep -qx enabled "$entry" &&
    grep -qx "interpreter $interpreter" "$entry" && grep -q '^flags: .*F' "$entry"; then
    done_lines+=("$name kept")
    continue
  fi
  if [[ -f $entry ]]; then
    echo -1 >"$entry" 2>/dev/null || { echo "cannot remove the entry $entry"; exit 1; }
  fi
  if ! printf '%s' "$definition" >"$dir/register" 2>/dev/null; then
    echo "cannot register $name in $dir/register"
    exit 1
  fi
  done_lines+=("$name registered")
done
echo "binfmt_misc: $(IFS=,; echo "${done_lines[*]}" | sed 's/,/, /g')"
