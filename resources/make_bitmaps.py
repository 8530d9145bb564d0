#!/usr/bin/env python3
"""Turns the check-box image sources (grids of K/D/S/W letters, # comment lines) into Windows BMP files.

  make_bitmaps.py bmp BITS SOURCE.txt OUT.bmp     BITS is 4 (16 colours) or 8 (256 colours)
  make_bitmaps.py header OUT.h SOURCE.txt...      the grids as C++ string arrays, for tests
"""
import os
import struct
import sys

# The 16 colours every display has; the letters index into them, so both depths share the indices.
VGA = [
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
]
LETTERS = {"K": 0, "D": 8, "S": 7, "W": 15}  # black, dark grey, silver, white


def palette(bits):
    colours = list(VGA)
    if bits == 8:
        # A colour cube and a grey ramp fill the rest, so the 256 entries are all meaningful.
        levels = [0, 51, 102, 153, 204, 255]
        colours += [(r << 16) | (g << 8) | b for r in levels for g in levels for b in levels]
        colours += [v * 0x010101 for v in range(8, 248, 10)]
    assert len(colours) == 1 << bits
    return b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0) for c in colours)


def read_grid(path):
    with open(path, encoding="ascii") as f:
        rows = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    if not rows:
        raise ValueError(f"{path}: no rows")
    for n, row in enumerate(rows, 1):
        if len(row) != len(rows[0]):
            raise ValueError(f"{path}:{n}: {len(row)} pixels, the first row has {len(rows[0])}")
        bad = set(row) - LETTERS.keys()
        if bad:
            raise ValueError(f"{path}:{n}: unknown letters {''.join(sorted(bad))}")
    return rows


def bmp(rows, bits):
    width, height = len(rows[0]), len(rows)
    stride = (width * bits + 31) // 32 * 4  # rows are padded to 4 bytes
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up: the last row is stored first
        line = bytearray(stride)
        for x, letter in enumerate(row):
            index = LETTERS[letter]
            if bits == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    colours = palette(bits)
    offset = 14 + 40 + len(colours)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    # 2835 pixels per metre is 72 dpi; colours used and important are 0, meaning all of the palette.
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835, 0, 0)
    return file_header + info + colours + pixels


def header(grids):
    out = ["// Generated from the check-box image sources by make_bitmaps.py; do not edit.", "#pragma once", ""]
    for path, rows in grids:
        name = os.path.splitext(os.path.basename(path))[0]
        out.append(f"inline constexpr const char* kGrid_{name}[] = {{")
        out += [f'    "{row}",' for row in rows]
        out += ["};", ""]
    return "\n".join(out)


def write(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv):
    try:
        if len(argv) == 5 and argv[1] == "bmp" and argv[2] in ("4", "8"):
            write(argv[4], bmp(read_grid(argv[3]), int(argv[2])))
        elif len(argv) >= 4 and argv[1] == "header":
            write(argv[2], header([(p, read_grid(p)) for p in argv[3:]]).encode("ascii"))
        else:
            print(__doc__.strip(), file=sys.stderr)
            return 2
    except (OSError, ValueError) as e:
        print(f"make_bitmaps.py: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
