#!/usr/bin/env bash
# Whether and how this machine runs 32-bit Windows programs: the one answer that the set-up, the
# 32-bit Windows build (whether it holds tests), the test script, the installer check and the
# benches all obey. Some kernels refuse every 32-bit x86 program ("Exec format error"), and Wine's
# 32-bit loader is one. Where the kernel runs them but Wine's 32-bit half cannot be installed
# beside this machine's own (wine32:i386 needs the archive's i386 half in step with the amd64
# half, which a half-synced mirror breaks), they run in a clean 32-bit Debian system instead:
# i386 with amd64 beside it, from the suite and its updates alone, whose halves agree
# (scripts/debian-system.sh keeps it; it needs root).
#
#   runs-32-bit.sh               prints how: "under Wine's 32-bit loader" (here) or "in a clean
#                                32-bit system" (made first if need be)
#   runs-32-bit.sh --run CMD...  runs CMD that way: here, or in a throwaway copy of that system
#                                with this tree at its own path and the current folder kept
#   runs-32-bit.sh --kernel      the kernel starts a 32-bit program (before Wine is installed)
#
# Exits 0 when it does (with --run, CMD's status); otherwise exits 1 and prints why, in a few
# words, on standard output.
# QUON_NO_32BIT=1 answers as a machine without them would. QUON_32BIT_STANDIN=FILE starts FILE
# wherever a 32-bit program would be started (here and in wine-run.sh): an ELF file for another
# processor (written by --write-foreign FILE) fails there exactly as on a kernel that refuses
# 32-bit programs, so that path can be tried for real on any machine.
set -uo pipefail

loader=${QUON_32BIT_STANDIN:-/usr/lib/wine/wine}
scripts=$(dirname "$(realpath "$0")")
# Written by scripts/setup-windows.sh when wine32:i386 could not be installed, with the reason.
not_installed=$scripts/../build/wine32-not-installed
# What the 32-bit suite and the installer check use there; the Linux build's programs that the
# suite talks to are amd64 ones.
system_packages=wine,wine32,fonts-wine,xvfb,xauth,x11-apps,imagemagick,socat,lrzsz,cmake,mount,libstdc++6:amd64

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
  --run)
    shift
    (($#)) || { echo "usage: runs-32-bit.sh --run COMMAND..." >&2; exit 2; }
    run=("$@")
    ;;
  --kernel | "") ;;
  *)
    echo "usage: runs-32-bit.sh [--run COMMAND... | --kernel | --write-foreign FILE]" >&2
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

# Prints the clean 32-bit system's folder; says why not, if there is none.
clean_system() {
  local missing
  if [[ -f $not_installed ]]; then
    missing="wine32:i386 could not be installed ($(<"$not_installed"))"
  else
    missing="Wine's 32-bit loader is not installed (wine32:i386)"
  fi
  if ((EUID != 0)); then
    echo "$missing, and only root makes the clean 32-bit system"
    return 1
  fi
  local error
  error=$("$scripts/debian-system.sh" --arch i386,amd64 --include "$system_packages" win32 2>&1 >&3) ||
    { echo "$missing, and the clean 32-bit system cannot be made: ${error#*system: }"; return 1; }
} 3>&1

if [[ -x $loader ]]; then
  refused "$loader" --version && exit 1
  how="under Wine's 32-bit loader"
  root=
else
  kernel_refuses && exit 1
  root=$(clean_system) || { echo "$root"; exit 1; }
  how="in a clean 32-bit system"
fi

if [[ -z ${run+set} ]]; then
  echo "$how"
elif [[ -z $root ]]; then
  exec "${run[@]}"
else
  tree=$(realpath "$scripts/..")
  exec "$scripts/in-system.sh" "$root" --bind "$tree:$tree" -- \
    bash -c 'cd "$1" && shift && exec "$@"' run "$PWD" "${run[@]}"
fi
