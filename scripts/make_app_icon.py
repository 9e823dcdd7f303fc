#!/usr/bin/env python3
"""Draws Vexlan's application icon: a monitor showing colour bars over a grey ramp.

Writes data/icons/org.vexlan.Vexlan.svg (scalable) and data/icons/<N>/org.vexlan.Vexlan.png for
the hicolor sizes, from one list of shapes on a 64 x 64 grid, so that the two always agree. PNG
pixels are the average of 4 x 4 samples, with transparency outside the shapes. Needs only the
standard library.

Run from anywhere: python3 scripts/make_app_icon.py
"""
import os
import struct
import zlib

NAME = "org.vexlan.Vexlan"
SIZES = (16, 24, 32, 48, 64, 128, 256)
SUB = 4
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "icons")

BARS = [(255, 255, 255), (255, 255, 0), (0, 255, 255), (0, 220, 0),
        (255, 0, 255), (230, 0, 0), (0, 0, 230)]


def shapes():
    """(x0, y0, x1, y1, corner radius, colour), later ones on top; coordinates 0..64."""
    out = [(2, 6, 62, 50, 6, (48, 52, 64)),       # cabinet
           (24, 50, 40, 55, 0, (48, 52, 64)),     # stand
           (14, 55, 50, 60, 2.5, (48, 52, 64))]
    x0, width = 7.0, 50.0 / len(BARS)
    for i, colour in enumerate(BARS):
        out.append((x0 + i * width, 11, x0 + (i + 1) * width, 36, 0, colour))
    steps = 5
    for i in range(steps):
        level = round(255 * i / (steps - 1))
        out.append((x0 + i * 50 / steps, 36, x0 + (i + 1) * 50 / steps, 45, 0, (level, level, level)))
    return out


def inside(shape, x, y):
    x0, y0, x1, y1, r, _ = shape
    if not (x0 <= x < x1 and y0 <= y < y1):
        return False
    if r == 0:
        return True
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def svg():
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">']
    for x0, y0, x1, y1, r, (cr, cg, cb) in shapes():
        corner = f' rx="{r:g}"' if r else ""
        lines.append(f'  <rect x="{x0:g}" y="{y0:g}" width="{x1 - x0:g}" height="{y1 - y0:g}"{corner}'
                     f' fill="#{cr:02x}{cg:02x}{cb:02x}"/>')
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def png(size):
    scale = 64 / size
    rows = bytearray()
    all_shapes = shapes()
    for py in range(size):
        rows.append(0)  # no filter
        for px in range(size):
            acc, covered = [0, 0, 0], 0
            for sy in range(SUB):
                for sx in range(SUB):
                    x = (px + (sx + 0.5) / SUB) * scale
                    y = (py + (sy + 0.5) / SUB) * scale
                    colour = None
                    for s in all_shapes:
                        if inside(s, x, y):
                            colour = s[5]
                    if colour:
                        covered += 1
                        for k in range(3):
                            acc[k] += colour[k]
            if covered:
                rows += bytes(round(a / covered) for a in acc) + bytes((round(255 * covered / SUB ** 2),))
            else:
                rows += bytes(4)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
            + chunk(b"IEND", b""))


def main():
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, NAME + ".svg"), "w") as f:
        f.write(svg())
    for size in SIZES:
        folder = os.path.join(OUT, str(size))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, NAME + ".png"), "wb") as f:
            f.write(png(size))
        print(f"{size}/{NAME}.png")


if __name__ == "__main__":
    main()
