#!/usr/bin/env python3
"""Writes the sample model in the engine's XML format, Data/Model/crate.xml, and
its colour map Data/Model/crate.bmp: a wooden crate (a textured cube of six
quads with vertex colours) and a small untextured pyramid on top of it.

Run from the repository root: python3 tools/make_xml_model.py
"""
import math
import os
import struct

MODEL = os.path.join("Data", "Model", "crate.xml")
TEXTURE = os.path.join("Data", "Model", "crate.bmp")
SIZE = 64


def crate_texel(x, y):
    """Planks with darker seams and a frame, in a warm wood tone."""
    frame = x < 4 or y < 4 or x >= SIZE - 4 or y >= SIZE - 4
    seam = (y % 16) in (0, 1)
    grain = 0.85 + 0.15 * math.sin(x * 0.35 + math.sin(y * 0.7) * 2.0)
    base = (150, 105, 60) if not frame else (110, 75, 40)
    shade = grain * (0.55 if seam and not frame else 1.0)
    return tuple(min(255, int(c * shade)) for c in base)


def write_bmp(path):
    row_bytes = (SIZE * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(SIZE - 1, -1, -1):  # bottom row first
        row = bytearray()
        for x in range(SIZE):
            r, g, b = crate_texel(x, y)
            row += bytes((b, g, r))
        row += bytes(row_bytes - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def cube():
    """Six faces, four vertices each, so every face has its own texture corners."""
    faces = [
        ((0, 0, 1), (1, 0, 0), (0, 1, 0)),
        ((0, 0, -1), (-1, 0, 0), (0, 1, 0)),
        ((1, 0, 0), (0, 0, -1), (0, 1, 0)),
        ((-1, 0, 0), (0, 0, 1), (0, 1, 0)),
        ((0, 1, 0), (1, 0, 0), (0, 0, -1)),
        ((0, -1, 0), (1, 0, 0), (0, 0, 1)),
    ]
    vertices, quads = [], []
    for normal, right, up in faces:
        base = len(vertices)
        for u, v in ((0, 0), (1, 0), (1, 1), (0, 1)):
            p = [normal[i] + (2 * u - 1) * right[i] + (2 * v - 1) * up[i] for i in range(3)]
            vertices.append((p, (u, v), (1.0, 1.0, 1.0, 1.0)))
        quads.append((base, base + 1, base + 2, base + 3))
    return vertices, quads


def pyramid():
    apex = ((0.0, 2.2, 0.0), None, (0.9, 0.2, 0.1, 1.0))
    corners = [((x * 0.8, 1.0, z * 0.8), None, (0.8, 0.6, 0.1, 1.0))
               for x, z in ((-1, 1), (1, 1), (1, -1), (-1, -1))]
    vertices = [apex] + corners
    triangles = [(0, 1, 2), (0, 2, 3), (0, 3, 4), (0, 4, 1)]
    return vertices, triangles


def vertex_xml(vertex):
    (x, y, z), uv, (r, g, b, a) = vertex
    uv_attributes = 'u0="%g" v0="%g" ' % uv if uv else 'v0="0" '
    return ('      <vertex x="%g" y="%g" z="%g" %su1="0" v1="0" u2="0" v2="0" u3="0" v3="0" '
            'r="%g" g="%g" b="%g" a="%g"/>\n' % (x, y, z, uv_attributes, r, g, b, a))


def face_xml(face, material):
    names = "abcd"
    attributes = " ".join('%s="%d"' % (names[i], index) for i, index in enumerate(face))
    material_attribute = ' materialindex="%d"' % material if material is not None else ""
    return "      <face %s%s/>\n" % (attributes, material_attribute)


def object_xml(name, vertices, faces, material):
    text = '    <object name="%s" numvertices="%d" numfaces="%d">\n' % (
        name, len(vertices), len(faces))
    text += '      <position x="0" y="0" z="0"/>\n'
    text += '      <orientation angle="0" x="0" y="1" z="0"/>\n'
    text += "".join(vertex_xml(v) for v in vertices)
    text += "".join(face_xml(f, material) for f in faces)
    return text + "    </object>\n"


def main():
    write_bmp(TEXTURE)
    crate_vertices, crate_faces = cube()
    roof_vertices, roof_faces = pyramid()
    text = '<?xml version="1.0" encoding="utf-8"?>\n'
    text += "<!-- A sample model in the Varno Engine's XML format. -->\n"
    text += "<VarnoModelFormat>\n"
    text += '  <model name="crate" numsubobjects="2" nummaterials="1">\n'
    text += '    <material name="wood" opacity="1">\n'
    text += '      <ambient r="0.4" g="0.4" b="0.4" a="1"/>\n'
    text += '      <diffuse r="0.9" g="0.9" b="0.9" a="1"/>\n'
    text += '      <specular r="0.1" g="0.1" b="0.1" a="1"/>\n'
    text += '      <texture colormap="%s"/>\n' % TEXTURE.replace(os.sep, "/")
    text += "    </material>\n"
    text += object_xml("box", crate_vertices, crate_faces, 0)
    text += object_xml("roof", roof_vertices, roof_faces, None)
    text += "  </model>\n</VarnoModelFormat>\n"
    with open(MODEL, "w", encoding="utf-8") as f:
        f.write(text)
    print("wrote", MODEL, "and", TEXTURE)


if __name__ == "__main__":
    main()
