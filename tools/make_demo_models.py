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
mesh helpers and the 3DS writer are in tools/three_ds.py, the image writers in
tools/demo_pictures.py, the knight's measurements and the textures in
tools/demo_textures.py.
"""

import argparse
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from three_ds import (Mesh, add, box, cross, dot, ellipse_ring, ellipsoid,  # noqa: E402
                      frame_from, length, lerp, mirrored_u, mul, norm, sub, summary, write_3ds)
from demo_pictures import write_bmp24, write_bmp_rle8, write_jpeg, write_pcx8  # noqa: E402
from demo_textures import (BELT, HELM_BOTTOM, HELM_TOP, HELM_U, SHIELD_BULGE,  # noqa: E402
                           SHIELD_CENTRE, SHIELD_H, SHIELD_NORMAL, SHIELD_THICK, SHIELD_TOP,
                           SHIELD_W, SURCOAT, SURCOAT_HEM, SURCOAT_POWER, SURCOAT_TOP,
                           helm_texture, helm_v, leather_texture, mail_texture,
                           shield_half_width, shield_texture, steel_texture, stone_texture,
                           tabard_texture)

OUT = os.path.join("Data", "Model")


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
