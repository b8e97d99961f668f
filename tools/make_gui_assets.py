#!/usr/bin/env python3
"""Draws the GUI example's images under Data/Gui (RGBA PNG):

- panel.png: a 320 x 200 window skin with a darker 20-pixel drag bar;
- gear1.png .. gear8.png: a 48 x 48 gear turning by 1/8 of a tooth per frame
  (the animated image button);
- switch_off1..4.png, switch_on1..4.png: a 64 x 32 switch, off (knob left)
  and on (knob right), leaning while hovered (the two-state button's images);
- pointer_move.png: a 32 x 32 four-way arrow, the pointer over a drag bar.

Run from the repository root: python3 tools/make_gui_assets.py
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from png_writer import write_rgba_png  # noqa: E402

OUT = os.path.join("Data", "Gui")


def image(width, height, shade):
    """shade(x, y) -> (r, g, b, a) sampled at 4 x 4 points per pixel."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(4):
                for sx in range(4):
                    r, g, b, a = shade(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / 16
            if alpha > 0:
                colour = [int(min(255, c / acc[3])) for c in acc[:3]]
            else:
                colour = [0, 0, 0]
            row.append((colour[0], colour[1], colour[2], int(round(alpha * 255))))
        rows.append(row)
    return rows


def rounded_box(x, y, w, h, radius):
    cx = min(max(x, radius), w - radius)
    cy = min(max(y, radius), h - radius)
    return math.hypot(x - cx, y - cy) <= radius


def panel(x, y):
    w, h = 320, 200
    if not rounded_box(x, y, w, h, 10):
        return (0, 0, 0, 0)
    edge = not rounded_box(x - 2, y - 2, w - 4, h - 4, 8) if 2 <= x < w - 2 and 2 <= y < h - 2 \
        else True
    if edge:
        return (200, 170, 90, 1.0)
    if y < 20:
        t = y / 20
        return (60 + 30 * t, 50 + 20 * t, 90 + 30 * t, 0.95)
    t = (y - 20) / (h - 20)
    return (30 + 10 * t, 34 + 12 * t, 48 + 16 * t, 0.88)


def gear(frame):
    def shade(x, y):
        dx, dy = x - 24, y - 24
        r = math.hypot(dx, dy)
        angle = math.atan2(dy, dx) + frame * (2 * math.pi / 10) / 8
        tooth = 0.5 + 0.5 * math.cos(10 * angle)
        outer = 17 + 5 * (1 if tooth > 0.45 else 0)
        if r > outer or r < 6:
            return (0, 0, 0, 0)
        light = 0.75 + 0.25 * math.cos(math.atan2(dy, dx) + 0.8)
        base = (210, 180, 80) if r > 9 else (120, 100, 60)
        return tuple(c * light for c in base) + (1.0,)
    return shade


def switch(on, frame):
    # Off: the knob rests left, grey; on: right, green. While hovered the knob
    # leans a little towards the other side.
    progress = 1 - 0.05 * frame if on else 0.05 * frame

    def shade(x, y):
        if not rounded_box(x, y, 64, 32, 15):
            return (0, 0, 0, 0)
        knob_x = 16 + 32 * progress
        if math.hypot(x - knob_x, y - 16) <= 12:
            light = 0.85 + 0.15 * (16 - y) / 16
            return (240 * light, 240 * light, 235 * light, 1.0)
        track = (60 + 40 * progress, 70 + 130 * progress, 80, 1.0)
        return track
    return shade


def move_pointer(x, y):
    cx, cy = 15.5, 15.5
    dx, dy = abs(x - cx), abs(y - cy)
    arm = (dx < 2.2 and dy < 13) or (dy < 2.2 and dx < 13)
    head = (dy >= 8 and dy < 15 and dx <= 15 - dy) or (dx >= 8 and dx < 15 and dy <= 15 - dx)
    inner_arm = (dx < 1 and dy < 11.5) or (dy < 1 and dx < 11.5)
    inner_head = (dy >= 9 and dy < 13.5 and dx <= 12.5 - dy) or \
        (dx >= 9 and dx < 13.5 and dy <= 12.5 - dx)
    if inner_arm or inner_head:
        return (255, 255, 255, 1.0)
    if arm or head:
        return (0, 0, 0, 1.0)
    return (0, 0, 0, 0)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_rgba_png(os.path.join(OUT, "panel.png"), 320, 200, image(320, 200, panel))
    for frame in range(8):
        write_rgba_png(os.path.join(OUT, "gear%d.png" % (frame + 1)), 48, 48,
                       image(48, 48, gear(frame)))
    for frame in range(4):
        for on in (False, True):
            name = "switch_%s%d.png" % ("on" if on else "off", frame + 1)
            write_rgba_png(os.path.join(OUT, name), 64, 32, image(64, 32, switch(on, frame)))
    write_rgba_png(os.path.join(OUT, "pointer_move.png"), 32, 32, image(32, 32, move_pointer))
    print("wrote", OUT)


if __name__ == "__main__":
    main()
