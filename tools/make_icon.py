#!/usr/bin/env python3
"""Draws the program icon, a football on a green pitch disc, as a 16/32/48-pixel .ico.

Usage: make_icon.py OUTPUT.ico. Deterministic: the same script writes the same bytes."""
import math
import struct
import sys

# Pentagon centres on the visible face of the ball, as (angle, distance) from the middle.
PATCHES = [(0.0, 0.0)] + [(math.radians(90 + 72 * k), 0.78) for k in range(5)]


def pentagon_distance(px, py, cx, cy, radius, rotation):
    """A value below 1 inside a regular pentagon of the given circumradius."""
    dx, dy = px - cx, py - cy
    angle = math.atan2(dy, dx) - rotation
    sector = 2 * math.pi / 5
    a = (angle % sector) - sector / 2
    apothem = radius * math.cos(math.pi / 5)
    return math.hypot(dx, dy) * math.cos(a) / apothem


def pixel(size, x, y):
    """Blue, green, red, alpha of one pixel, supersampled 4 x 4."""
    total = [0.0, 0.0, 0.0, 0.0]
    samples = 4
    for sy in range(samples):
        for sx in range(samples):
            u = (x + (sx + 0.5) / samples) / size * 2 - 1
            v = (y + (sy + 0.5) / samples) / size * 2 - 1
            r = math.hypot(u, v)
            if r > 0.98:
                continue
            if r > 0.86:  # green rim of the disc
                colour = (40, 140, 40)
            else:
                bu, bv = u / 0.86, v / 0.86
                colour = (245, 245, 245)
                for angle, dist in PATCHES:
                    cx, cy = dist * math.cos(angle), -dist * math.sin(angle)
                    rot = angle + math.pi if dist else -math.pi / 2
                    if pentagon_distance(bu, bv, cx, cy, 0.30, rot) < 1:
                        colour = (30, 30, 35)
                shade = 1.0 - 0.35 * max(0.0, (bu + bv) / 2 + 0.2)
                colour = tuple(c * shade for c in colour)
            total[0] += colour[2]
            total[1] += colour[1]
            total[2] += colour[0]
            total[3] += 255
    n = samples * samples
    return [int(round(c / n)) for c in total]


def icon_image(size):
    rows = []
    for y in reversed(range(size)):  # bottom-up, as in a DIB
        row = bytearray()
        for x in range(size):
            row += bytes(pixel(size, x, y))
        rows.append(bytes(row))
    mask_row = ((size + 31) // 32) * 4
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b''.join(rows) + bytes(mask_row * size)


def main():
    sizes = [16, 32, 48]
    images = [icon_image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
