#!/usr/bin/env python3
"""Draws the viewer's small artwork from code, so every build produces the same bytes:
   toolbar.bmp (three 16x15 buttons: refresh, back, about), varo.ico and varodoc.ico (32x32).
   Usage: make_art.py OUTPUT_FOLDER"""
import struct
import sys
from pathlib import Path

FACE = (192, 192, 192)  # the tool bar's button face: drawn transparent


def bmp24(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b) with y counted from the top."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return head + info + data


def refresh_button(x, y):
    # a round arrow: ring of radius 5 around (7.5, 7), open at the upper right, with an arrow head
    dx, dy = x - 7.5, y - 7
    d2 = dx * dx + dy * dy
    if 16 <= d2 <= 36 and not (dx > 0 and dy < -1):
        return (0, 128, 0)
    if 8 <= x <= 13 and 1 <= y <= 5 and x - 8 >= y - 1:
        return (0, 128, 0)
    return FACE


def back_button(x, y):
    # a left arrow
    if 6 <= x <= 13 and 6 <= y <= 8:
        return (0, 0, 160)
    if 2 <= x <= 6 and abs(y - 7) <= x - 2:
        return (0, 0, 160)
    return FACE


def about_button(x, y):
    # an "i" in a blue circle
    dx, dy = x - 7.5, y - 7
    if dx * dx + dy * dy > 42:
        return FACE
    if 7 <= x <= 8 and (y == 3 or 6 <= y <= 11):
        return (255, 255, 255)
    return (0, 64, 192)


def toolbar():
    buttons = [refresh_button, back_button, about_button]
    return bmp24(16 * len(buttons), 15, lambda x, y: buttons[x // 16](x % 16, y))


def icon(pixel):
    """A 32x32 icon with a 32-bit image (alpha from pixel) and an AND mask."""
    size = 32
    xor = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = pixel(x, y)
            xor += bytes((b, g, r, a))
    mask = bytearray()
    for y in reversed(range(size)):
        bits = 0
        for x in range(size):
            if pixel(x, y)[3] == 0:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + bytes(xor) + bytes(mask)
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return header + entry + image


def app_icon(x, y):
    # a magnifier over a picture: frame, a green hill, a lens ring
    dx, dy = x - 19, y - 12
    d2 = dx * dx + dy * dy
    if 49 <= d2 <= 81:
        return (40, 40, 40, 255)
    if d2 < 49:
        return (180, 220, 255, 255)
    if x > 24 and y > 18 and abs((x - 24) - (y - 18)) <= 2 and x < 31 and y < 31:
        return (90, 60, 20, 255)
    if 2 <= x <= 22 and 6 <= y <= 28:
        if y > 20 - (x % 8):
            return (40, 150, 40, 255)
        return (250, 250, 250, 255)
    return (0, 0, 0, 0)


def doc_icon(x, y):
    # a page with a picture on it
    if 6 <= x <= 25 and 2 <= y <= 29:
        if x in (6, 25) or y in (2, 29):
            return (60, 60, 60, 255)
        if 9 <= x <= 22 and 8 <= y <= 20:
            return (40, 150, 40, 255) if y > 16 - (x % 5) else (180, 220, 255, 255)
        return (255, 255, 255, 255)
    return (0, 0, 0, 0)


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "toolbar.bmp").write_bytes(toolbar())
    (out / "varo.ico").write_bytes(icon(app_icon))
    (out / "varodoc.ico").write_bytes(icon(doc_icon))


if __name__ == "__main__":
    main()
