#!/usr/bin/env python3
"""Draws the engine's mouse pointer, Data/MousePointer.png: a 32x32 arrow with
its tip at the top-left pixel, white with a black outline, transparent around.

Run from the repository root: python3 tools/make_pointer.py
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from png_writer import write_rgba_png  # noqa: E402

SIZE = 32
# The arrow's outline in pixel units, tip at (0, 0), clockwise.
ARROW = [(0, 0), (0, 22), (5.5, 17), (9.5, 26.5), (13, 25), (9, 16), (16, 16)]


def inside(px, py):
    """Even-odd test of the pixel centre against the arrow polygon."""
    x, y = px + 0.5, py + 0.5
    hit = False
    n = len(ARROW)
    for i in range(n):
        x1, y1 = ARROW[i]
        x2, y2 = ARROW[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            cross = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < cross:
                hit = not hit
    return hit


def main():
    mask = [[inside(x, y) for x in range(SIZE)] for y in range(SIZE)]

    def filled(x, y):
        return 0 <= x < SIZE and 0 <= y < SIZE and mask[y][x]

    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            if not mask[y][x]:
                row.append((0, 0, 0, 0))
            elif all(filled(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                row.append((255, 255, 255, 255))
            else:
                row.append((0, 0, 0, 255))
        rows.append(row)
    # The tip pixel itself is always part of the outline.
    rows[0][0] = (0, 0, 0, 255)
    out = os.path.join("Data", "MousePointer.png")
    write_rgba_png(out, SIZE, SIZE, rows)
    print("wrote", out)


if __name__ == "__main__":
    main()
