#!/usr/bin/env python3
"""Draws the add-in's button face from code, so every build has the same bytes: a 32x32 bitmap
   with 16 colours, "varo" in white letters on a yellow square with a grey border.
   Usage: make_face.py OUTPUT.bmp"""
import struct
import sys
from pathlib import Path

# The system's 16-colour palette (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
GREY, YELLOW, WHITE = 8, 11, 15
SIZE = 32
BORDER = 2

# Lower-case letters, 5 wide and 7 high.
GLYPHS = {
    "v": ["     ", "     ", "#   #", "#   #", "#   #", " # # ", "  #  "],
    "a": ["     ", "     ", " ### ", "    #", " ####", "#   #", " ####"],
    "r": ["     ", "     ", "# ## ", "##  #", "#    ", "#    ", "#    "],
    "o": ["     ", "     ", " ### ", "#   #", "#   #", "#   #", " ### "],
}
TEXT = "varo"
GAP = 1


def pixel(x, y):
    if x < BORDER or y < BORDER or x >= SIZE - BORDER or y >= SIZE - BORDER:
        return GREY
    width = len(TEXT) * 5 + (len(TEXT) - 1) * GAP
    left = (SIZE - width) // 2
    top = (SIZE - 7) // 2 - 1
    gx, gy = x - left, y - top
    if 0 <= gy < 7 and 0 <= gx < width and gx % (5 + GAP) < 5:
        letter = TEXT[gx // (5 + GAP)]
        if GLYPHS[letter][gy][gx % (5 + GAP)] == "#":
            return WHITE
    return YELLOW


def bmp4():
    stride = ((SIZE * 4 + 31) // 32) * 4
    rows = []
    for y in reversed(range(SIZE)):
        row = bytearray()
        for x in range(0, SIZE, 2):
            row.append((pixel(x, y) << 4) | pixel(x + 1, y))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 4, 0, len(data), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + palette + data


def main():
    out = Path(sys.argv[1])
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_bytes(bmp4())


if __name__ == "__main__":
    main()
