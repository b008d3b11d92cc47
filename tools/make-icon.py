#!/usr/bin/env python3
"""Draws the program's icon (a white tick on a blue square) at 16, 32 and 48
pixels, and writes src/ui/res/runwarden.ico.
Run again only to change the icon; the .ico is checked in."""
import struct
import sys


def pixel(size, x, y):
    """RGBA of one pixel: a rounded blue square with a white tick in it."""
    s = size
    margin = max(1, s // 16)
    inside = margin <= x < s - margin and margin <= y < s - margin
    if not inside:
        return (0, 0, 0, 0)
    # A white tick: two strokes, from (0.25,0.55) to (0.42,0.72) to (0.76,0.30).
    u, v = (x + 0.5) / s, (y + 0.5) / s
    width = 0.085

    def near(ax, ay, bx, by):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((u - ax) * dx + (v - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        return ((u - px) ** 2 + (v - py) ** 2) ** 0.5 < width

    if near(0.25, 0.52, 0.43, 0.70) or near(0.43, 0.70, 0.77, 0.30):
        return (255, 255, 255, 255)
    edge = x == margin or y == margin or x == s - margin - 1 or y == s - margin - 1
    if edge:
        return (20, 60, 140, 255)
    return (40, 110, 210, 255)


def image(size):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA rows bottom-up, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b""
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            rows += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = b""
    for y in reversed(range(size)):
        bits = bytearray(mask_row)
        for x in range(size):
            if pixel(size, x, y)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + rows + mask


def main(path):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/ui/res/runwarden.ico")
