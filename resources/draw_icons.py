#!/usr/bin/env python3
"""Draws the program's icon and its pointing-hand cursor, writing the ICO and CUR files.

Usage: draw_icons.py [OUTPUT_DIR]

The icon is a blue rounded square with a white play triangle, in eight images:
32x32 at 1 bit, 48x48 at 4 bits, and 48, 32, 16 pixels at 8 and at 32 bits.
The cursor is a monochrome hand in three sizes, 32x32, 48x48 and 64x64 (for 96, 144 and
192 DPI), whose index fingertip, the hot spot, is at (6, 1), (9, 1) and (12, 2).
"""
import os
import struct
import sys

BLUE = (0x1D, 0x5F, 0xA8)
LIGHT = (0x63, 0xB3, 0xEE)
WHITE = (0xFF, 0xFF, 0xFF)


def icon_pixels(size):
    """RGBA rows, top row first, drawn with 4x4 supersampling."""
    samples = 4
    radius = size * 0.22
    tri = [(0.36 * size, 0.26 * size), (0.36 * size, 0.74 * size), (0.76 * size, 0.50 * size)]

    def in_square(x, y):
        m = 0.5
        lo, hi = m, size - m
        if not (lo <= x <= hi and lo <= y <= hi):
            return False
        cx = min(max(x, lo + radius), hi - radius)
        cy = min(max(y, lo + radius), hi - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2

    def in_triangle(x, y):
        (x1, y1), (x2, y2), (x3, y3) = tri

        def side(ax, ay, bx, by):
            return (bx - ax) * (y - ay) - (by - ay) * (x - ax)
        s1, s2, s3 = side(x1, y1, x2, y2), side(x2, y2, x3, y3), side(x3, y3, x1, y1)
        return (s1 <= 0 and s2 <= 0 and s3 <= 0) or (s1 >= 0 and s2 >= 0 and s3 >= 0)

    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            cover = white = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = px + (sx + 0.5) / samples
                    y = py + (sy + 0.5) / samples
                    if in_square(x, y):
                        cover += 1
                        if in_triangle(x, y):
                            white += 1
            n = samples * samples
            if cover == 0:
                row.append((0, 0, 0, 0))
                continue
            t = py / max(1, size - 1)
            base = tuple(round(BLUE[i] + (LIGHT[i] - BLUE[i]) * t) for i in range(3))
            w = white / cover
            rgb = tuple(round(base[i] * (1 - w) + WHITE[i] * w) for i in range(3))
            row.append(rgb + (round(255 * cover / n),))
        rows.append(row)
    return rows


def row_bytes(bits_per_row):
    return ((bits_per_row + 31) // 32) * 4


def and_mask(rows):
    size = len(rows)
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(row_bytes(size))
        for x, px in enumerate(row):
            if px[3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return out


def header(size, bits, colours):
    return struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)


def image_32(rows):
    size = len(rows)
    out = bytearray(header(size, 32, 0))
    for row in reversed(rows):
        for r, g, b, a in row:
            out += bytes((b, g, r, a))
    return bytes(out + and_mask(rows))


def nearest(palette, rgb):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][c] - rgb[c]) ** 2 for c in range(3)))


