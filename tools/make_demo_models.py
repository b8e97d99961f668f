#!/usr/bin/env python3
"""Makes the demonstration's models and their textures under Data/Model:

- crusader.3ds: a knight of the crusades (great helm, white surcoat with a red
  cross over mail, shield with a red cross, sword), about 50 units tall and
  facing +Z, its feet at y = -3.5 (the demo draws it at scale 0.2 lifted 0.7);
- doric_column.3ds: a fluted Doric column on a plinth, from y = -1000 up,
  radius about 150 (the demo draws it at scale 0.01 lifted 10);
- the textures they name, written for three of the engine's decoders:
  baseline JPEG (crusader_mail.jpg, crusader_tabard.jpg, crusader_helm.jpg,
  crusader_steel.jpg), BMP (crusader_leather.bmp 24-bit, crusader_shield.bmp
  8-bit run-length encoded) and PCX (doric_stone.pcx, 8-bit palette).

Everything is generated from the code here: no outside art. Run from the
repository root:

    python3 tools/make_demo_models.py [--only knight|column]

Python 3 standard library only, plus ImageMagick's /usr/bin/convert for the
JPEG files. The output is the same on every run (fixed random seeds). The
mesh helpers and the 3DS writer are in tools/three_ds.py.
"""

import argparse
import math
import os
import random
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from three_ds import (Mesh, add, box, cross, dot, ellipse_ring, ellipsoid,  # noqa: E402
                      frame_from, length, lerp, mirrored_u, mul, norm, sub, summary, write_3ds)

OUT = os.path.join("Data", "Model")
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


# ---------------------------------------------------------------------------
# The knight's measurements (model units, Y up, facing +Z; its right hand is
# on -X). Feet at y = -3.5, top of the helm near y = 47.

SOLE = -3.5

# Surcoat sections from the hem up: height, half width, half depth, centre z.
SURCOAT = [
    (9.0, 7.7, 6.3, 0.3),
    (12.5, 7.2, 5.7, 0.3),
    (16.5, 6.6, 5.0, 0.25),
    (20.5, 6.0, 4.3, 0.2),
    (23.8, 5.4, 3.7, 0.2),
    (26.3, 5.05, 3.45, 0.25),  # waist, under the belt
    (29.0, 5.4, 3.65, 0.35),
    (32.0, 6.0, 3.95, 0.45),
    (34.6, 6.45, 3.95, 0.4),
    (36.5, 6.55, 3.65, 0.3),
    (37.8, 5.8, 3.15, 0.2),
    (38.7, 4.3, 2.75, 0.2),
    (39.4, 2.8, 2.4, 0.2),
]
SURCOAT_TOP, SURCOAT_HEM = 39.4, 9.0
SURCOAT_POWER = 2.3
CHEST_CROSS = (31.0, 33.8)  # the cross arm on the chest, heights
BELT = (25.35, 27.15)

HELM_BOTTOM, HELM_TOP = 38.4, 46.4
HELM_SLIT = (43.0, 43.5)
HELM_VENTS = (39.6, 42.2)
HELM_U = (0.02, 0.98)

# The shield: a heater, flat topped, its sides arcs meeting in a point.
SHIELD_W = 6.3  # half width
SHIELD_STRAIGHT = 5.0  # straight sides below the top
SHIELD_TOP = 7.0  # top edge above the shield's own origin
SHIELD_H = SHIELD_STRAIGHT + math.sqrt(3.0) * SHIELD_W
SHIELD_BULGE = 16.0  # radius of its curve about the vertical
SHIELD_THICK = 0.45
SHIELD_CENTRE = (8.6, 27.5, 6.2)
SHIELD_NORMAL = norm((0.5, 0.0, 0.866))
SHIELD_CROSS_Y = SHIELD_TOP - 5.2  # the cross arm, in the shield's own heights
SHIELD_CROSS_HALF = 1.0
SHIELD_BORDER = 0.45


def shield_half_width(y):
    """Half width of the heater shield at height y (its own coordinates)."""
    shoulder = SHIELD_TOP - SHIELD_STRAIGHT
    if y >= shoulder:
        return SHIELD_W
    dy = min(shoulder - y, math.sqrt(3.0) * SHIELD_W)
    return max(0.0, -SHIELD_W + math.sqrt(4.0 * SHIELD_W * SHIELD_W - dy * dy))


# ---------------------------------------------------------------------------
# Textures


