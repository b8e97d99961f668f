#!/usr/bin/env python3
"""Writes small seeds for the fuzzers into fuzz/seeds/.

Most sample files are tens or hundreds of kilobytes, and the fuzzers skip
inputs that large, so each also starts from a few files of some hundred bytes
that still take every path of its reader: a 3DS file whose editor data opens
with a material instead of the mesh version chunk, an MD2 file of two
animations with a skin name, and TGA files as ImageMagick writes them
(uncompressed and run-length encoded, 24 and 32 bits, each row order).
Run once (needs ImageMagick's convert); the files are committed.
"""

import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(chunk_id, body):
    return struct.pack("<HI", chunk_id, len(body) + 6) + body


def cstr(text):
    return text.encode() + b"\0"


def floats(*values):
    return b"".join(struct.pack("<f", v) for v in values)


def three_ds(mesh_version):
    material = chunk(0xAFFF,
                     chunk(0xA000, cstr("wood")) +
                     chunk(0xA020, chunk(0x0011, bytes([200, 120, 40]))) +
                     chunk(0xA200, chunk(0xA300, cstr("wood.tga"))))
    vertices = chunk(0x4110, struct.pack("<H", 4) + floats(0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 1))
    faces = chunk(0x4120, struct.pack("<H", 2) + struct.pack("<4H", 0, 1, 2, 7) +
                  struct.pack("<4H", 0, 2, 3, 7) +
                  chunk(0x4130, cstr("wood") + struct.pack("<3H", 2, 0, 1)))
    uvs = chunk(0x4140, struct.pack("<H", 4) + floats(0, 0, 1, 0, 1, 1, 0, 1))
    mesh = chunk(0x4000, cstr("quad") + chunk(0x4100, vertices + faces + uvs))
    version = chunk(0x3D3E, struct.pack("<I", 3)) if mesh_version else b""
    editor = chunk(0x3D3D, version + material + chunk(0x0100, floats(1)) + mesh)
    keyframer = chunk(0xB000, chunk(0xB00A, b"\0" * 8))
    return chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)) + editor + keyframer)


def md2():
    vertices, triangles = 4, 2
    skins = b"skin.pcx".ljust(64, b"\0")
    coords = struct.pack("<8h", 0, 0, 64, 0, 64, 64, 0, 64)
    tris = struct.pack("<6h", 0, 1, 2, 0, 1, 2) + struct.pack("<6h", 0, 2, 3, 0, 2, 3)
    frame_size = 40 + 4 * vertices
    frames = b""
    for index, name in enumerate(["run1", "run2", "jump1", "jump2"]):
        packed = bytes([0, 0, 0, 0, 10 + index, 0, 0, 0, 10, 10, 5, 0, 0, 10, 5, 0])
        frames += floats(0.5, 0.5, 0.5) + floats(-1, -1, 0) + name.encode().ljust(16, b"\0")
        frames += packed
    skin_offset = 68
    coord_offset = skin_offset + len(skins)
    tri_offset = coord_offset + len(coords)
    frame_offset = tri_offset + len(tris)
    end = frame_offset + len(frames)
    header = struct.pack("<17i", 0x32504449, 8, 64, 64, frame_size, 1, vertices, 4, triangles,
                         0, 4, skin_offset, coord_offset, tri_offset, frame_offset, end, end)
    return header + skins + coords + tris + frames


def write(folder, name, data):
    os.makedirs(os.path.join(HERE, folder), exist_ok=True)
    with open(os.path.join(HERE, folder, name), "wb") as f:
        f.write(data)


def tga_seeds():
    width, height = 13, 7
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            pixels += bytes([x * 19, y * 36, (x + y) % 3 * 120, (0, 90, 255)[(x * y) % 3]])
    with tempfile.TemporaryDirectory() as work:
        picture = os.path.join(work, "picture.pam")
        with open(picture, "wb") as f:
            f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
                    % (width, height) + pixels)
        os.makedirs(os.path.join(HERE, "tga"), exist_ok=True)
        forms = {
            "rgb24-raw.tga": ["-alpha", "off"],
            "rgb24-rle.tga": ["-alpha", "off", "-compress", "RLE"],
            "rgba32-rle-top-left.tga": ["-orient", "TopLeft", "-compress", "RLE"],
            "rgba32-raw-top-right.tga": ["-orient", "TopRight"],
        }
        for name, options in forms.items():
            subprocess.run(["/usr/bin/convert", picture] + options +
                           ["TGA:" + os.path.join(HERE, "tga", name)], check=True)


write("3ds", "material-first.3ds", three_ds(mesh_version=False))
write("3ds", "mesh-version.3ds", three_ds(mesh_version=True))
write("md2", "two-animations.md2", md2())
tga_seeds()
