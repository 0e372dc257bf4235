#!/usr/bin/env bash
# Sets up, builds, and shows what works so far: a sample ROM package unpacked into a fresh
# folder by the real unpacker, and a package that tries to write outside it refused.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default

unpack=$PWD/build/default/app/quon-unpack
demo=$(mktemp -d /tmp/quon-demo-XXXXXX)
cd "$demo"

# A package: "ZKROM", member count, then per member a name length, the name, a 32-bit
# little-endian data length and the data.
python3 - <<'PY'
import struct
def member(name, data):
    return bytes([len(name)]) + name + struct.pack('<I', len(data)) + data
members = [(b'orvo1.obj', bytes(range(256)) * 4), (b'readme.txt', b'Unpacked by Quon.\n'),
           (b'empty.bin', b'')]
with open('sample.rom', 'wb') as f:
    f.write(b'ZKROM' + bytes([len(members)]) + b''.join(member(n, d) for n, d in members))
with open('escape.rom', 'wb') as f:
    f.write(b'ZKROM\x02' + member(b'inside.txt', b'kept\n') + member(b'../outside.txt', b'no\n'))
PY

echo
echo "== sample.rom ($(stat -c %s sample.rom) bytes) unpacked into a fresh folder $demo/out"
mkdir out && cd out
"$unpack" ../sample.rom
ls -l
cat readme.txt

echo
echo "== escape.rom: its second member is named ../outside.txt"
mkdir ../out2 && cd ../out2
if "$unpack" ../escape.rom; then echo "unexpected success"; exit 1; fi
ls -l
test ! -e ../outside.txt && echo "../outside.txt was not written"