def image_indexed(rows, bits, palette):
    size = len(rows)
    out = bytearray(header(size, bits, len(palette)))
    for r, g, b in palette:
        out += bytes((b, g, r, 0))
    cache = {}
    for row in reversed(rows):
        line = bytearray(row_bytes(size * bits))
        for x, (r, g, b, a) in enumerate(row):
            index = 0 if a < 128 else cache.setdefault((r, g, b), nearest(palette, (r, g, b)))
            bit = x * bits
            line[bit // 8] |= index << (8 - bits - bit % 8)
        out += line
    return bytes(out + and_mask(rows))


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
CUBE += [(i * 6 + 8, i * 6 + 8, i * 6 + 8) for i in range(40)]  # greys fill the table to 256


def sixteen_colours(rows):
    """The 16-colour image keeps to two palette colours: the blue square and the white triangle."""
    flat = [[(255, 255, 255, a) if (r + g + b) / 3 > 200 else (0, 0, 255, a) for r, g, b, a in row] for row in rows]
    return image_indexed(flat, 4, VGA16)


def monochrome(rows):
    """Black and white: white triangle, black square."""
    mono = [[(255, 255, 255, a) if (r + g + b) / 3 > 200 else (0, 0, 0, a) for r, g, b, a in row] for row in rows]
    return image_indexed(mono, 1, [(0, 0, 0), (255, 255, 255)])


def write_directory(path, kind, entries):
    """entries: (size, colour count, field1, field2, image bytes); field1/2 are planes/bits
    for an icon and the hot spot x/y for a cursor."""
    data = struct.pack('<HHH', 0, kind, len(entries))
    offset = 6 + 16 * len(entries)
    images = b''
    for size, colours, field1, field2, image in entries:
        data += struct.pack('<BBBBHHII', size % 256, size % 256, colours % 256, 0, field1, field2, len(image), offset)
        offset += len(image)
        images += image
    with open(path, 'wb') as f:
        f.write(data + images)


def hand_inside(x, y):
    """The hand: index finger up (tip at the top, x 5..8), three folded fingers, palm, thumb."""
    if 5 <= x <= 8 and 1 <= y <= 16:
        return not (y == 1 and x in (5, 8))
    for left in (9, 13, 17):
        if left <= x <= left + 3 and 8 <= y <= 16:
            return not (y == 8 and x in (left, left + 3))
    if 5 <= x <= 20 and 15 <= y <= 27:
        return not (y == 27 and x in (5, 20))
    if 1 <= x <= 5 and 14 <= y <= 21:
        return not (x == 1 and y in (14, 21))
    return False


def hand_cursor(size):
    """The hand at `size` pixels: the 32-pixel drawing scaled, with a one-pixel
    outline and fold lines at every size."""
    def cell(v):
        return int((v + 0.5) * 32 / size)

    def inside(x, y):
        return 0 <= x < size and 0 <= y < size and hand_inside(cell(x), cell(y))

    xor_rows, and_rows = [], []
    for y in range(size):
        xor_row, and_row = [], []
        for x in range(size):
            here = inside(x, y)
            edge = here and any(not inside(nx, ny)
                                for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)))
            # The fold lines between the fingers are drawn black too, one pixel wide.
            fold = here and cell(y) <= 15 and cell(x) in (9, 13, 17) and cell(x - 1) != cell(x)
            xor_row.append(1 if here and not (edge or fold) else 0)
            and_row.append(0 if here else 1)
        xor_rows.append(xor_row)
        and_rows.append(and_row)
    out = bytearray(header(size, 1, 2))
    out += bytes((0, 0, 0, 0, 255, 255, 255, 0))
    for rows in (xor_rows, and_rows):
        for row in reversed(rows):
            line = bytearray(row_bytes(size))
            for x, bit in enumerate(row):
                if bit:
                    line[x // 8] |= 0x80 >> (x % 8)
            out += line
    return bytes(out)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    pictures = {size: icon_pixels(size) for size in (16, 32, 48)}
    entries = [
        (32, 2, 1, 1, monochrome(pictures[32])),
        (48, 16, 1, 4, sixteen_colours(pictures[48])),
        (48, 0, 1, 8, image_indexed(pictures[48], 8, CUBE)),
        (32, 0, 1, 8, image_indexed(pictures[32], 8, CUBE)),
        (16, 0, 1, 8, image_indexed(pictures[16], 8, CUBE)),
        (48, 0, 1, 32, image_32(pictures[48])),
        (32, 0, 1, 32, image_32(pictures[32])),
        (16, 0, 1, 32, image_32(pictures[16])),
    ]
    write_directory(os.path.join(out_dir, 'tarnvex.ico'), 1, entries)
    # The hot spot is the fingertip at every size: (6, 1) at 32 pixels.
    cursors = [(size, 2, 6 * size // 32, size // 32, hand_cursor(size)) for size in (32, 48, 64)]
    write_directory(os.path.join(out_dir, 'hand.cur'), 2, cursors)


if __name__ == '__main__':
    main()
