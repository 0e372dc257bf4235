#!/usr/bin/env bash
# Makes the virtual PC of the real-driver tests (docs/real-drivers.md) from Debian packages:
# Debian's own kernel (fetched with apt-get download, never installed here) and a busybox
# initramfs with the USB serial modules, Quon's programs and their shared libraries, and
# serial/tests/real_drivers/guest-init as /init. The kernel is kept in BUILD/guest/kernel/ and fetched
# only when Debian's current one changes; the initramfs is made afresh (it takes a moment).
#   scripts/make-guest.sh BUILD [DATA]  -> BUILD/guest/vmlinuz, BUILD/guest/initrd.gz
# with the files of the folder DATA, if given, in the guest's /data.
# Exit status 3 with one line on standard error when no kernel package can be had.
set -euo pipefail
build=$(realpath "${1:?usage: make-guest.sh BUILD-FOLDER [DATA-FOLDER]}")
data=${2:-}
source_dir=$(realpath "$(dirname "$0")/..")
guest=$build/guest
mkdir -p "$guest/kernel"

modules=(usb/common/usb-common usb/core/usbcore usb/host/xhci-hcd usb/host/xhci-pci
         usb/serial/usbserial usb/serial/ftdi_sio)
programs=("$build/server/quon-server" "$build/serial/tests/port-probe")

# The kernel that Debian's metapackage stands for now (the package lists are fetched first
# where the machine has none); without an answer, the one fetched last.
current_kernel() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ { print $2; exit }'
}
package=$(current_kernel) || true
if [[ -z $package ]]; then
  apt-get update -qq >/dev/null 2>&1 || true
  package=$(current_kernel) || true
fi
if [[ -z $package ]]; then
  package=$(ls -1 "$guest/kernel" 2>/dev/null | sort -V | tail -n 1)
fi
if [[ -z $package ]]; then
  echo "no guest kernel: apt-cache knows no linux-image-amd64 and none was fetched before" >&2
  exit 3
fi
kernel=$guest/kernel/$package
if [[ ! -f $kernel/done ]]; then
  rm -rf "$kernel" && mkdir -p "$kernel"
  fetch=$(mktemp -d)
  chmod 755 "$fetch"
  if ! (cd "$fetch" && apt-get download -q "$package" >/dev/null 2>&1); then
    rm -rf "$fetch" "$kernel"
    echo "no guest kernel: apt-get download $package failed" >&2
    exit 3
  fi
  members=(./boot/vmlinuz-*)
  for m in "${modules[@]}"; do members+=("./lib/modules/*/kernel/drivers/$m.ko"); done
  dpkg-deb --fsys-tarfile "$fetch"/*.deb | tar -x -C "$kernel" --wildcards "${members[@]}"
  rm -rf "$fetch"
  touch "$kernel/done"
fi

root=$guest/root
rm -rf "$root"
mkdir -p "$root"/{bin,proc,sys,dev,tmp,lib/modules}
cp /bin/busybox "$root/bin/busybox"
for m in "${modules[@]}"; do cp "$kernel"/lib/modules/*/kernel/drivers/"$m".ko "$root/lib/modules/"; done
for p in "${programs[@]}"; do
  cp "$p" "$root/bin/"
  # Each shared library at the path the loader looks for it, the loader included.
  for lib in $(ldd "$p" | grep -o '/[^ ]*'); do
    mkdir -p "$root$(dirname "$lib")"
    cp -L "$lib" "$root$lib"
  done
done
[[ -n $data ]] && cp -r "$data" "$root/data"
install -m 755 "$source_dir/serial/tests/real_drivers/guest-init" "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$guest/initrd.gz.new"
mv "$guest/initrd.gz.new" "$guest/initrd.gz"
cp "$kernel"/boot/vmlinuz-* "$guest/vmlinuz"
echo "$package" >"$guest/kernel-package"
