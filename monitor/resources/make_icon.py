#!/usr/bin/env python3
"""Draws the program icon (48, 32 and 16 pixels, 24 bits per pixel) into traldenview.ico.

The picture: a rounded dark-blue tile with a green arrow pointing down (data received) and an orange
arrow pointing up (data sent). Corners outside the tile are transparent through the AND mask.
Run it again after changing the drawing; the .ico file is committed beside this script.
"""
import os
import struct

TILE = (0x1F, 0x3A, 0x68)      # RGB
TILE_EDGE = (0x10, 0x22, 0x44)
DOWN = (0x3C, 0xC8, 0x50)
UP = (0xF5, 0x9A, 0x23)


def inside_rounded(x, y, size, radius):
    cx = min(max(x, radius), size - 1 - radius)
    cy = min(max(y, radius), size - 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def arrow(x, y, size, left, pointing_down):
    """True when (x, y) lies on an arrow in the column starting at `left` (fractions of the size)."""
    u, v = x / size, y / size
    width = 0.36
    cx = left + width / 2
    shaft = 0.08
    top, bottom, head = 0.18, 0.82, 0.26
    if pointing_down:
        if top <= v <= bottom - head and abs(u - cx) <= shaft:
            return True
        if bottom - head <= v <= bottom:
            return abs(u - cx) <= (bottom - v) / head * (width / 2)
    else:
        if top + head <= v <= bottom and abs(u - cx) <= shaft:
            return True
        if top <= v <= top + head:
            return abs(u - cx) <= (v - top) / head * (width / 2)
    return False


def pixel(x, y, size):
    radius = max(2, size // 6)
    if not inside_rounded(x, y, size, radius):
        return None
    if x in (0, size - 1) or y in (0, size - 1):
        return TILE_EDGE
    if arrow(x + 0.5, y + 0.5, size, 0.10, True):
        return DOWN
    if arrow(x + 0.5, y + 0.5, size, 0.54, False):
        return UP
    return TILE


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    row_bytes = (size * 3 + 3) & ~3
    mask_row = ((size + 31) // 32) * 4
    colour, mask = b"", b""
    for y in reversed(range(size)):  # bottom-up rows
        row = bytearray()
        bits = bytearray(mask_row)
        for x in range(size):
            p = pixel(x, y, size)
            if p is None:
                row += b"\0\0\0"
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                row += bytes((p[2], p[1], p[0]))
        row += b"\0" * (row_bytes - len(row))
        colour += bytes(row)
        mask += bytes(bits)
    return header + colour + mask


def main():
    sizes = (48, 32, 16)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 24, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "traldenview.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
