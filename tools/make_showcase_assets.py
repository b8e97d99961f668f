#!/usr/bin/env python3
"""Makes the showcase example's assets under Data/Showcase:

- ground.xml: a 60 x 60 ground plane in the engine's XML model format, a grid
  of quads with vertex colours in two shades of green-grey;
- jeep1.jpg: a camouflage texture for the jeep model (the model's material
  names this file), written as a baseline JPEG with ImageMagick;
- faerie_skin.bmp: a patterned skin for the faerie model.
The two models themselves are copied from the sample corpus (see LICENSES.md).

Run from the repository root: python3 tools/make_showcase_assets.py
Needs ImageMagick's convert (Debian package imagemagick) for the JPEG.
"""
import math
import os
import struct
import subprocess

OUT = os.path.join("Data", "Showcase")


def ground_xml(path, half=30, cells=12):
    step = 2.0 * half / cells
    vertices, faces = [], []
    for row in range(cells + 1):
        for col in range(cells + 1):
            x = -half + col * step
            z = -half + row * step
            shade = 0.45 + 0.08 * ((row + col) % 2)
            vertices.append((x, z, shade))
    for row in range(cells):
        for col in range(cells):
            a = row * (cells + 1) + col
            # Counter-clockwise seen from above, so the normal points up.
            faces.append((a, a + cells + 1, a + cells + 2, a + 1))
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             "<!-- The showcase's ground plane: a grid of quads, no material. -->",
             "<VarnoModelFormat>",
             '  <model name="ground" numsubobjects="1" nummaterials="0">',
             '    <object name="plane" numvertices="%d" numfaces="%d">' % (len(vertices), len(faces)),
             '      <position x="0" y="0" z="0"/>',
             '      <orientation angle="0" x="0" y="1" z="0"/>']
    for x, z, shade in vertices:
        lines.append('      <vertex x="%g" y="0" z="%g" u1="0" u2="0" u3="0" v0="0" v1="0" '
                     'v2="0" v3="0" r="%.3f" g="%.3f" b="%.3f" a="1"/>'
                     % (x, z, shade * 0.9, shade, shade * 0.8))
    for a, b, c, d in faces:
        lines.append('      <face a="%d" b="%d" c="%d" d="%d"/>' % (a, b, c, d))
    lines += ["    </object>", "  </model>", "</VarnoModelFormat>", ""]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def noise(x, y, seed):
    """Smooth value noise from a few summed sines (deterministic)."""
    v = 0.0
    for k in range(1, 5):
        v += math.sin(x * 0.05 * k + seed * 1.7 + math.sin(y * 0.031 * k + seed)) / k
        v += math.sin(y * 0.043 * k - seed * 0.9 + math.sin(x * 0.027 * k)) / k
    return v


def camouflage(x, y):
    palette = [(74, 83, 52), (105, 107, 70), (58, 52, 38), (134, 124, 90)]
    level = noise(x, y, 1.0) + 0.6 * noise(y, x, 4.0)
    index = 0 if level < -0.8 else 1 if level < 0.3 else 2 if level < 1.2 else 3
    return palette[index]


def skin(x, y):
    # A soft violet dress pattern with lighter stripes.
    stripe = 0.5 + 0.5 * math.sin((x + y) * 0.25)
    n = 0.5 + 0.25 * noise(x * 2, y * 2, 7.0)
    return (int(150 + 60 * stripe * n), int(110 + 40 * n), int(190 + 50 * stripe))


def write_ppm(path, size, colour):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (size, size))
        for y in range(size):
            f.write(bytes(c for x in range(size) for c in colour(x, y)))


def write_bmp(path, size, colour):
    row_bytes = (size * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray()
        for x in range(size):
            r, g, b = colour(x, y)
            row += bytes((b, g, r))
        pixels += row + bytes(row_bytes - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def main():
    os.makedirs(OUT, exist_ok=True)
    ground_xml(os.path.join(OUT, "ground.xml"))
    ppm = os.path.join(OUT, "jeep1.ppm")
    write_ppm(ppm, 256, camouflage)
    convert = "/usr/bin/convert" if os.path.exists("/usr/bin/convert-im6.q16") else "convert"
    subprocess.run([convert, ppm, "-quality", "88", "-sampling-factor", "2x2",
                    os.path.join(OUT, "jeep1.jpg")], check=True)
    os.remove(ppm)
    write_bmp(os.path.join(OUT, "faerie_skin.bmp"), 128, skin)
    print("wrote", OUT)


if __name__ == "__main__":
    main()
