#!/usr/bin/env python3
"""Draws the tray menu's two 16 x 16 images and writes them as BMP files:
menu_about.bmp (4 bits per pixel, the 16 standard colours) and menu_homepage.bmp (24 bits per
pixel). 0xC0C0C0 is the transparent background; the bottom row stays background because the menu
images are 16 x 15. Run: python3 make_menu_bitmaps.py [output folder]"""
import math
import struct
import sys
from pathlib import Path

SIZE = 16
BACKGROUND = (0xC0, 0xC0, 0xC0)

# The 16 colours of a 4-bit bitmap, in table order (r, g, b).
PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# About: a blue badge with a white "i". One letter per pixel, top row first.
ABOUT = [
    "................",
    ".....NNNNNN.....",
    "...NNBBBBBBNN...",
    "..NBBBBWWBBBBN..",
    "..NBBBBWWBBBBN..",
    ".NBBBBBBBBBBBBN.",
    ".NBBBBWWWBBBBBN.",
    ".NBBBBBWWBBBBBN.",
    ".NBBBBBWWBBBBBN.",
    ".NBBBBBWWBBBBBN.",
    "..NBBBBWWBBBBN..",
    "..NBBBWWWWBBBN..",
    "...NNBBBBBBNN...",
    ".....NNNNNN.....",
    "......gggg......",
    "................",
]
ABOUT_COLOURS = {".": BACKGROUND, "N": (0, 0, 128), "B": (0, 0, 255), "W": (255, 255, 255), "g": (128, 128, 128)}


def homepage_pixels():
    """A shaded globe with green land and a thin orbit line, lit from the upper left."""
    pixels = [[BACKGROUND] * SIZE for _ in range(SIZE)]
    cx, cy, radius = 7.5, 7.0, 6.8
    land = [(5.0, 4.0, 2.6), (9.8, 8.6, 2.4), (4.6, 10.0, 1.5), (11.0, 4.0, 1.2)]
    for y in range(SIZE - 1):
        for x in range(SIZE):
            dx, dy = x - cx, y - cy
            d = math.hypot(dx, dy)
            if d > radius:
                continue
            light = max(0.0, 1.0 - math.hypot(dx + 2.5, dy + 2.5) / (radius * 1.6))
            on_land = any(math.hypot(x - lx, y - ly) < lr for lx, ly, lr in land)
            if d > radius - 1.0:
                colour = (0, 40, 110) if not on_land else (0, 80, 20)
            elif on_land:
                colour = (int(30 + 90 * light), int(120 + 110 * light), int(30 + 60 * light))
            else:
                colour = (int(20 + 150 * light), int(90 + 140 * light), int(200 + 55 * light))
            pixels[y][x] = colour
    # The orbit: an ellipse across the globe in gold.
    for step in range(160):
        t = 2 * math.pi * step / 160
        x = round(cx + 7.3 * math.cos(t))
        y = round(cy + 2.2 * math.sin(t) - 1.2 * math.cos(t))
        if 0 <= x < SIZE and 0 <= y < SIZE - 1 and (math.sin(t) > 0 or pixels[y][x] == BACKGROUND):
            pixels[y][x] = (230, 170, 20)
    return pixels


def file_header(image_size, table_size):
    offset = 14 + 40 + table_size
    return struct.pack("<2sIHHI", b"BM", offset + image_size, 0, 0, offset)


def info_header(bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, bits, 0, image_size, 2835, 2835, colours, colours)


def write_4bit(path, rows):
    stride = ((SIZE * 4 + 31) // 32) * 4
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for x in range(0, SIZE, 2):
            line.append(PALETTE16.index(row[x]) << 4 | PALETTE16.index(row[x + 1]))
        data += line + bytes(stride - len(line))
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE16)
    path.write_bytes(file_header(len(data), len(table)) + info_header(4, len(data), 16) + table + data)


def write_24bit(path, rows):
    stride = ((SIZE * 24 + 31) // 32) * 4
    data = bytearray()
    for row in reversed(rows):
        line = b"".join(struct.pack("<BBB", b, g, r) for r, g, b in row)
        data += line + bytes(stride - len(line))
    path.write_bytes(file_header(len(data), 0) + info_header(24, len(data), 0) + data)


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    about = [[ABOUT_COLOURS[c] for c in line] for line in ABOUT]
    homepage = homepage_pixels()
    for rows in (about, homepage):
        assert len(rows) == SIZE and all(len(r) == SIZE for r in rows)
        assert all(p == BACKGROUND for p in rows[SIZE - 1]), "the bottom row is cut off in the menu"
    write_4bit(out / "menu_about.bmp", about)
    write_24bit(out / "menu_homepage.bmp", homepage)


if __name__ == "__main__":
    main()
