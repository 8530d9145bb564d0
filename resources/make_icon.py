#!/usr/bin/env python3
"""Draws Orvane's application icon (an access point with a check mark) and writes it as a .ico.

  make_icon.py OUT.ico     16, 32 and 48 pixel images, 32 bits per pixel with alpha
"""
import math
import os
import struct
import sys

SIZES = (16, 32, 48)

# Shapes are signed distance functions in unit coordinates (0..1, y downwards): negative inside.


def rounded_box(x0, y0, x1, y1, r):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r

    return d


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def segment(ax, ay, bx, by, half_width):
    def d(x, y):
        px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - vx * t, py - vy * t) - half_width

    return d


def polyline(points, half_width):
    parts = [segment(*points[i], *points[i + 1], half_width) for i in range(len(points) - 1)]
    return lambda x, y: min(p(x, y) for p in parts)


def arc(cx, cy, r, half_width, spread_deg):
    """An arc opening upwards, spread_deg either side of straight up, with round ends."""
    spread = math.radians(spread_deg)
    ends = [(cx + r * math.sin(s), cy - r * math.cos(s)) for s in (-spread, spread)]

    def d(x, y):
        angle = math.atan2(x - cx, cy - y)  # 0 is straight up
        if abs(angle) <= spread:
            return abs(math.hypot(x - cx, y - cy) - r) - half_width
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - half_width

    return d


def lerp(a, b, t):
    return tuple(p + (q - p) * t for p, q in zip(a, b))


def layers(size):
    """The drawing for one size, back to front: (shape, colour as a function of y)."""
    tile_top, tile_bottom = (0x2E, 0x86, 0xDE), (0x15, 0x4C, 0x9E)
    white, green, led = (0xFF, 0xFF, 0xFF), (0x2F, 0xB3, 0x4A), (0x2E, 0x86, 0xDE)

    def tile(y):
        return lerp(tile_top, tile_bottom, y)

    out = [(rounded_box(0.02, 0.02, 0.98, 0.98, 0.2), tile)]
    if size < 24:
        # Laid out on the 16-pixel grid so that the box and the antenna fall on whole pixels.
        def p(v):
            return v / 16

        tip, badge, ring = (p(4.5), p(6.5)), (p(12), p(12), p(4)), p(1)
        out += [
            (rounded_box(p(1), p(10), p(9), p(14), p(1)), lambda y: white),
            (segment(*tip, tip[0], p(10), p(0.5)), lambda y: white),
            (circle(*tip, p(1.1)), lambda y: white),
            (arc(*tip, p(3.6), p(0.6), 55), lambda y: white),
        ]
        tick = [(p(9.5), p(11.5)), (p(11), p(13)), (p(14), p(10))]
        tick_half = p(0.65)
    else:
        tip, badge, ring = (0.40, 0.44), (0.74, 0.74, 0.22), 0.05
        stroke = 0.0325  # half of a stroke
        out += [
            (rounded_box(0.12, 0.62, 0.68, 0.86, 0.06), lambda y: white),
            (segment(*tip, tip[0], 0.64, stroke * 1.1), lambda y: white),
            (circle(*tip, stroke * 1.8), lambda y: white),
            (arc(*tip, 0.16, stroke, 50), lambda y: white),
            (arc(*tip, 0.30, stroke, 50), lambda y: white),
            (circle(0.22, 0.74, 0.035), lambda y: led),
            (circle(0.32, 0.74, 0.035), lambda y: led),
        ]
        bx, by, br = badge
        tick = [(bx - 0.11, by), (bx - 0.035, by + 0.08), (bx + 0.11, by - 0.08)]
        tick_half = 0.032
    # The check badge, set off from the access point by a ring of the tile's colour.
    bx, by, br = badge
    out += [
        (circle(bx, by, br + ring), tile),
        (circle(bx, by, br), lambda y: green),
        (polyline(tick, tick_half), lambda y: white),
    ]
    return out


def render(size):
    """Straight (not premultiplied) BGRA rows, top row first."""
    drawing = layers(size)
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            x, y = (px + 0.5) / size, (py + 0.5) / size
            r = g = b = a = 0.0  # premultiplied while composing
            for shape, colour in drawing:
                # Coverage from the distance in pixels: a one-pixel-wide linear edge.
                cover = max(0.0, min(1.0, 0.5 - shape(x, y) * size))
                if cover:
                    cr, cg, cb = colour(y)
                    r, g, b = cr * cover + r * (1 - cover), cg * cover + g * (1 - cover), cb * cover + b * (1 - cover)
                    a = cover + a * (1 - cover)
            if a > 0:
                row += bytes((round(b / a), round(g / a), round(r / a), round(a * 255)))
            else:
                row += bytes(4)
        rows.append(row)
    return rows


def icon_image(size):
    rows = render(size)
    mask_stride = (size + 31) // 32 * 4
    xor = b"".join(reversed(rows))  # bottom-up
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x in range(size):
            if row[4 * x + 3] == 0:  # transparent for readers that ignore alpha
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    # The height counts the colour image and the mask together.
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + bytes(mask)


def ico(sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        tmp = argv[1] + ".tmp"
        with open(tmp, "wb") as f:
            f.write(ico(SIZES))
        os.replace(tmp, argv[1])
    except OSError as e:
        print(f"make_icon.py: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
