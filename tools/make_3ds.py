#!/usr/bin/env python3
"""Writes a large, valid 3DS model for the model-loading benchmark.

The model is a rolling terrain cut into square patches (a 3DS mesh counts its
vertices and faces in 16 bits, so a big surface needs several meshes). Patches
alternate between a textured material, whose meshes carry one texture
coordinate per vertex, and a plain coloured one without coordinates. Every
face list carries a material group naming all its faces and a smoothing group
per face, as modelling programs write them, and the file ends with a small
keyframer section.

    make_3ds.py --triangles 131072 terrain.3ds
"""

import argparse
import math
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from three_ds import chunk, cstr, material  # noqa: E402

# Quads per patch side at most: 2 * 128 * 128 triangles and 129 * 129
# vertices fit the 16-bit counts.
MAX_SIDE = 128


def height(x, y):
    return (3.0 * math.sin(x * 0.05) * math.cos(y * 0.07) + 1.5 * math.sin((x + y) * 0.13) +
            0.5 * math.cos(x * 0.31 - y * 0.23))


def patch(name, origin_x, origin_y, width, depth, material_name, textured, total_width,
          total_depth):
    """One patch of width x depth quads, two triangles each, Z up as 3DS has it."""
    columns = width + 1
    vertices = bytearray(struct.pack("<H", columns * (depth + 1)))
    coords = bytearray(struct.pack("<H", columns * (depth + 1)))
    for j in range(depth + 1):
        for i in range(columns):
            x, y = float(origin_x + i), float(origin_y + j)
            vertices += struct.pack("<3f", x, y, height(x, y))
            coords += struct.pack("<2f", x / total_width, y / total_depth)
    count = 2 * width * depth
    faces = bytearray(struct.pack("<H", count))
    for j in range(depth):
        for i in range(width):
            a = j * columns + i
            b, c, d = a + 1, a + columns + 1, a + columns
            faces += struct.pack("<4H", a, b, c, 7)  # counter-clockwise from above
            faces += struct.pack("<4H", a, c, d, 7)
    group = cstr(material_name) + struct.pack("<H", count) + struct.pack(
        "<%dH" % count, *range(count))
    smoothing = struct.pack("<%dI" % count, *([1] * count))
    mesh_parts = [chunk(0x4110, bytes(vertices)),
                  chunk(0x4120, bytes(faces), chunk(0x4130, group), chunk(0x4150, smoothing))]
    if textured:
        mesh_parts.append(chunk(0x4140, bytes(coords)))
    identity = struct.pack("<12f", 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0)
    mesh_parts.append(chunk(0x4160, identity))
    return chunk(0x4000, cstr(name), chunk(0x4100, *mesh_parts)), count


def model(triangles):
    """A square-ish terrain of at least `triangles` triangles, in patches."""
    quads = max(1, (triangles + 1) // 2)
    per_patch = MAX_SIDE * MAX_SIDE
    patches = max(1, -(-quads // per_patch))
    # Patches in a row of `across` columns; each as square as the count allows.
    across = max(1, int(math.ceil(math.sqrt(patches))))
    side = min(MAX_SIDE, max(1, int(math.ceil(math.sqrt(quads / patches)))))
    depth = max(1, -(-quads // (patches * side)))
    rows = -(-patches // across)
    objects = []
    total = 0
    for index in range(patches):
        column, row = index % across, index // across
        textured = index % 2 == 0
        data, count = patch("patch%02d" % index, column * side, row * depth, side, depth,
                            "Ground" if textured else "Rock", textured, across * side,
                            rows * depth)
        objects.append(data)
        total += count
    editor = chunk(0x3D3D,
                   chunk(0x3D3E, struct.pack("<I", 3)),
                   chunk(0x0100, struct.pack("<f", 1.0)),
                   material("Ground", (120, 160, 90), "ground.tga", specular=(255, 255, 255)),
                   material("Rock", (128, 120, 110), specular=(255, 255, 255)),
                   *objects)
    keyframer = chunk(0xB000, chunk(0xB00A, struct.pack("<H", 5), cstr("MAXSCENE"),
                                    struct.pack("<I", 100)))
    return chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)), editor, keyframer), total, patches


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output")
    parser.add_argument("--triangles", type=int, default=131072,
                        help="at least this many triangles (default 131072)")
    args = parser.parse_args()
    data, total, patches = model(args.triangles)
    with open(args.output, "wb") as out:
        out.write(data)
    print("%s: %d triangles in %d meshes, %d bytes" % (args.output, total, patches, len(data)),
          file=sys.stderr)


if __name__ == "__main__":
    main()
