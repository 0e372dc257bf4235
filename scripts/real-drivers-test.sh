#!/usr/bin/env bash
# The real-driver suite (docs/real-drivers.md): Quon in a virtual PC on the kernel's own 16550
# and USB serial drivers, the adapter pulled and plugged back. Takes the build folder whose
# programs it tests (default build/default); ends with "real drivers: N passed, N failed", or
# one line "real drivers: skipped: WHY" where the machine cannot be made or booted.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/default}")
skip() { echo "real drivers: skipped: $*"; exit 0; }

command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed"
command -v cpio >/dev/null || skip "cpio is not installed"
[[ -x /bin/busybox ]] && file -L /bin/busybox | grep -q 'statically linked' ||
  skip "no static busybox (busybox-static) for the guest"
for program in server/quon-server serial/tests/port-probe tools/quon_calc/quon-calc \
               tools/nullmodem/nullmodem; do
  [[ -x $build/$program ]] || { echo "real drivers: $build/$program is not built" >&2; exit 1; }
done

data=$build/guest/data
PYTHONPATH=serial/tests/real_drivers python3 -c \
  'import sys, guest_machine; guest_machine.write_test_files(sys.argv[1])' "$data"
status=0
scripts/make-guest.sh "$build" "$data" 2>"$build/guest-make.log" || status=$?
if ((status == 3)); then skip "$(tail -n 1 "$build/guest-make.log")"; fi
if ((status != 0)); then cat "$build/guest-make.log" >&2; exit 1; fi
exec python3 serial/tests/real_drivers/real_drivers.py "$build" "$data"
