#!/usr/bin/env python3
"""Writes plain 24-bit test bitmaps of a given size: make_test_bitmaps.py OUT.bmp WIDTH HEIGHT RRGGBB"""
import struct
import sys


def write_bmp(path, width, height, rgb):
    row = bytes([rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16]) * width
    row += b"\0" * ((4 - len(row) % 4) % 4)
    pixels = row * height
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    write_bmp(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4], 16))
