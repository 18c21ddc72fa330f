#!/usr/bin/env python3
"""Draws the add-in's button face from code, so every build has the same bytes: a 32x32 bitmap
   with 16 colours, "varo" in white letters on a yellow square with a grey border; and the ribbon's
   pictures: a photo (sky, sun, hill) in a white frame under a magnifying glass, 32-bit with alpha
   so that the ribbon's background shows around it.
   Usage: make_face.py OUTPUT.bmp
          make_face.py --ribbon SIZE OUTPUT.bmp"""
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


# The ribbon picture, drawn on a unit square (0..1, y downwards) and sampled 4 x 4 times a pixel.
FRAME = (0.06, 0.10, 0.80, 0.74)  # left, top, right, bottom of the photo's white frame
INSET = 0.06
LENS = (0.70, 0.68, 0.19)  # centre x, centre y, radius of the magnifier's glass
RING = 0.06


def ribbon_colour(x, y):
    """(r, g, b, a) of one point of the picture."""
    cx, cy, r = LENS
    d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
    # The handle runs from the ring down to the right.
    hx, hy = x - cx, y - cy
    along = (hx + hy) / 2 ** 0.5
    across = abs(hx - hy) / 2 ** 0.5
    if r + RING * 0.5 <= along <= r + 0.30 and across <= 0.055 and x <= 0.99 and y <= 0.99:
        return (70, 45, 20, 255)
    if r <= d <= r + RING:
        return (40, 40, 48, 255)
    inside_lens = d < r
    left, top, right, bottom = FRAME
    if left <= x <= right and top <= y <= bottom:
        if not (left + INSET <= x <= right - INSET and top + INSET <= y <= bottom - INSET):
            colour = (250, 250, 250) if min(x - left, right - x, y - top, bottom - y) > 0.015 else (90, 90, 90)
        else:
            pw = right - left - 2 * INSET
            ph = bottom - top - 2 * INSET
            u, v = (x - left - INSET) / pw, (y - top - INSET) / ph
            hill = 0.62 + 0.18 * ((u - 0.35) ** 2) * 2.2
            if ((u - 0.72) ** 2 + (v - 0.28) ** 2) ** 0.5 < 0.13:
                colour = (255, 200, 40)
            elif v > hill:
                colour = (60, 150, 60)
            else:
                colour = (110, 170, 235)
        if inside_lens:  # the glass brightens what lies under it
            colour = tuple(min(255, int(c * 0.6 + 110)) for c in colour)
        return colour + (255,)
    if inside_lens:
        return (215, 235, 250, 210)
    return (0, 0, 0, 0)


def bmp32(size):
    samples = 4
    rows = []
    for py in reversed(range(size)):
        row = bytearray()
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    r, g, b, a = ribbon_colour((px + (sx + 0.5) / samples) / size,
                                               (py + (sy + 0.5) / samples) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = samples * samples
            alpha = acc[3] // n
            # Premultiplied, as the platform's alpha blending takes 32-bit pictures.
            row += bytes((acc[2] // (n * 255), acc[1] // (n * 255), acc[0] // (n * 255), alpha))
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 32, 0, len(data), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + data


def main():
    if sys.argv[1] == "--ribbon":
        size, out = int(sys.argv[2]), Path(sys.argv[3])
        data = bmp32(size)
    else:
        out = Path(sys.argv[1])
        data = bmp4()
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_bytes(data)


if __name__ == "__main__":
    main()
