#!/usr/bin/env python3
"""Writes the setup program's pictures into setup/res/:
   page.ico    icon 128, shown on the destination and finish pages (32x32)
   disk.ico    icon 130, shown in the disk prompt (32x32)
   credit.bmp  bitmap 137 behind the credit line (69x34, 24 bits)
Standard library only; the output is deterministic, so the committed files can
be checked by running the script again."""

import os
import struct
import sys


def ico_32x32(pixel):
    """A single-image .ico: 32x32, 32 bits per pixel (BGRA) plus an AND mask.
    pixel(x, y) returns (r, g, b, a) with y = 0 the top row."""
    size = 32
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(size):
            r, g, b, a = pixel(x, y)
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    xor = b"".join(rows)
    # AND mask: 1 bit per pixel, rows padded to 4 bytes; 1 = transparent.
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if pixel(x, y)[3] == 0 else 0)
        mask += bits.to_bytes(4, "big")
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def bmp_24(width, height, pixel):
    """A bottom-up 24-bit BMP file."""
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        data += row
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return file_header + info + bytes(data)


def page_icon(x, y):
    # A monitor: dark frame, blue screen with a light diagonal, a foot.
    if 3 <= x <= 28 and 3 <= y <= 22:
        if x in (3, 28) or y in (3, 22):
            return (40, 40, 40, 255)
        if abs((x - 4) - (y - 4) * 24 // 18) <= 1:
            return (230, 230, 120, 255)
        return (30, 60, 170, 255)
    if 13 <= x <= 18 and 23 <= y <= 25:
        return (90, 90, 90, 255)
    if 8 <= x <= 23 and 26 <= y <= 27:
        return (60, 60, 60, 255)
    return (0, 0, 0, 0)


def disk_icon(x, y):
    # A floppy disk: dark body, grey shutter, white label.
    if 4 <= x <= 27 and 4 <= y <= 27:
        if 10 <= x <= 21 and 4 <= y <= 11:
            return (170, 170, 170, 255)
        if 8 <= x <= 23 and 17 <= y <= 26:
            return (245, 245, 245, 255)
        return (25, 25, 80, 255)
    return (0, 0, 0, 0)


def credit_bitmap(x, y):
    # A horizontal blue gradient with a lighter band.
    shade = 80 + x * 150 // 69
    if 14 <= y <= 19:
        return (shade, shade, 255)
    return (20, 40, shade)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.join(root, "setup", "res")
    files = {
        "page.ico": ico_32x32(page_icon),
        "disk.ico": ico_32x32(disk_icon),
        "credit.bmp": bmp_24(69, 34, credit_bitmap),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
