"""The knight's measurements and the demonstration models' textures (mail,
surcoat, helm, steel, leather, shield, stone), drawn from code: no outside art.
Used by tools/make_demo_models.py; Python 3 standard library only.
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from demo_pictures import Fractal, TileNoise, clamp8, mix, picture, shade  # noqa: E402
from three_ds import norm  # noqa: E402


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