def mail_texture():
    """Chain mail: rows of overlapping rings, every other row shifted."""
    size, spacing, rise, radius, wire = 256, 32, 16, 12.5, 3.6
    grain = Fractal(11, size, [16, 32, 64])

    def colour(x, y):
        best = 0.0
        light = 0.0
        j0 = int(y // rise)
        for j in range(j0 - 1, j0 + 3):
            shift = (j % 2) * spacing / 2
            i0 = int((x - shift) // spacing)
            for i in range(i0 - 1, i0 + 3):
                dx = (x + 0.5 - (i * spacing + shift) + size / 2) % size - size / 2
                dy = (y + 0.5 - j * rise + size / 2) % size - size / 2
                d = math.hypot(dx, dy)
                e = abs(d - radius) / wire
                if e < 1.0:
                    p = 1.0 - e * e
                    # Later rows lie over earlier ones.
                    p += 0.001 * j
                    if p > best:
                        best = p
                        light = -(dx * 0.5 + dy * 0.85) / (d + 1e-6) * (d - radius) / wire
        g = grain.at(x, y)
        if best <= 0.0:
            return shade((58, 56, 54), 0.8 + 0.4 * g)
        k = (0.6 + 0.45 * best ** 0.6) * (0.85 + 0.3 * g) * (1.0 + 0.25 * light)
        return shade((204, 206, 212), k)

    return picture(size, size, colour)


def tabard_texture():
    """The surcoat, mapped mirrored round the body: u = 1 at the middle of the
    front (and 0 at the middle of the back), v = 0 at the neck, 1 at the hem.
    White cloth with a red cross front and back, folds in the skirt, red
    bands at neck and hem."""
    size = 256
    cloth = Fractal(21, size, [8, 16, 32, 64, 128], 0.55)
    fold = Fractal(22, size, [4, 8], 0.5)
    white, red = (240, 236, 226), (172, 22, 28)
    span = SURCOAT_TOP - SURCOAT_HEM
    arm_v = [(SURCOAT_TOP - y) / span for y in reversed(CHEST_CROSS)]
    waist_v = (SURCOAT_TOP - 24.0) / span

    def colour(x, y):
        u, v = (x + 0.5) / size, (y + 0.5) / size
        bar = u < 0.075 or u > 0.925
        arm = arm_v[0] <= v <= arm_v[1] and (u < 0.33 or u > 0.67)
        base = red if (bar or arm or v < 0.018 or 0.962 < v < 0.985) else white
        k = 0.9 + 0.12 * cloth.at(x, y) + 0.03 * math.sin(x * 2.1) * math.sin(y * 2.3)
        if v > waist_v:
            depth = min(1.0, (v - waist_v) / 0.25)
            wave = math.sin(u * 2 * math.pi * 6 + 3 * fold.at(x, y))
            k *= 1.0 - 0.16 * depth * (0.5 + 0.5 * wave)
        return shade(base, k)

    return picture(size, size, colour)


def helm_v(y):
    return HELM_U[0] + (HELM_U[1] - HELM_U[0]) * (HELM_TOP - y) / (HELM_TOP - HELM_BOTTOM)


def helm_texture():
    """The great helm, mapped mirrored round it: u = 0.98 at the middle of
    the face, 0.02 at the back; v = 0.02 at the top, 0.98 at the lower rim.
    Steel with a brass cross on the face, the eye slits in its arm,
    breathing holes below, rivets round the top."""
    size = 256
    streak = TileNoise(31, 256)
    grain = Fractal(32, size, [16, 32, 64])
    steel, brass = (158, 162, 170), (196, 156, 74)
    slit0, slit1 = helm_v(HELM_SLIT[1]), helm_v(HELM_SLIT[0])
    vent0, vent1 = helm_v(HELM_VENTS[1]), helm_v(HELM_VENTS[0])
    band0, band1 = slit0 - 0.045, slit1 + 0.045

    def colour(x, y):
        u, v = (x + 0.5) / size, (y + 0.5) / size
        k = 0.82 + 0.22 * grain.at(x, y) + 0.1 * streak.at(x * 0.75, y * 0.03)
        base = steel
        if u > 0.935 or (band0 <= v <= band1 and u > 0.58):
            base = brass
            k *= 1.05
        if slit0 <= v <= slit1 and 0.62 <= u <= 0.925:
            return (14, 12, 12)
        # A shadow under the slit's upper lip.
        if slit1 < v < slit1 + 0.012 and 0.62 <= u <= 0.925:
            k *= 0.6
        if vent0 <= v <= vent1 and 0.69 <= u <= 0.9:
            cx = round((x - 0.69 * size) / 9.0) * 9.0 + 0.69 * size
            cy = round((y - vent0 * size) / 9.0) * 9.0 + vent0 * size
            if (x - cx) ** 2 + (y - cy) ** 2 < 5.5:
                return (16, 14, 14)
        # Rivets round the top and along the brass.
        for rv, every in ((0.075, 16.0), (band0 + 0.02, 12.0), (band1 - 0.02, 12.0)):
            if every == 12.0 and u < 0.6:
                continue
            cy = rv * size
            cx = (x // every) * every + every / 2
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if d2 < 7.0:
                k *= 1.25 - 0.12 * (y - cy)
        if v > 0.955 or v < 0.035:
            k *= 0.8
        return shade(base, k)

    return picture(size, size, colour)


def steel_texture():
    """Bright steel, brushed along v, with a darker fuller down the middle
    where v < 0.7 (the blade); the rest is plain for the fittings."""
    size = 256
    streak = TileNoise(41, 256)
    grain = Fractal(42, size, [16, 32])

    def colour(x, y):
        u, v = (x + 0.5) / size, (y + 0.5) / size
        k = 0.82 + 0.12 * streak.at(x * 0.6, y * 0.02) + 0.1 * grain.at(x, y)
        if v < 0.7 and abs(u - 0.5) < 0.07:
            k *= 0.72 + 0.2 * (abs(u - 0.5) / 0.07) ** 2
        return shade((206, 210, 218), k)

    return picture(size, size, colour)


def leather_texture():
    """Brown leather: mottled, with fine pores and a few creases; tiles."""
    size = 128
    mottle = Fractal(51, size, [4, 8, 16], 0.6)
    pores = Fractal(52, size, [64, 128], 0.7)
    crease = Fractal(53, size, [8], 0.5)

    def colour(x, y):
        k = 0.75 + 0.35 * mottle.at(x, y) + 0.15 * (pores.at(x, y) - 0.5)
        c = abs(crease.at(x, y) - 0.5)
        if c < 0.012:
            k *= 0.85 + 12.0 * c
        return shade((112, 70, 40), k)

    return picture(size, size, colour)


def shield_texture():
    """The shield's face, picture x across the shield and y down it: a white
    field with a red cross inside a dark border that follows the heater's
    outline. Few colours: it is stored as a run-length encoded 8-bit BMP."""
    size = 256
    mottle = Fractal(61, size, [4, 8, 16], 0.5)
    white, red, rim = (232, 229, 216), (170, 22, 28), (58, 50, 44)
    shoulder = SHIELD_TOP - SHIELD_STRAIGHT

    def colour(px, py):
        x = -SHIELD_W + (px + 0.5) / size * 2 * SHIELD_W
        y = SHIELD_TOP - (py + 0.5) / size * SHIELD_H
        # Distance inside the outline: top edge, straight sides, arcs.
        inside = SHIELD_TOP - y
        if y >= shoulder:
            inside = min(inside, SHIELD_W - abs(x))
        else:
            inside = min(inside, 2 * SHIELD_W - math.hypot(abs(x) + SHIELD_W, y - shoulder))
        if inside < SHIELD_BORDER:
            base = rim
        elif abs(x) < SHIELD_CROSS_HALF or abs(y - SHIELD_CROSS_Y) < SHIELD_CROSS_HALF:
            base = red
        else:
            base = white
        level = int(mottle.at(px, py) * 6)  # a few shades keep the runs long
        return shade(base, 0.9 + 0.02 * level)

    return picture(size, size, colour)


def stone_texture():
    """Pale limestone with soft mottling and faint veins; tiles. Grey levels
    through a 256-colour ramp: stored as an 8-bit PCX."""
    size = 256
    mottle = Fractal(71, size, [4, 8, 16, 32, 64], 0.55)
    vein = Fractal(72, size, [4, 8], 0.5)
    dark, light = (118, 110, 98), (242, 236, 222)

    def level(x, y):
        k = 0.62 + 0.3 * mottle.at(x, y)
        w = abs(math.sin((x * 2 * math.pi / size) * 2 + vein.at(x, y) * 3.5))
        if w < 0.04:
            k -= (0.04 - w) * 3.0
        return max(0.0, min(1.0, k))

    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            t = int(level(x, y) * 255) / 255.0
            row.append(tuple(clamp8(c) for c in mix(dark, light, t)))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------
# Shapes


def catmull(points, per_span):
    """Samples a Catmull-Rom curve through `points` (tuples of any length,
    every component interpolated alike), `per_span` samples per span."""
    out = []
    n = len(points)
    for i in range(n - 1):
        p0, p1 = points[max(i - 1, 0)], points[i]
        p2, p3 = points[i + 1], points[min(i + 2, n - 1)]
        for k in range(per_span):
            t = k / per_span
            out.append(tuple(
                0.5 * (2 * p1[c] + (p2[c] - p0[c]) * t +
                       (2 * p0[c] - 5 * p1[c] + 4 * p2[c] - p3[c]) * t * t +
                       (3 * p1[c] - p0[c] - 3 * p2[c] + p3[c]) * t * t * t)
                for c in range(len(p1))))
    out.append(tuple(points[-1]))
    return out


def tube(mesh, controls, per_span, segments, hint, front, u_range=(0.0, 1.0), v_of=None,
         power=2.0, deform=None, round_start=None, round_end=None):
    """A smooth tube along a curve through controls (x, y, z, radius across
    `hint`, radius across the other way). Rings stay square to the curve;
    u is mirrored about `front` (no seam), v is v_of(distance along, centre)
    or the distance along. deform(point, centre) may move ring points.
    round_start / round_end: how far past the end to put an apex that closes
    that end smoothly. Returns (vertex index rings, rings, centres)."""
    samples = catmull(controls, per_span)
    centres = [s[:3] for s in samples]
    count = len(centres)
    tangents = []
    for i in range(count):
        a, b = centres[max(i - 1, 0)], centres[min(i + 1, count - 1)]
        tangents.append(norm(sub(b, a)))
    side, _ = frame_from(tangents[0], hint)
    rings, uvs, along = [], [], 0.0
    for i, (sample, centre, t) in enumerate(zip(samples, centres, tangents)):
        side = norm(sub(side, mul(t, dot(side, t))))
        up = cross(t, side)
        ring = ellipse_ring(centre, side, up, sample[3], sample[4], segments, power)
        if deform:
            ring = [deform(p, centre) for p in ring]
        if i > 0:
            along += length(sub(centre, centres[i - 1]))
        v = v_of(along, centre) if v_of else along
        us = mirrored_u(ring, front, centre, *u_range)
        rings.append(ring)
        uvs.append([(u, v) for u in us])
    index = mesh.strip(rings, uvs, centres, closed=True)
    if round_start:
        tip = add(centres[0], mul(tangents[0], -round_start))
        mesh.apex(index[0], tip, (0.5, uvs[0][0][1]), centres[min(1, count - 1)])
    if round_end:
        tip = add(centres[-1], mul(tangents[-1], round_end))
        mesh.apex(index[-1], tip, (0.5, uvs[-1][0][1]), centres[max(count - 2, 0)])
    return index, rings, centres


def surcoat_section(y):
    """(half width, half depth, centre z) of the surcoat at height y."""
    for (y0, w0, d0, z0), (y1, w1, d1, z1) in zip(SURCOAT, SURCOAT[1:]):
        if y0 <= y <= y1:
            t = (y - y0) / (y1 - y0)
            return w0 + (w1 - w0) * t, d0 + (d1 - d0) * t, z0 + (z1 - z0) * t
    raise ValueError(y)


# ---------------------------------------------------------------------------
# The knight


def knight_surcoat():
    mesh = Mesh("surcoat", "Surcoat")
    span = SURCOAT_TOP - SURCOAT_HEM

    def folds(p, centre):
        # Skirt folds below the belt, growing towards the hem.
        weight = max(0.0, min(1.0, (24.0 - p[1]) / 13.0))
        if weight == 0.0:
            return p
        d = sub(p, centre)
        angle = math.atan2(d[0], d[2])
        k = 1.0 + weight * (0.045 * math.cos(angle * 9.0) + 0.02 * math.cos(angle * 5.0 + 1.0))
        return add(centre, mul(d, k))

    controls = [(0.0, y, z, w, d) for y, w, d, z in SURCOAT]
    tube(mesh, controls, 2, 40, (1.0, 0.0, 0.0), (0.0, 0.0, 1.0),
         v_of=lambda along, c: (SURCOAT_TOP - c[1]) / span, power=SURCOAT_POWER, deform=folds)
    return mesh


def knight_belt():
    mesh = Mesh("belt", "Leather")
    controls = []
    for y, grow in ((BELT[0] - 0.15, -0.12), (BELT[0], 0.33), (BELT[1], 0.33),
                    (BELT[1] + 0.15, -0.12)):
        w, d, z = surcoat_section(y)
        controls.append((0.0, y, z, w + grow, d + grow))
    tube(mesh, controls, 1, 40, (1.0, 0.0, 0.0), (0.0, 0.0, 1.0), u_range=(0.0, 3.0),
         v_of=lambda along, c: 0.1 + along * 0.08, power=SURCOAT_POWER)
    # A hanging end of the strap at the front, left of the buckle.
    w, d, z = surcoat_section(26.3)
    front = z + d + 0.35
    strap = [(1.4, 25.6, front + 0.05, 0.45, 0.12), (1.6, 23.5, front - 0.05, 0.42, 0.12),
             (1.7, 21.8, front - 0.2, 0.4, 0.12)]
    tube(mesh, strap, 2, 8, (1.0, 0.0, 0.0), (0.0, 0.0, 1.0), v_of=lambda a, c: a * 0.1,
         round_end=0.3)
    return mesh


def knight_helm():
    mesh = Mesh("helmet", "Helm")
    rows = [(HELM_BOTTOM, 4.45, 4.85), (39.6, 4.35, 4.75), (41.5, 4.3, 4.7), (43.8, 4.25, 4.65),
            (45.5, 4.15, 4.55), (HELM_TOP, 4.0, 4.4)]
    cz = 0.35

    def ridge(p, centre):
        d = sub(p, centre)
        facing = max(0.0, d[2] / (length(d) + 1e-9))
        return (p[0], p[1], p[2] + 0.45 * facing ** 6)

    controls = [(0.0, y, cz, w, d) for y, w, d in rows]
    _, rings, centres = tube(mesh, controls, 2, 44, (1.0, 0.0, 0.0), (0.0, 0.0, 1.0),
                             u_range=HELM_U, v_of=lambda a, c: helm_v(c[1]), power=2.3,
                             deform=ridge)
    # The crown: its own vertices, so the rim round the top stays crisp; a
    # low dome mapped onto plain steel at the back of the picture.
    top, centre = rings[-1], centres[-1]
    crown_rings, crown_uvs, crown_centres = [], [], []
    for lift, scale in ((0.0, 1.0), (0.3, 0.8), (0.5, 0.5)):
        ring = [add(lerp(centre, p, scale), (0.0, lift, 0.0)) for p in top]
        crown_rings.append(ring)
        crown_uvs.append([(0.2 + 0.08 * (p[0] - centre[0]) / 4.5,
                           0.25 + 0.08 * (p[2] - centre[2]) / 4.5) for p in ring])
        crown_centres.append(add(centre, (0.0, lift - 2.0, 0.0)))
    index = mesh.strip(crown_rings, crown_uvs, crown_centres, closed=True)
    mesh.apex(index[-1], add(centre, (0.0, 0.6, 0.0)), (0.2, 0.25), add(centre, (0.0, -2.0, 0.0)))
    return mesh


def knight_coif():
    """Mail round the neck, from the shoulders up into the helm."""
    mesh = Mesh("coif", "Mail")
    controls = [(0.0, 37.2, 0.25, 2.9, 2.6), (0.0, 39.0, 0.3, 2.75, 2.55),
                (0.0, 40.8, 0.35, 2.6, 2.5)]
    tube(mesh, controls, 2, 18, (1.0, 0.0, 0.0), (0.0, 0.0, 1.0), v_of=lambda a, c: a / 7.0)
    return mesh


def arm(name, side, elbow, wrist):
    """A mail arm from inside the shoulder through the elbow to the wrist;
    side is -1 for the knight's right, +1 for its left."""
    mesh = Mesh(name, "Mail")
    s = side
    shoulder = (s * 6.3, 36.0, 0.25)
    upper = lerp(shoulder, elbow, 0.5)
    controls = [(s * 4.6, 36.7, 0.2, 2.3, 2.3), shoulder + (2.25, 2.25),
                add(upper, (s * 0.25, 0.0, 0.0)) + (2.05, 2.05), elbow + (1.75, 1.75),
                lerp(elbow, wrist, 0.5) + (1.7, 1.7), wrist + (1.35, 1.35)]
    tube(mesh, controls, 3, 18, (0.0, 0.0, 1.0), (s * 1.0, 0.0, 0.0),
         v_of=lambda a, c: a / 7.0)
    # The shoulder, rounded under the mail.
    ellipsoid(mesh, add(shoulder, (s * -0.2, 0.35, 0.0)), (2.55, 2.45, 2.5),
              ((0.0, 0.0, 1.0), (1.0, 0.0, 0.0), (0.0, 1.0, 0.0)), rings=8, segments=16)
    return mesh


def leg(name, side, knee, ankle):
    mesh = Mesh(name, "Mail")
    s = side
    hip = (s * 2.9, 23.0, 0.1)
    controls = [hip + (2.85, 2.95), lerp(hip, knee, 0.45) + (2.55, 2.6), knee + (2.0, 2.05),
                add(lerp(knee, ankle, 0.35), (0.0, 0.0, -0.25)) + (2.05, 2.15),
                ankle + (1.4, 1.45)]
    tube(mesh, controls, 3, 18, (1.0, 0.0, 0.0), (0.0, 0.0, 1.0),
         v_of=lambda a, c: a / 7.0)
    return mesh


def boot(mesh, ankle):
    """A leather shoe with a flat sole at y = SOLE, from heel to toe along +Z."""
    ax, _, az = ankle
    rows = [(-2.25, -2.35, 0.9, 1.0), (-1.7, -1.85, 1.5, 1.65), (-0.4, -1.1, 1.75, 2.4),
            (1.5, -2.0, 1.78, 1.5), (3.5, -2.5, 1.62, 1.0), (5.0, -2.8, 1.25, 0.7),
            (5.8, -3.05, 0.6, 0.42)]
    controls = [(ax, y, az + z, w, h) for z, y, w, h in rows]
    tube(mesh, controls, 2, 16, (1.0, 0.0, 0.0), (0.0, 1.0, 0.0), u_range=(0.0, 1.5),
         v_of=lambda a, c: a / 6.0, power=2.6, round_start=0.3, round_end=0.3)


def fist(mesh, centre, grip, forearm):
    """A gloved fist round a grip along `grip`, the forearm coming along
    `forearm`."""
    across = norm(sub(forearm, mul(grip, dot(forearm, grip))))
    other = cross(grip, across)
    ellipsoid(mesh, centre, (1.35, 1.05, 1.3), (across, other, grip), rings=8, segments=14)


def cuff(mesh, wrist, forearm):
    """The flared leather cuff of a gauntlet round the wrist."""
    f = norm(forearm)
    controls = [add(wrist, mul(f, -1.7)) + (1.15, 1.15), add(wrist, mul(f, -1.45)) + (1.85, 1.85),
                add(wrist, mul(f, 0.3)) + (1.55, 1.55), add(wrist, mul(f, 0.65)) + (1.1, 1.1)]
    tube(mesh, controls, 1, 16, (0.0, 1.0, 0.0), (0.0, 1.0, 0.0), v_of=lambda a, c: a / 5.0)


def knight_shield():
    """The heater shield in its own frame (x across, y up, z out of its face),
    placed on the left forearm facing forward and outward. Returns the face
    (Shield) and the back with the rim (Leather)."""
    face = Mesh("shield", "Shield")
    back = Mesh("shield_back", "Leather")
    rows, cols = 20, 16

    def bulge(x):
        return -(SHIELD_BULGE - math.sqrt(SHIELD_BULGE ** 2 - x * x))

    grid = []
    for i in range(rows + 1):
        y = SHIELD_TOP - SHIELD_H * i / rows
        w = shield_half_width(y)
        grid.append([(w * (2.0 * j / cols - 1.0), y) for j in range(cols + 1)])

    def face_uv(x, y):
        # BMP rows are uploaded bottom first: v = 0 is the picture's bottom.
        return ((x + SHIELD_W) / (2 * SHIELD_W), (y - (SHIELD_TOP - SHIELD_H)) / SHIELD_H)

    def back_uv(x, y):
        return (x / 6.0, y / 6.0)

    sides = ((face, 0.0, 1.0, face_uv), (back, -SHIELD_THICK, -1.0, back_uv))
    for mesh, offset, facing, uv in sides:
        index = []
        for i, row in enumerate(grid):
            if i == rows:  # the point: one vertex
                x, y = row[0]
                index.append([mesh.vertex((x, y, bulge(x) + offset), uv(x, y))] * (cols + 1))
            else:
                index.append([mesh.vertex((x, y, bulge(x) + offset), uv(x, y)) for x, y in row])
        for i in range(rows):
            for j in range(cols):
                a, b = index[i][j], index[i][j + 1]
                c, d = index[i + 1][j + 1], index[i + 1][j]
                mesh.quad(a, b, c, d, (0.0, 0.0, facing))
    # The rim: the outline, front to back, flat shaded.
    outline = [grid[0][j] for j in range(cols + 1)]
    outline += [grid[i][cols] for i in range(1, rows + 1)]
    outline += [grid[i][0] for i in range(rows - 1, 0, -1)]
    run = 0.0
    for k in range(len(outline)):
        (x0, y0), (x1, y1) = outline[k], outline[(k + 1) % len(outline)]
        if (x0, y0) == (x1, y1):
            continue
        step = math.hypot(x1 - x0, y1 - y0)
        corners = [(x0, y0, 0.0), (x1, y1, 0.0), (x1, y1, -SHIELD_THICK), (x0, y0, -SHIELD_THICK)]
        uvs = [(run / 4.0, 0.0), ((run + step) / 4.0, 0.0), ((run + step) / 4.0, 0.1),
               (run / 4.0, 0.1)]
        ids = [back.vertex((x, y, bulge(x) + z), uv) for (x, y, z), uv in zip(corners, uvs)]
        mid_x, mid_y = (x0 + x1) / 2, (y0 + y1) / 2
        out = (mid_x, mid_y - (SHIELD_TOP - SHIELD_H * 0.45), 0.0)
        back.quad(*ids, outward=out)
        run += step
    # Into place: x along the shield's width, z along its facing.
    n = SHIELD_NORMAL
    t = cross((0.0, 1.0, 0.0), n)
    t = (-t[0], -t[1], -t[2]) if dot(cross(t, (0.0, 1.0, 0.0)), n) < 0 else t

    def place(p):
        return add(SHIELD_CENTRE, add(add(mul(t, p[0]), (0.0, p[1], 0.0)), mul(n, p[2])))

    return face.transformed(place), back.transformed(place), t


def sword_parts(fist_centre, direction):
    """The sword: a blade of diamond section with a fuller (Steel), a
    cross-guard, a wheel pommel; the grip is returned apart (Leather)."""
    mesh = Mesh("sword", "Steel")
    d = norm(direction)
    w, _ = frame_from(d, (1.0, 0.0, 0.0))  # across the blade, flat towards the front
    k = cross(d, w)
    guard = add(fist_centre, mul(d, 1.95))
    base = add(guard, mul(d, 0.35))
    blade_length, point = 21.0, 3.0
    rings, uvs, centres = [], [], []
    for step in range(7):
        s = blade_length * step / 6
        half_w = 1.35 - 0.55 * (s / blade_length) ** 1.4
        half_t = 0.34 - 0.12 * s / blade_length
        c = add(base, mul(d, s))
        rings.append([add(c, mul(w, -half_w)), add(c, mul(k, half_t)), add(c, mul(w, half_w)),
                      add(c, mul(k, -half_t))])
        v = 0.68 * s / (blade_length + point)
        uvs.append([(0.0, v), (0.5, v), (1.0, v), (0.5, v)])
        centres.append(c)
    mesh.strip(rings, uvs, centres, closed=True, flat=True)
    tip = add(base, mul(d, blade_length + point))
    last = rings[-1]
    for j in range(4):
        a, b = last[j], last[(j + 1) % 4]
        ids = [mesh.vertex(a, uvs[-1][j]), mesh.vertex(b, uvs[-1][(j + 1) % 4]),
               mesh.vertex(tip, (0.5, 0.68))]
        mesh.tri(*ids, outward=sub(lerp(a, b, 0.5), centres[-1]))

    def plain(face, s, t):
        return (0.5 + 0.4 * s, 0.86 + 0.1 * t)

    box(mesh, guard, (3.9, 0.36, 0.48), (w, d, k), plain)
    ellipsoid(mesh, add(fist_centre, mul(d, -2.35)), (1.0, 1.0, 0.5), (w, d, k), rings=8,
              segments=16, uv_map=lambda u, v: (0.2 + 0.6 * u, 0.78 + 0.2 * v))
    grip = [add(fist_centre, mul(d, -1.95)) + (0.45, 0.45),
            add(fist_centre, mul(d, 1.7)) + (0.45, 0.45)]
    return mesh, grip


def knight():
    right_elbow, right_wrist = (-9.0, 28.2, 0.6), (-8.05, 24.7, 5.8)
    right_fist = (-7.75, 24.3, 7.0)
    sword_dir = norm((-0.1, 0.92, 0.38))
    shield_face, shield_back, t = knight_shield()
    n = SHIELD_NORMAL
    left_elbow = add(SHIELD_CENTRE, add(mul(n, -2.4), mul(t, 3.8)))
    left_wrist = add(SHIELD_CENTRE, add(mul(n, -2.4), mul(t, -3.4)))
    left_forearm = norm(sub(left_wrist, left_elbow))
    left_fist = add(left_wrist, mul(left_forearm, 1.0))
    right_forearm = norm(sub(right_wrist, right_elbow))

    gloves = Mesh("gloves", "Leather")
    fist(gloves, right_fist, sword_dir, right_forearm)
    fist(gloves, left_fist, (0.0, 1.0, 0.0), left_forearm)
    cuff(gloves, right_wrist, right_forearm)
    cuff(gloves, left_wrist, left_forearm)
    sword, grip = sword_parts(right_fist, sword_dir)
    tube(gloves, grip, 1, 10, (1.0, 0.0, 0.0), (0.0, 0.0, 1.0), v_of=lambda a, c: a / 4.0)

    right_knee, right_ankle = (-3.15, 11.3, 0.3), (-3.5, 0.6, -0.9)
    left_knee, left_ankle = (3.15, 11.4, 1.1), (3.5, 0.6, 0.9)
    boots = Mesh("boots", "Leather")
    boot(boots, right_ankle)
    boot(boots, left_ankle)

    fittings = Mesh("fittings", "Steel")
    for knee in (right_knee, left_knee):
        ellipsoid(fittings, add(knee, (0.0, 0.3, 1.45)), (1.55, 1.75, 0.95),
                  ((1.0, 0.0, 0.0), (0.0, 0.0, 1.0), (0.0, 1.0, 0.0)), rings=8, segments=14,
                  uv_map=lambda u, v: (0.2 + 0.6 * u, 0.76 + 0.2 * v))
    w, d, z = surcoat_section(26.25)
    box(fittings, (0.0, 26.25, z + d + 0.45), (0.75, 1.0, 0.18),
        ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0)),
        lambda face, s, t: (0.5 + 0.2 * s, 0.86 + 0.1 * t))

    return [
        knight_helm(),
        knight_coif(),
        knight_surcoat(),
        knight_belt(),
        arm("arm_right", -1.0, right_elbow, right_wrist),
        arm("arm_left", 1.0, left_elbow, left_wrist),
        leg("leg_right", -1.0, right_knee, right_ankle),
        leg("leg_left", 1.0, left_knee, left_ankle),
        boots,
        gloves,
        shield_face,
        shield_back,
        sword,
        fittings,
    ]


KNIGHT_MATERIALS = [
    ("Mail", (150, 152, 158), "/crusader_mail.jpg"),
    ("Surcoat", (236, 232, 222), "/crusader_tabard.jpg"),
    ("Helm", (160, 162, 170), "/crusader_helm.jpg"),
    ("Steel", (206, 210, 218), "/crusader_steel.jpg"),
    ("Leather", (112, 70, 40), "/crusader_leather.bmp"),
    ("Shield", (232, 229, 216), "/crusader_shield.bmp"),
]


# ---------------------------------------------------------------------------
# The Doric column: plinth, a round moulding, a fluted shaft with entasis,
# the necking, the echinus and the square abacus. Y up, the foot at -1000.

COLUMN_FOOT = -1000.0
PLINTH_TOP = -925.0
SHAFT = (-880.0, 760.0)
SHAFT_RADIUS = (150.0, 122.0)
FLUTES = 20
ABACUS = (872.0, 940.0)
STONE_V = 1.0 / 600.0  # texture repeats per unit of height
STONE_U = 2  # texture repeats round the column (whole: the stone tiles)


def shaft_radius(y):
    t = (y - SHAFT[0]) / (SHAFT[1] - SHAFT[0])
    return SHAFT_RADIUS[0] + (SHAFT_RADIUS[1] - SHAFT_RADIUS[0]) * t + 4.0 * math.sin(math.pi * t)


def round_part(mesh, profile, segments=48):
    """A smooth surface of revolution through (y, radius) pairs."""
    controls = [(0.0, y, 0.0, r, r) for y, r in profile]
    tube(mesh, controls, 1, segments, (1.0, 0.0, 0.0), (0.0, 0.0, 1.0),
         u_range=(0.0, float(STONE_U)), v_of=lambda a, c: c[1] * STONE_V)


def column():
    mesh = Mesh("column", "Stone")
    axes = ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0))

    def slab_uv(centre_y, half):
        def uv(face, s, t):
            # Faces 0, 1: +-X (s runs along Y, t along Z); 2, 3: +-Y; 4, 5: +-Z.
            if face in (2, 3):
                return (s * half[0] * STONE_V, t * half[2] * STONE_V)
            if face in (0, 1):
                return (t * half[2] * STONE_V, (centre_y + s * half[1]) * STONE_V)
            return (s * half[0] * STONE_V, (centre_y + t * half[1]) * STONE_V)
        return uv

    plinth_half = (192.0, (PLINTH_TOP - COLUMN_FOOT) / 2, 192.0)
    plinth_y = (PLINTH_TOP + COLUMN_FOOT) / 2
    box(mesh, (0.0, plinth_y, 0.0), plinth_half, axes, slab_uv(plinth_y, plinth_half))
    # A torus-like moulding between plinth and shaft.
    round_part(mesh, [(PLINTH_TOP - 5.0, 150.0), (PLINTH_TOP, 168.0), (PLINTH_TOP + 14.0, 176.0),
                      (PLINTH_TOP + 30.0, 168.0), (SHAFT[0] - 6.0, 156.0),
                      (SHAFT[0] + 4.0, SHAFT_RADIUS[0] - 6.0)])

    # The shaft: every flute its own strip, so the arrises between them stay
    # sharp while each concave flute is smooth.
    heights = [SHAFT[0] + (SHAFT[1] - SHAFT[0]) * i / 14 for i in range(15)]
    per_flute = 6
    for f in range(FLUTES):
        rings, uvs, centres = [], [], []
        for y in heights:
            r = shaft_radius(y)
            ring, ring_uv = [], []
            for k in range(per_flute + 1):
                t = k / per_flute
                a = 2 * math.pi * (f + t) / FLUTES
                depth = 1.0 - 0.055 * math.sin(math.pi * t)
                ring.append((r * depth * math.sin(a), y, r * depth * math.cos(a)))
                ring_uv.append((STONE_U * (f + t) / FLUTES, y * STONE_V))
            rings.append(ring)
            uvs.append(ring_uv)
            centres.append((0.0, y, 0.0))
        mesh.strip(rings, uvs, centres, closed=False)

    # Necking and the echinus flaring out under the abacus.
    top_r = shaft_radius(SHAFT[1])
    round_part(mesh, [(SHAFT[1] - 4.0, top_r - 4.0), (SHAFT[1] + 2.0, top_r + 3.0),
                      (SHAFT[1] + 14.0, top_r + 3.0), (SHAFT[1] + 18.0, top_r - 1.0),
                      (SHAFT[1] + 40.0, top_r - 1.0), (SHAFT[1] + 52.0, top_r + 6.0),
                      (SHAFT[1] + 72.0, top_r + 24.0), (SHAFT[1] + 92.0, top_r + 46.0),
                      (ABACUS[0] - 6.0, top_r + 60.0), (ABACUS[0] + 2.0, top_r + 64.0)])
    abacus_half = (186.0, (ABACUS[1] - ABACUS[0]) / 2, 186.0)
    abacus_y = (ABACUS[0] + ABACUS[1]) / 2
    box(mesh, (0.0, abacus_y, 0.0), abacus_half, axes, slab_uv(abacus_y, abacus_half))
    return [mesh]


