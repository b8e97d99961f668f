#!/usr/bin/env bash
# Writes the BMP, PCX and DDS files the decoder tests compare with
# ImageMagick's own decode: the forms ImageMagick writes, from two small
# pictures made here. Run once; the files are committed, so the tests do not
# change with the writer's version.
#
#   usage: tests/data/images/make.sh    (ImageMagick 6 and python3)
set -euo pipefail
cd "$(dirname "$0")"
convert=${CONVERT:-/usr/bin/convert}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# picture.pam: 13x7 RGBA (an odd width, every alpha from 0 to 255 somewhere);
# wide.ppm: 257x3 RGB with few colours, for run-length rows of an odd width.
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
w, h = 13, 7
rgba = bytearray()
for y in range(h):
    for x in range(w):
        rgba += bytes([x * 20 % 256, y * 42 % 256, (x * y * 7 + 50) % 256,
                       (0, 255, 17 * (x % 16), 128)[(x + y) % 4]])
with open(f"{work}/picture.pam", "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (w, h))
    f.write(rgba)
w, h = 257, 3
rgb = bytearray()
for y in range(h):
    for x in range(w):
        rgb += bytes([(x // 16) * 15, y * 100, 255 - (x // 32) * 31])
with open(f"{work}/wide.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (w, h) + rgb)

# ImageMagick's DXT1 writer never uses the blocks with three colours and
# transparent black (first colour not above the second): an 8x4 file with one
# of those and one four-colour block, every index in each row.
import struct
header = bytearray(128)
header[0:4] = b"DDS "
struct.pack_into("<IIIII", header, 4, 124, 0x81007, 4, 8, 16)
struct.pack_into("<II", header, 76, 32, 0x4)
header[84:88] = b"DXT1"
struct.pack_into("<I", header, 108, 0x1000)
indices = sum((i % 4) << (2 * i) for i in range(16))
blocks = struct.pack("<HHI", 0x001F, 0xF800, indices) + struct.pack("<HHI", 0xF800, 0x07E0, indices)
with open(f"{work}/dxt1-transparent.dds", "wb") as f:
    f.write(bytes(header) + blocks)
PY
pam=$work/picture.pam
rgb=$work/picture.ppm
wide=$work/wide.ppm
"$convert" "$pam" -alpha off "$rgb"

mkdir -p bmp pcx dds
rm -f bmp/* pcx/* dds/*
im() { "$convert" "$@"; }

# BMP: the V5 header (BMP), the 40-byte one (BMP3), the OS/2 one (BMP2).
# ImageMagick run-length encodes 8-bit BMP3 files unless told not to.
im "$rgb" BMP:bmp/rgb24-v5.bmp
im "$rgb" BMP3:bmp/rgb24-bmp3.bmp
im "$rgb" BMP2:bmp/rgb24-bmp2.bmp
im "$pam" BMP:bmp/rgba32-v5-bitfields.bmp
im "$pam" -define bmp3:alpha=true BMP3:bmp/rgba32-bmp3-alpha-byte.bmp
im "$pam" -channel A -evaluate set 0 +channel BMP:bmp/rgba32-v5-alpha-all-zero.bmp
im "$rgb" -define bmp:subtype=RGB565 BMP:bmp/rgb565-v5.bmp
im "$rgb" -define bmp:subtype=RGB555 BMP:bmp/rgb555-v5.bmp
im "$pam" -define bmp:subtype=ARGB4444 BMP:bmp/argb4444-v5.bmp
im "$pam" -define bmp:subtype=ARGB1555 BMP:bmp/argb1555-v5.bmp
im "$rgb" -colors 2 BMP3:bmp/pal1-bmp3.bmp
im "$rgb" -colors 16 BMP3:bmp/pal4-bmp3.bmp
im "$rgb" -colors 16 BMP:bmp/pal4-v5.bmp
im "$rgb" -colors 200 -compress None BMP3:bmp/pal8-bmp3.bmp
im "$rgb" -colors 200 BMP2:bmp/pal8-bmp2.bmp
im "$rgb" -colors 200 -compress RLE BMP3:bmp/rle8-bmp3.bmp
im "$rgb" -colors 16 -compress RLE BMP:bmp/rle8-v5.bmp
im "$wide" -type Palette -compress RLE BMP3:bmp/rle8-wide257.bmp

# PCX: run-length encoded (the default) and stored (-compress None).
im "$rgb" PCX:pcx/rgb24-rle.pcx
im "$rgb" -compress None PCX:pcx/rgb24-stored.pcx
im "$rgb" -colors 200 PCX:pcx/pal8-rle.pcx
im "$rgb" -colors 200 -compress None PCX:pcx/pal8-stored.pcx
im "$wide" -compress None PCX:pcx/wide257-stored.pcx

# DDS: DXT1 with and without alpha, DXT5; ImageMagick 6 writes DXT5 when
# asked for DXT3. The 16x16 pictures carry their mipmaps.
im "$pam" -define dds:compression=dxt1 DDS:dds/dxt1-alpha.dds
im "$rgb" -define dds:compression=dxt1 DDS:dds/dxt1-opaque.dds
im "$pam" -define dds:compression=dxt5 DDS:dds/dxt5.dds
im "$pam" -resize 16x16! -define dds:compression=dxt1 DDS:dds/dxt1-mipmaps16.dds
im "$pam" -resize 16x16! -define dds:compression=dxt5 DDS:dds/dxt5-mipmaps16.dds
cp "$work/dxt1-transparent.dds" dds/
