#!/usr/bin/env bash
# Regenerates the crafted files in this folder: images that lie about themselves, for the
# tests of what the decoders refuse. Needs python3 and heif-enc (libheif-examples).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# understated.heic: one 8192 x 8192 HEVC picture of a single colour, whose spatial extent
# ('ispe') is rewritten to say 64 x 64.
python3 - "$tmp/big.png" <<'PY'
import struct, sys, zlib
w = h = 8192
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)
row = b'\x00' + bytes([0x30, 0x70, 0xa0]) * w
z = zlib.compressobj(9)
data = b''.join(z.compress(row) for _ in range(h)) + z.flush()
with open(sys.argv[1], 'wb') as f:
    f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', data) + chunk(b'IEND', b''))
PY
heif-enc -q 10 "$tmp/big.png" -o "$tmp/big.heic" >/dev/null
python3 - "$tmp/big.heic" understated.heic <<'PY'
import struct, sys
d = bytearray(open(sys.argv[1], 'rb').read())
at = d.find(b'ispe')
assert struct.unpack('>III', d[at + 4:at + 16]) == (0, 8192, 8192)
d[at + 8:at + 16] = struct.pack('>II', 64, 64)
open(sys.argv[2], 'wb').write(d)
PY
