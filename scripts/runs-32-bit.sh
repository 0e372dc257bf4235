#!/usr/bin/env bash
# Whether this machine runs 32-bit Windows programs: the one answer that the set-up, the 32-bit
# Windows build (whether it holds tests), the test script, the installer check and the benches
# all obey. Some kernels refuse every 32-bit x86 program ("Exec format error"), and Wine's
# 32-bit loader is one.
#
#   runs-32-bit.sh            Wine's 32-bit loader starts here
#   runs-32-bit.sh --kernel   the kernel starts a 32-bit program (before Wine is installed)
#
# Exits 0 when it does; otherwise exits 1 and prints why, in a few words, on standard output.
# QUON_NO_32BIT=1 answers as a machine without them would. QUON_32BIT_STANDIN=FILE starts FILE
# wherever a 32-bit program would be started (here and in wine-run.sh): an ELF file for another
# processor (written by --write-foreign FILE) fails there exactly as on a kernel that refuses
# 32-bit programs, so that path can be tried for real on any machine.
set -uo pipefail

loader=${QUON_32BIT_STANDIN:-/usr/lib/wine/wine}
# Written by scripts/setup-windows.sh when wine32:i386 could not be installed, with the reason.
not_installed=$(dirname "$(realpath "$0")")/../build/wine32-not-installed

# A 91-byte static i386 program that only exits with status 0, as an ELF file for the machine
# given as two bytes (little-endian e_machine).
write_elf() {
  local machine=$1 file=$2
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$file"
  printf "\\x02\\x00${machine}\\x01\\x00\\x00\\x00\\x54\\x80\\x04\\x08" >>"$file"
  printf '\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$file"
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$file"
  printf '\x5b\x00\x00\x00\x5b\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$file"
  # xor ebx,ebx; xor eax,eax; inc eax; int 0x80: exit(0)
  printf '\x31\xdb\x31\xc0\x40\xcd\x80' >>"$file"
  chmod +x "$file"
}

# Says why the program did not start, if it did not.
refused() {
  local error
  if ! error=$("$@" 2>&1 >/dev/null); then
    if [[ $error == *"Exec format error"* ]]; then
      echo "this kernel refuses 32-bit programs"
    else
      echo "${1##*/} does not start: ${error%%$'\n'*}"
    fi
    return 0
  fi
  return 1
}

case ${1:-} in
  --write-foreign)
    # EM_AARCH64: no x86 kernel starts it.
    write_elf '\xb7\x00' "$2"
    exit 0
    ;;
  --kernel | "") ;;
  *)
    echo "usage: runs-32-bit.sh [--kernel | --write-foreign FILE]" >&2
    exit 2
    ;;
esac

if [[ -n ${QUON_NO_32BIT:-} ]]; then
  echo "QUON_NO_32BIT is set"
  exit 1
fi

# Starts a tiny 32-bit program; says why not, if it does not start.
kernel_refuses() {
  local probe=${QUON_32BIT_STANDIN:-}
  if [[ -z $probe ]]; then
    probe=$(mktemp /tmp/quon-32-bit-probe-XXXXXX)
    write_elf '\x03\x00' "$probe"
  fi
  refused "$probe"
  local status=$?
  [[ -n ${QUON_32BIT_STANDIN:-} ]] || rm -f "$probe"
  return $status
}

if [[ ${1:-} == --kernel ]]; then
  ! kernel_refuses
  exit
fi

if [[ ! -x $loader ]]; then
  kernel_refuses && exit 1
  if [[ -f $not_installed ]]; then
    echo "wine32:i386 could not be installed ($(<"$not_installed"))"
  else
    echo "Wine's 32-bit loader is not installed (wine32:i386)"
  fi
  exit 1
fi
! refused "$loader" --version
