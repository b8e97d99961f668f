"""Pictures for the demonstration's models: noise that tiles, and writers for
the image formats the engine decodes itself (baseline JPEG through
ImageMagick's /usr/bin/convert, 24-bit and 8-bit run-length BMP, 8-bit PCX).
Used by tools/make_demo_models.py; Python 3 standard library only.
"""

import math
import os
import random
import struct
import subprocess
import tempfile

CONVERT = "/usr/bin/convert"


# ---------------------------------------------------------------------------
# Noise that tiles: value noise on a lattice that wraps round the picture.


class TileNoise:
    def __init__(self, seed, period):
        rnd = random.Random(seed)
        self.period = period
        self.values = [[rnd.random() for _ in range(period)] for _ in range(period)]

    def at(self, x, y):
        """x, y in lattice cells (a picture spans `period` cells)."""
        xi, yi = math.floor(x), math.floor(y)
        fx, fy = x - xi, y - yi
        fx = fx * fx * (3 - 2 * fx)
        fy = fy * fy * (3 - 2 * fy)
        p = self.period
        row0, row1 = self.values[yi % p], self.values[(yi + 1) % p]
        a, b = row0[xi % p], row0[(xi + 1) % p]
        c, d = row1[xi % p], row1[(xi + 1) % p]
        top = a + (b - a) * fx
        return top + (c + (d - c) * fx - top) * fy


class Fractal:
    """Octaves of tiling noise over a picture `size` pixels square, 0 .. 1."""

    def __init__(self, seed, size, periods, gain=0.5):
        self.size = size
        self.octaves = [TileNoise(seed * 31 + i, p) for i, p in enumerate(periods)]
        self.gain = gain

    def at(self, x, y):
        total, amp, norm = 0.0, 1.0, 0.0
        for n in self.octaves:
            total += amp * n.at(x * n.period / self.size, y * n.period / self.size)
            norm += amp
            amp *= self.gain
        return total / norm


def clamp8(v):
    return 0 if v < 0 else 255 if v > 255 else int(v + 0.5)


def shade(rgb, k):
    return (clamp8(rgb[0] * k), clamp8(rgb[1] * k), clamp8(rgb[2] * k))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def picture(width, height, fn):
    return [[tuple(clamp8(c) for c in fn(x, y)) for x in range(width)] for y in range(height)]


# ---------------------------------------------------------------------------
# Writers


def write_jpeg(path, rows, quality=90):
    height, width = len(rows), len(rows[0])
    with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as tmp:
        tmp.write(b"P6\n%d %d\n255\n" % (width, height))
        for row in rows:
            tmp.write(bytes(c for px in row for c in px))
        name = tmp.name
    try:
        subprocess.run([CONVERT, name, "-quality", str(quality), "-interlace", "none",
                        "-sampling-factor", "2x2", "-strip", path], check=True)
    finally:
        os.remove(name)


def _bmp_headers(width, height, bits, data_size, palette_entries, compression):
    offset = 14 + 40 + 4 * palette_entries
    header = struct.pack("<2sIHHI", b"BM", offset + data_size, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, data_size,
                       2835, 2835, palette_entries, 0)
    return header + info


def write_bmp24(path, rows):
    height, width = len(rows), len(rows[0])
    pad = bytes((4 - width * 3 % 4) % 4)
    data = bytearray()
    for row in reversed(rows):  # bottom row first
        for r, g, b in row:
            data += bytes((b, g, r))
        data += pad
    with open(path, "wb") as f:
        f.write(_bmp_headers(width, height, 24, len(data), 0, 0) + data)


def _palette_of(rows, limit=256):
    colours = sorted({px for row in rows for px in row})
    if len(colours) > limit:
        raise ValueError("picture has %d colours, more than a palette holds" % len(colours))
    return colours, {c: i for i, c in enumerate(colours)}


def write_bmp_rle8(path, rows):
    """8-bit BMP, run-length encoded; the picture must use at most 256 colours."""
    height, width = len(rows), len(rows[0])
    colours, index = _palette_of(rows)
    data = bytearray()
    for row in reversed(rows):
        line = [index[px] for px in row]
        x = 0
        while x < width:
            run = 1
            while x + run < width and run < 255 and line[x + run] == line[x]:
                run += 1
            if run >= 3 or width - x < 3:
                data += bytes((run, line[x]))
                x += run
                continue
            # Literal stretch: up to the next run of three, at least three long.
            end = x
            while end < width and end - x < 255:
                if end + 2 < width and line[end] == line[end + 1] == line[end + 2]:
                    break
                end += 1
            count = end - x
            if count < 3:
                for i in range(count):
                    data += bytes((1, line[x + i]))
            else:
                data += bytes((0, count)) + bytes(line[x:end])
                if count % 2:
                    data += b"\0"  # literal runs end on a 16-bit boundary
            x = end
        data += b"\0\0"  # end of line
    data[-2:] = b"\0\1"  # the last end of line becomes the end of the bitmap
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    palette += bytes(4 * (256 - len(colours)))
    with open(path, "wb") as f:
        f.write(_bmp_headers(width, height, 8, len(data), 256, 1) + palette + data)


def write_pcx8(path, rows):
    """8-bit PCX, one plane, run-length encoded, 256-colour palette at the end."""
    height, width = len(rows), len(rows[0])
    colours, index = _palette_of(rows)
    line_bytes = width + (width % 2)
    header = struct.pack("<BBBBHHHHHH", 10, 5, 1, 8, 0, 0, width - 1, height - 1, 72, 72)
    header += bytes(48) + struct.pack("<BBHH", 0, 1, line_bytes, 1) + bytes(58)
    data = bytearray()
    for row in rows:  # top row first
        line = [index[px] for px in row] + [0] * (line_bytes - width)
        x = 0
        while x < line_bytes:
            run = 1
            while x + run < line_bytes and run < 63 and line[x + run] == line[x]:
                run += 1
            if run > 1 or line[x] >= 0xC0:
                data += bytes((0xC0 | run, line[x]))
            else:
                data.append(line[x])
            x += run
    palette = b"".join(bytes(c) for c in colours) + bytes(3 * (256 - len(colours)))
    with open(path, "wb") as f:
        f.write(header + data + b"\x0c" + palette)