COLUMN_MATERIALS = [("Stone", (214, 206, 190), "/doric_stone.pcx")]


# ---------------------------------------------------------------------------


def report(path, size, meshes, materials):
    vertices = sum(len(m.vertices) for m in meshes)
    faces = sum(len(m.faces) for m in meshes)
    print("%s: %d bytes, %d meshes, %d materials, %d vertices, %d triangles"
          % (path, size, len(meshes), len(materials), vertices, faces))
    for line in summary(meshes):
        print(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--only", choices=("knight", "column"))
    parser.add_argument("--no-textures", action="store_true",
                        help="write the models only (the textures take a while)")
    args = parser.parse_args()
    os.makedirs(OUT, exist_ok=True)
    if args.only in (None, "knight"):
        if not args.no_textures:
            write_jpeg(os.path.join(OUT, "crusader_mail.jpg"), mail_texture())
            write_jpeg(os.path.join(OUT, "crusader_tabard.jpg"), tabard_texture(), 92)
            write_jpeg(os.path.join(OUT, "crusader_helm.jpg"), helm_texture(), 92)
            write_jpeg(os.path.join(OUT, "crusader_steel.jpg"), steel_texture())
            write_bmp24(os.path.join(OUT, "crusader_leather.bmp"), leather_texture())
            write_bmp_rle8(os.path.join(OUT, "crusader_shield.bmp"), shield_texture())
        meshes = knight()
        path = os.path.join(OUT, "crusader.3ds")
        report(path, write_3ds(path, KNIGHT_MATERIALS, meshes), meshes, KNIGHT_MATERIALS)
    if args.only in (None, "column"):
        if not args.no_textures:
            write_pcx8(os.path.join(OUT, "doric_stone.pcx"), stone_texture())
        meshes = column()
        path = os.path.join(OUT, "doric_column.3ds")
        report(path, write_3ds(path, COLUMN_MATERIALS, meshes), meshes, COLUMN_MATERIALS)


if __name__ == "__main__":
    main()
