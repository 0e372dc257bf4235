#!/usr/bin/env bash
# The systemd guest suite (docs/systemd-guest.md): the Debian package installed by apt in a
# Debian system booted with systemd, its units run as the README says, on the kernel's own
# serial drivers. Takes the build folder, already built (default build/default), and the folder
# that holds the quon-server package to install (made from that build when not given); ends
# with "systemd guest: N passed, N failed", or one line "systemd guest: not run: WHY" and exit
# status 77 where the machine cannot make or boot the guest.
#
# The guest's disk image is kept in BUILD/systemd-guest/ and made again when what goes into it
# changes: the Debian system (scripts/debian-system.sh), the package's files, the suite's own.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/default}")
debs=${2:-}
skip() { echo "systemd guest: not run: $*"; exit 77; }

command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed"
command -v socat >/dev/null || skip "socat is not installed"
((EUID == 0)) || skip "making the guest's system needs root"
for program in tools/quon_calc/quon-calc tools/nullmodem/nullmodem; do
  [[ -x $build/$program ]] || { echo "systemd guest: $build/$program is not built" >&2; exit 1; }
done

guest=$build/systemd-guest
files=$guest/files
rm -rf "$files"
mkdir -p "$files/debs"
if [[ -z $debs ]]; then
  debs=$guest/cpack
  cpack --config "$build/CPackConfig.cmake" -B "$debs" >"$guest/cpack.log" 2>&1 ||
    { cat "$guest/cpack.log" >&2; exit 1; }
fi
cp "$debs"/quon-server_*.deb "$files/debs/"
rm -rf "$guest/cpack"
cp packaging/tests/{guest-shell,quon-guest-shell.service,sandbox-probe} "$files/"
PYTHONPATH=serial/tests/real_drivers python3 -c \
  'import sys, guest_machine; guest_machine.write_test_files(sys.argv[1])' "$guest/data"
cp -r "$guest/data" "$files/data"

status=0
packages=systemd-sysv,udev,linux-image-amd64,dbus,kmod,libpam-systemd,dbus-user-session
root=$(scripts/debian-system.sh --include "$packages" systemd-guest 2>"$guest/system.log") ||
  status=$?
if ((status == 77)); then skip "$(tail -n 1 "$guest/system.log")"; fi
if ((status != 0)); then cat "$guest/system.log" >&2; exit 1; fi

# The image's key: the system, and the contents (not the dates) of everything copied into it.
key=$( {
  echo "$root"
  cat "$0"
  for deb in "$files"/debs/*.deb; do
    dpkg-deb --ctrl-tarfile "$deb" | tar -xO
    dpkg-deb --fsys-tarfile "$deb" | tar -xO
  done
  cat "$files"/guest-shell "$files"/*.service "$files"/sandbox-probe
} | sha256sum | cut -c1-16)
if [[ ! -f $guest/guest.img || $(cat "$guest/image.key" 2>/dev/null) != "$key" ]]; then
  rm -f "$guest/guest.img" "$guest/image.key"
  # The package as a user installs it, the board's system unit enabled as the README says; the
  # suite's shell on ttyS2; a user to linger (with the session bus that desktops have). The timers that would only load the machine go.
  scripts/in-system.sh "$root" --bind "$files:/quon" --image "$guest/guest.img.new" -- sh -ec '
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y -q --no-install-recommends /quon/debs/quon-server_*.deb >/dev/null
    systemctl enable quon-server@calc.service
    install -D -m 755 /quon/guest-shell /usr/local/sbin/quon-guest-shell
    install -m 644 /quon/quon-guest-shell.service /etc/systemd/system/
    systemctl enable quon-guest-shell.service
    install -D -m 644 -t /usr/local/share/quon-tests /quon/data/*
    install -m 755 /quon/sandbox-probe /usr/local/share/quon-tests/
    useradd --create-home --groups dialout calc
    echo quon-guest >/etc/hostname
    systemctl mask apt-daily.timer apt-daily-upgrade.timer man-db.timer e2scrub_all.timer \
      fstrim.timer dpkg-db-backup.timer >/dev/null 2>&1' >"$guest/image.log" 2>&1 ||
    { cat "$guest/image.log" >&2; exit 1; }
  mv "$guest/guest.img.new" "$guest/guest.img"
  echo "$key" >"$guest/image.key"
fi
cp "$(ls "$root"/boot/vmlinuz-* | sort -V | tail -n 1)" "$guest/vmlinuz"
cp "$(ls "$root"/boot/initrd.img-* | sort -V | tail -n 1)" "$guest/initrd.img"
exec python3 packaging/tests/systemd_guest.py "$build" "$guest"
