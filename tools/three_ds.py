"""Building triangle meshes in the engine's space and writing them as a 3DS file.

The asset tools model in the engine's own axes (Y up) and this module turns
the result into what the engine's 3DS reader expects:

- the file is Z up: the reader maps a file vertex (x, y, z) to (x, z, -y), so
  an engine-space vertex (x, y, z) is written as (x, -z, y);
- faces are counter-clockwise seen from outside (the mapping is a proper
  rotation, so the winding survives it);
- the reader computes smooth normals from the vertices a mesh's faces share:
  rounded surfaces share their vertices, hard edges get their own copies;
- a mesh has one material, named by one face material group, and a mesh only
  finds materials defined earlier in the file, so materials come first;
- one texture coordinate per vertex, v as OpenGL samples the uploaded rows.

Module contents: small vector helpers, Mesh (vertices, texture coordinates,
triangles, with helpers for bands of rings, boxes and ellipsoids) and write_3ds().
"""

import math
import struct

# ---------------------------------------------------------------------------
# Vectors as 3-tuples


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def mul(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def length(a):
    return math.sqrt(dot(a, a))


def norm(a):
    n = length(a)
    return (a[0] / n, a[1] / n, a[2] / n) if n > 0 else (0.0, 0.0, 0.0)


def lerp(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def frame_from(axis, hint):
    """Two unit vectors across `axis`: the first as close to `hint` as it can be."""
    axis = norm(axis)
    side = sub(hint, mul(axis, dot(hint, axis)))
    if length(side) < 1e-6:
        side = sub((1.0, 0.0, 0.0), mul(axis, axis[0]))
        if length(side) < 1e-6:
            side = sub((0.0, 0.0, 1.0), mul(axis, axis[2]))
    side = norm(side)
    return side, cross(axis, side)


# ---------------------------------------------------------------------------
# Meshes


class Mesh:
    """One named mesh with one material: vertices with one (u, v) each and triangles."""

    def __init__(self, name, material):
        self.name = name
        self.material = material
        self.vertices = []
        self.uvs = []
        self.faces = []

    def vertex(self, p, uv):
        self.vertices.append((float(p[0]), float(p[1]), float(p[2])))
        self.uvs.append((float(uv[0]), float(uv[1])))
        return len(self.vertices) - 1

    def tri(self, a, b, c, outward=None):
        """Adds a triangle; with `outward` it is turned to face that way."""
        if a == b or b == c or a == c:
            return
        if outward is not None:
            pa, pb, pc = self.vertices[a], self.vertices[b], self.vertices[c]
            if dot(cross(sub(pb, pa), sub(pc, pa)), outward) < 0:
                b, c = c, b
        self.faces.append((a, b, c))

    def quad(self, a, b, c, d, outward=None):
        self.tri(a, b, c, outward)
        self.tri(a, c, d, outward)

    def strip(self, rings, uvs, centres, closed, flat=False):
        """Joins rings of equally many points into a band of quads.

        rings[i][j] is point j of ring i, uvs[i][j] its texture coordinate;
        centres[i] a point inside ring i, which decides which side is out. A
        closed band also joins each ring's last point to its first. Shared
        vertices make the band smooth; `flat` gives every quad its own.
        """
        count = len(rings[0])
        spans = count if closed else count - 1
        if not flat:
            index = [[self.vertex(p, uv) for p, uv in zip(ring, ring_uv)]
                     for ring, ring_uv in zip(rings, uvs)]
        for i in range(len(rings) - 1):
            for j in range(spans):
                k = (j + 1) % count
                mid = lerp(lerp(rings[i][j], rings[i][k], 0.5),
                           lerp(rings[i + 1][j], rings[i + 1][k], 0.5), 0.5)
                outward = sub(mid, lerp(centres[i], centres[i + 1], 0.5))
                if flat:
                    corners = [(i, j), (i, k), (i + 1, k), (i + 1, j)]
                    a, b, c, d = [self.vertex(rings[r][s], uvs[r][s]) for r, s in corners]
                else:
                    a, b, c, d = index[i][j], index[i][k], index[i + 1][k], index[i + 1][j]
                self.quad(a, b, c, d, outward)
        return None if flat else index

    def apex(self, ring_index, point, uv, inside):
        """Closes a ring of this mesh's vertices with a fan to a shared apex
        vertex: a smooth rounded end; `inside` is a point within the part."""
        top = self.vertex(point, uv)
        count = len(ring_index)
        for j in range(count):
            a, b = ring_index[j], ring_index[(j + 1) % count]
            mid = lerp(lerp(self.vertices[a], self.vertices[b], 0.5), point, 0.5)
            self.tri(top, a, b, sub(mid, inside))

    def transformed(self, fn):
        """A copy with every vertex passed through fn (faces kept: fn must keep
        handedness, i.e. be a rotation, translation or positive scaling)."""
        copy = Mesh(self.name, self.material)
        copy.vertices = [fn(v) for v in self.vertices]
        copy.uvs = list(self.uvs)
        copy.faces = list(self.faces)
        return copy


def mirrored_u(points, front, centre, lo=0.0, hi=1.0):
    """Texture u for a closed ring, by arc length: `hi` at the point nearest
    the `front` direction, falling to `lo` at the far side and back again.

    The mapping is mirrored about the front, so the ring needs no seam: every
    point keeps one vertex and the smooth normals stay unbroken. A texture
    mapped so shows its left half (lo) at the back and its right edge (hi) at
    the front, the same on both sides.
    """
    count = len(points)
    start = max(range(count), key=lambda j: dot(norm(sub(points[j], centre)), front))
    steps = [length(sub(points[(j + 1) % count], points[j])) for j in range(count)]
    total = sum(steps)
    u = [0.0] * count
    run = 0.0
    for n in range(count):
        j = (start + n) % count
        along = run / total if total > 0 else 0.0  # 0 .. 1 once round
        u[j] = lo + (hi - lo) * (1.0 - 2.0 * min(along, 1.0 - along))
        run += steps[j]
    return u


def ellipse_ring(centre, side, up_axis, rx, ry, count, power=2.0, phase=0.0):
    """`count` points round a superellipse in the plane of `side` and `up_axis`."""
    ring = []
    for j in range(count):
        a = phase + 2.0 * math.pi * j / count
        c, s = math.cos(a), math.sin(a)
        ex = 2.0 / power
        x = rx * math.copysign(abs(c) ** ex, c)
        y = ry * math.copysign(abs(s) ** ex, s)
        ring.append(add(centre, add(mul(side, x), mul(up_axis, y))))
    return ring


def ellipsoid(mesh, centre, radii, axes, rings=8, segments=12, uv_map=None):
    """A smooth ellipsoid; axes are three unit vectors, radii along them; the
    poles are on the third axis. u (0 .. 1) is mirrored round the first axis,
    v runs 0 .. 1 pole to pole; uv_map(u, v) moves them into a texture."""
    ax, ay, az = axes
    if uv_map is None:
        uv_map = lambda u, v: (u, v)  # noqa: E731
    pole_top = add(centre, mul(az, radii[2]))
    pole_bottom = add(centre, mul(az, -radii[2]))
    top = mesh.vertex(pole_top, uv_map(0.5, 0.0))
    bottom = mesh.vertex(pole_bottom, uv_map(0.5, 1.0))
    index = []
    for i in range(1, rings):
        lat = math.pi * i / rings
        ring = []
        for j in range(segments):
            lon = 2.0 * math.pi * j / segments
            p = add(centre, add(add(mul(ax, radii[0] * math.sin(lat) * math.cos(lon)),
                                    mul(ay, radii[1] * math.sin(lat) * math.sin(lon))),
                                mul(az, radii[2] * math.cos(lat))))
            u = 1.0 - abs(j / segments * 2.0 - 1.0)
            ring.append(mesh.vertex(p, uv_map(u, i / rings)))
        index.append(ring)
    for j in range(segments):
        k = (j + 1) % segments
        first, last = index[0], index[-1]
        mesh.tri(top, first[j], first[k], sub(mesh.vertices[first[j]], centre))
        mesh.tri(bottom, last[j], last[k], sub(mesh.vertices[last[j]], centre))
        for i in range(len(index) - 1):
            a, b, c, d = index[i][j], index[i][k], index[i + 1][k], index[i + 1][j]
            mesh.quad(a, b, c, d, sub(mesh.vertices[a], centre))


def box(mesh, centre, half, axes, uv_map):
    """A box with hard edges: every face has its own four vertices. half:
    half extents along the three unit axes; uv_map(face, s, t), s and t from
    -1 to 1 across face 0 .. 5, gives the texture coordinates."""
    sides = [(0, 1), (0, -1), (1, 1), (1, -1), (2, 1), (2, -1)]
    for face, (normal_axis, sign) in enumerate(sides):
        a1, a2 = [k for k in range(3) if k != normal_axis]
        normal = mul(axes[normal_axis], sign)
        middle = add(centre, mul(normal, half[normal_axis]))
        corners = []
        for s, t in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
            p = add(middle, add(mul(axes[a1], s * half[a1]), mul(axes[a2], t * half[a2])))
            corners.append(mesh.vertex(p, uv_map(face, s, t)))
        mesh.quad(*corners, outward=normal)


# ---------------------------------------------------------------------------
# Writing


def chunk(chunk_id, *parts):
    body = b"".join(parts)
    return struct.pack("<HI", chunk_id, len(body) + 6) + body


def cstr(text):
    return text.encode("ascii") + b"\0"


def material(name, rgb, texture=None, specular=(40, 40, 40)):
    """A material block: colours as 24-bit RGB, an optional texture file name."""
    parts = [
        chunk(0xA000, cstr(name)),
        chunk(0xA010, chunk(0x0011, bytes(rgb))),  # ambient
        chunk(0xA020, chunk(0x0011, bytes(rgb))),  # diffuse
        chunk(0xA030, chunk(0x0011, bytes(specular))),  # highlight colour
    ]
    if texture:
        parts.append(chunk(0xA200, chunk(0x0030, struct.pack("<H", 100)),
                            chunk(0xA300, cstr(texture))))
    return chunk(0xAFFF, *parts)


def _object(mesh):
    if len(mesh.vertices) > 65535 or len(mesh.faces) > 65535:
        raise ValueError("mesh %s is over the 16-bit counts of a 3DS mesh" % mesh.name)
    vertices = struct.pack("<H", len(mesh.vertices)) + b"".join(
        struct.pack("<3f", x, -z, y) for x, y, z in mesh.vertices)
    coords = struct.pack("<H", len(mesh.uvs)) + b"".join(
        struct.pack("<2f", u, v) for u, v in mesh.uvs)
    count = len(mesh.faces)
    faces = struct.pack("<H", count) + b"".join(
        struct.pack("<4H", a, b, c, 7) for a, b, c in mesh.faces)
    group = cstr(mesh.material) + struct.pack("<H", count) + struct.pack(
        "<%dH" % count, *range(count))
    smoothing = struct.pack("<%dI" % count, *([1] * count))
    identity = struct.pack("<12f", 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0)
    return chunk(0x4000, cstr(mesh.name),
                  chunk(0x4100,
                         chunk(0x4110, vertices),
                         chunk(0x4140, coords),
                         chunk(0x4160, identity),
                         chunk(0x4120, faces, chunk(0x4130, group), chunk(0x4150, smoothing))))


def write_3ds(path, materials, meshes):
    """materials: (name, (r, g, b), texture file name or None) in file order;
    meshes: Mesh objects, each naming one of those materials."""
    names = {m[0] for m in materials}
    for mesh in meshes:
        if mesh.material not in names:
            raise ValueError("mesh %s names unknown material %s" % (mesh.name, mesh.material))
    editor = chunk(0x3D3D,
                    chunk(0x3D3E, struct.pack("<I", 3)),  # mesh version: read first
                    chunk(0x0100, struct.pack("<f", 1.0)),  # master scale
                    *[material(*m) for m in materials],  # before the meshes that name them
                    *[_object(mesh) for mesh in meshes])
    data = chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)), editor)
    with open(path, "wb") as out:
        out.write(data)
    return len(data)


def summary(meshes):
    """(meshes, vertices, triangles) and each mesh's box, for the tools' report."""
    lines = []
    for mesh in meshes:
        xs = [v[0] for v in mesh.vertices]
        ys = [v[1] for v in mesh.vertices]
        zs = [v[2] for v in mesh.vertices]
        lines.append("  %-14s %-9s %5d vertices %5d triangles  x %7.1f..%-7.1f y %7.1f..%-7.1f "
                     "z %7.1f..%-7.1f" % (mesh.name, mesh.material, len(mesh.vertices),
                                          len(mesh.faces), min(xs), max(xs), min(ys), max(ys),
                                          min(zs), max(zs)))
    return lines
