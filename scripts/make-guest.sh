#!/usr/bin/env bash
# Makes the virtual machine of the real-driver tests (docs/real-drivers.md) from Debian packages:
# Debian's own kernel of the architecture (fetched with apt-get download, never installed here)
# and a busybox initramfs with the modules the suite needs, Quon's programs and their shared
# libraries, and serial/tests/real_drivers/guest-init as /init. The kernel is kept in
# BUILD/guest/kernel/ and fetched only when Debian's current one changes; the initramfs is made
# afresh (it takes a moment).
#   scripts/make-guest.sh [--arch amd64|arm64] BUILD [DATA]
#     -> BUILD/guest/vmlinuz, BUILD/guest/initrd.gz
# with the files of the folder DATA, if given, in the guest's /data. BUILD's programs must be of
# the architecture (amd64 unless told). Exit status 77 with one line on standard error when a
# package the guest needs cannot be had.
set -euo pipefail
arch=amd64
if [[ ${1:-} == --arch ]]; then arch=${2:?}; shift 2; fi
build=$(realpath "${1:?usage: make-guest.sh [--arch ARCH] BUILD-FOLDER [DATA-FOLDER]}")
data=${2:-}
source_dir=$(realpath "$(dirname "$0")/..")
guest=$build/guest
mkdir -p "$guest/kernel"

usb_modules=(usb/common/usb-common usb/core/usbcore usb/host/xhci-hcd usb/host/xhci-pci
             usb/serial/usbserial usb/serial/ftdi_sio)
case $arch in
  amd64) triplet=x86_64-linux-gnu modules=("${usb_modules[@]}") ;;
  # The board's one PL011 is for Quon: the console is a virtio console (hvc0), its modules first.
  arm64) triplet=aarch64-linux-gnu
         modules=(virtio/virtio_mmio char/virtio_console "${usb_modules[@]}") ;;
  *) echo "make-guest.sh: no guest for the architecture $arch" >&2; exit 2 ;;
esac
programs=("$build/server/quon-server" "$build/serial/tests/port-probe")

# The package that Debian's metapackage stands for now (the package lists are fetched first where
# the machine has none), without its architecture.
current_package() {
  apt-cache depends "$1:$arch" 2>/dev/null |
    awk -v want="^$2" '$1 == "Depends:" && $2 ~ want { sub(/:.*/, "", $2); print $2; exit }'
}
package=$(current_package linux-image-$arch 'linux-image-[0-9]') || true
if [[ -z $package ]]; then
  apt-get update -qq >/dev/null 2>&1 || true
  package=$(current_package linux-image-$arch 'linux-image-[0-9]') || true
fi
if [[ -z $package ]]; then
  package=$(ls -1 "$guest/kernel" 2>/dev/null | sort -V | tail -n 1)
fi
if [[ -z $package ]]; then
  echo "no guest kernel: apt-cache knows no linux-image-$arch:$arch and none was fetched before" >&2
  exit 77
fi

# Unpacks MEMBERS of the package into FOLDER once; answers non-zero when it cannot be fetched.
fetch() {
  local name=$1 folder=$2 tmp
  shift 2
  [[ -f $folder/done ]] && return 0
  rm -rf "$folder" && mkdir -p "$folder"
  tmp=$(mktemp -d)
  chmod 755 "$tmp"
  if ! (cd "$tmp" && apt-get download -q "$name:$arch" >/dev/null 2>&1); then
    rm -rf "$tmp" "$folder"
    return 1
  fi
  dpkg-deb --fsys-tarfile "$tmp"/*.deb | tar -x -C "$folder" --wildcards "$@"
  rm -rf "$tmp"
  touch "$folder/done"
}
kernel=$guest/kernel/$package
members=(./boot/vmlinuz-*)
for m in "${modules[@]}"; do members+=("./lib/modules/*/kernel/drivers/$m.ko"); done
if ! fetch "$package" "$kernel" "${members[@]}"; then
  echo "no guest kernel: apt-get download $package:$arch failed" >&2
  exit 77
fi

# This machine's own static busybox where it is of the architecture, else Debian's, fetched.
if [[ $arch == $(dpkg --print-architecture) ]]; then
  busybox=/bin/busybox
else
  version=$(apt-cache policy "busybox-static:$arch" 2>/dev/null |
            awk '$1 == "Candidate:" { print $2 }') || true
  if [[ -z $version || $version == "(none)" ]]; then
    version=$(ls -1 "$guest/busybox" 2>/dev/null | sort -V | tail -n 1) || true
  fi
  if [[ -z $version ]]; then
    echo "no busybox for the guest: apt-cache knows no busybox-static:$arch and none was fetched before" >&2
    exit 77
  fi
  if ! fetch busybox-static "$guest/busybox/$version" ./bin/busybox; then
    echo "no busybox for the guest: apt-get download busybox-static:$arch failed" >&2
    exit 77
  fi
  busybox=$guest/busybox/$version/bin/busybox
fi

# Where the shared libraries of the programs are: the architecture's own packages (multiarch),
# which the cross builds' tests run on here, else the cross compiler's.
lib_dirs=("/lib/$triplet" "/usr/lib/$triplet" "/usr/$triplet/lib")
find_library() {
  local dir
  for dir in "${lib_dirs[@]}"; do
    if [[ -e $dir/$1 ]]; then echo "$dir/$1"; return 0; fi
  done
  echo "make-guest.sh: no $1 for $arch in ${lib_dirs[*]}" >&2
  return 1
}
# Each library the program needs, and theirs, in the guest's /lib/TRIPLET; its loader where the
# program looks for it.
copy_libraries() {
  local loader lib path
  loader=$(readelf -l "$1" | sed -n 's/.*Requesting program interpreter: \(.*\)\]/\1/p')
  mkdir -p "$root$(dirname "$loader")" "$root/lib/$triplet"
  cp -L "$(find_library "$(basename "$loader")")" "$root$loader"
  local pending=("$1")
  while ((${#pending[@]})); do
    for lib in $(readelf -d "${pending[0]}" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
      [[ -e $root/lib/$triplet/$lib ]] && continue
      path=$(find_library "$lib")
      cp -L "$path" "$root/lib/$triplet/$lib"
      pending+=("$path")
    done
    pending=("${pending[@]:1}")
  done
}

root=$guest/root
rm -rf "$root"
mkdir -p "$root"/{bin,etc,proc,sys,dev,tmp,lib/modules}
cp "$busybox" "$root/bin/busybox"
for m in "${modules[@]}"; do
  cp "$kernel"/lib/modules/*/kernel/drivers/"$m".ko "$root/lib/modules/"
  basename "$m" >>"$root/etc/modules"
done
for p in "${programs[@]}"; do
  cp "$p" "$root/bin/"
  copy_libraries "$p"
done
[[ -n $data ]] && cp -r "$data" "$root/data"
install -m 755 "$source_dir/serial/tests/real_drivers/guest-init" "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$guest/initrd.gz.new"
mv "$guest/initrd.gz.new" "$guest/initrd.gz"
cp "$kernel"/boot/vmlinuz-* "$guest/vmlinuz"
echo "$package" >"$guest/kernel-package"
