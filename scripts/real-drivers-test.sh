#!/usr/bin/env bash
# The real-driver suite (docs/real-drivers.md): Quon in a virtual machine on the kernel's own
# serial drivers, the USB adapter pulled and plugged back. Takes the build folder whose programs it
# tests (default build/default), amd64 (a PC) or arm64 (a board, QEMU's virt), and for an arm64
# build the native build whose quon-calc and nullmodem play the calculator here (default
# build/default). Ends with "real drivers[ arm64]: N passed, N failed", or one line
# "real drivers[ arm64]: not run: WHY" and exit status 77 where the machine cannot be made. With
# --bench first, runs bench/guest_server_load.py on the machine instead of the suite.
set -euo pipefail
cd "$(dirname "$0")/.."
runner=serial/tests/real_drivers/real_drivers.py
if [[ ${1:-} == --bench ]]; then runner=bench/guest_server_load.py; shift; fi
build=$(realpath "${1:-build/default}")
case $(readelf -h "$build/server/quon-server" 2>/dev/null | awk '$1 == "Machine:"') in
  *AArch64*) arch=arm64 qemu=qemu-system-aarch64 name="real drivers arm64" ;;
  *) arch=amd64 qemu=qemu-system-x86_64 name="real drivers" ;;
esac
tools=$(realpath "${2:-$([[ $arch == amd64 ]] && echo "$build" || echo build/default)}")
skip() { echo "$name: not run: $*"; exit 77; }

command -v "$qemu" >/dev/null || skip "$qemu is not installed"
command -v cpio >/dev/null || skip "cpio is not installed"
if [[ $arch == amd64 ]]; then
  [[ -x /bin/busybox ]] && file -L /bin/busybox | grep -q 'statically linked' ||
    skip "no static busybox (busybox-static) for the guest"
fi
for program in "$build"/server/quon-server "$build"/serial/tests/port-probe \
               "$tools"/tools/quon_calc/quon-calc "$tools"/tools/nullmodem/nullmodem; do
  [[ -x $program ]] || { echo "$name: $program is not built" >&2; exit 1; }
done

data=$build/guest/data
PYTHONPATH=serial/tests/real_drivers python3 -c \
  'import sys, guest_machine; guest_machine.write_test_files(sys.argv[1])' "$data"
status=0
scripts/make-guest.sh --arch "$arch" "$build" "$data" 2>"$build/guest-make.log" || status=$?
if ((status == 77)); then skip "$(tail -n 1 "$build/guest-make.log")"; fi
if ((status != 0)); then cat "$build/guest-make.log" >&2; exit 1; fi
exec python3 "$runner" "$arch" "$build" "$tools" "$data"
