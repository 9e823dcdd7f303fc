#!/usr/bin/env python3
"""Draws the task and refresh pictures of data/bmp: 64x64, 24-bit, uncompressed BMP.

task_*_on: coloured; task_*_off: the same picture greyed and washed out; refresh_busy: amber
arrows around an hourglass, distinct from both refresh_on (green) and refresh_off (grey).
Each pixel is the average of 4x4 samples, so edges are smooth. Needs only the standard library.

Run from anywhere: python3 scripts/make_icons.py
"""
import math
import os
import struct

SIZE = 64
SUB = 4
BACKGROUND = (240, 240, 240)
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "bmp")


# ---- shapes: each is a test inside(x, y) on continuous coordinates 0..64 ----------------------

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring_arc(cx, cy, r0, r1, start_deg, end_deg):
    """Ring between radii r0..r1 for angles start..end (degrees, counter-clockwise, y up)."""
    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if not (r0 * r0 <= d2 <= r1 * r1):
            return False
        a = math.degrees(math.atan2(cy - y, x - cx)) % 360
        return (a - start_deg) % 360 <= (end_deg - start_deg) % 360
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def polyline(points, width):
    half2 = (width / 2) ** 2
    segs = list(zip(points, points[1:]))

    def inside(x, y):
        for (ax, ay), (bx, by) in segs:
            dx, dy = bx - ax, by - ay
            t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy or 1)
            t = min(max(t, 0.0), 1.0)
            if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= half2:
                return True
        return False
    return inside


# ---- pictures: lists of (shape, colour), later ones on top -------------------------------------

def analyser():
    wave = [(12 + i, 33 - 10 * math.sin((i / 40) * 2 * math.pi * 1.5)) for i in range(0, 41)]
    return [
        (round_rect(4, 8, 60, 52, 5), (40, 70, 140)),       # cabinet
        (rect(9, 13, 55, 47), (10, 25, 20)),                # screen
        (rect(9, 29.5, 55, 30.5), (30, 80, 50)),            # centre grid line
        (rect(31.5, 13, 32.5, 47), (30, 80, 50)),
        (polyline(wave, 2.6), (60, 255, 110)),              # measured trace
        (rect(26, 52, 38, 56), (40, 70, 140)),              # stand
        (rect(16, 56, 48, 60), (40, 70, 140)),
    ]


def pattern():
    bars = [(255, 255, 255), (255, 255, 0), (0, 255, 255), (0, 220, 0),
            (255, 0, 255), (230, 0, 0), (0, 0, 230)]
    shapes = [(round_rect(4, 8, 60, 52, 5), (60, 60, 70))]
    x0, width = 9.0, 46.0 / len(bars)
    for i, colour in enumerate(bars):
        shapes.append((rect(x0 + i * width, 13, x0 + (i + 1) * width, 40), colour))
    grey_steps = 4
    for i in range(grey_steps):
        level = int(255 * i / (grey_steps - 1))
        shapes.append((rect(9 + i * 46 / grey_steps, 40, 9 + (i + 1) * 46 / grey_steps, 47),
                       (level, level, level)))
    shapes += [(rect(26, 52, 38, 56), (60, 60, 70)), (rect(16, 56, 48, 60), (60, 60, 70))]
    return shapes


def cable_test():
    cable = [(3, 44), (9, 40), (14, 30), (20, 26), (24, 26)]
    return [
        (polyline(cable, 6), (30, 30, 35)),                                     # cable
        (polygon([(22, 20), (36, 17), (36, 35), (22, 32)]), (45, 45, 55)),      # moulded boot
        (rect(36, 15, 58, 37), (195, 200, 210)),                                # metal shell
        (polygon([(39, 20), (56, 20), (56, 30), (54, 32), (41, 32), (39, 30)]),
         (20, 20, 25)),                                                         # HDMI opening
        (rect(41, 24, 54, 27), (220, 180, 60)),                                 # contacts
        (disc(46, 49, 12), (0, 160, 60)),                                       # test passed badge
        (polyline([(40, 49), (45, 54), (53, 44)], 3.6), (255, 255, 255)),
    ]


def refresh(colour, busy=False):
    shapes = [
        (ring_arc(32, 32, 17, 25, 110, 40), colour),
        (polygon([(43, 3), (60, 20), (40, 26)]), colour),   # arrow head at the arc's end
    ]
    if busy:
        sand = (120, 70, 0)
        shapes += [
            (polygon([(24, 20), (40, 20), (32, 32)]), sand),       # hourglass
            (polygon([(32, 32), (40, 44), (24, 44)]), sand),
            (rect(23, 18, 41, 20.5), (70, 40, 0)),
            (rect(23, 43.5, 41, 46), (70, 40, 0)),
        ]
    else:
        shapes.append((disc(32, 32, 5), colour))
    return shapes


# ---- rendering ------------------------------------------------------------------------------

def render(shapes):
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc = [0, 0, 0]
            for sy in range(SUB):
                for sx in range(SUB):
                    x = px + (sx + 0.5) / SUB
                    y = py + (sy + 0.5) / SUB
                    colour = BACKGROUND
                    for inside, c in shapes:
                        if inside(x, y):
                            colour = c
                    for k in range(3):
                        acc[k] += colour[k]
            row.append(tuple(round(a / (SUB * SUB)) for a in acc))
        pixels.append(row)
    return pixels


def greyed(pixels):
    """Off state: grey level of each pixel, pulled towards the background."""
    out = []
    for row in pixels:
        new_row = []
        for r, g, b in row:
            if (r, g, b) == BACKGROUND:
                new_row.append(BACKGROUND)
                continue
            level = 0.30 * r + 0.59 * g + 0.11 * b
            v = round(130 + level * 0.40)
            new_row.append((v, v, v))
        out.append(new_row)
    return out


def bmp_bytes(pixels):
    height, width = len(pixels), len(pixels[0])
    row_size = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):               # bottom-up rows
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (row_size - len(line))
        body += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return header + info + bytes(body)


def save(name, pixels):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bmp_bytes(pixels))
    print(name)


def main():
    os.makedirs(OUT, exist_ok=True)
    for stem, draw in (("task_analyser", analyser), ("task_pattern", pattern),
                       ("task_cable_test", cable_test)):
        on = render(draw())
        save(stem + "_on.bmp", on)
        save(stem + "_off.bmp", greyed(on))
    save("refresh_on.bmp", render(refresh((0, 150, 60))))
    save("refresh_off.bmp", greyed(render(refresh((0, 150, 60)))))
    save("refresh_busy.bmp", render(refresh((240, 150, 0), busy=True)))


if __name__ == "__main__":
    main()
