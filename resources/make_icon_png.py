#!/usr/bin/env python3
"""Writes the application icon: a blue rounded square with two overlapping speech
bubbles, a white one holding a stylised "文" and an amber one holding an "A".

Standard library only; every shape is a signed distance field, drawn anti-aliased:
    python3 resources/make_icon_png.py    (writes glossa-desk.png and glossa-desk-48.png)
"""
import math
import struct
import sys
import zlib
from pathlib import Path

DESIGN = 256.0  # shapes are laid out on a 256 x 256 grid and scaled to the output size

BLUE_TOP = (0x3D, 0x7B, 0xE0)
BLUE_BOTTOM = (0x22, 0x4F, 0xB0)
WHITE = (0xFF, 0xFF, 0xFF)
INK = (0x24, 0x55, 0xB8)
AMBER = (0xF5, 0x9A, 0x0B)


def rounded_rect(left, top, right, bottom, radius):
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - radius
    return sdf


def stroke(x0, y0, x1, y1, width):
    """A straight stroke with round ends."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def sdf(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        return math.hypot(x - x0 - t * dx, y - y0 - t * dy) - width / 2
    return sdf


def polygon(points):
    def sdf(x, y):
        best = float("inf")
        inside = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[i - 1]
            ex, ey = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey)))
            best = min(best, math.hypot(x - ax - t * ex, y - ay - t * ey))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -best if inside else best
    return sdf


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def grown(shape, amount):
    return lambda x, y: shape(x, y) - amount


def glyph(box_x, box_y, size, strokes, width):
    """Strokes given in a unit box, placed in a square of `size` at (box_x, box_y)."""
    return union(*(stroke(box_x + a * size, box_y + b * size, box_x + c * size, box_y + d * size, width)
                   for a, b, c, d in strokes))


def background(_x, y):
    t = max(0.0, min(1.0, (y - 16) / 224))
    return tuple(top + (bottom - top) * t for top, bottom in zip(BLUE_TOP, BLUE_BOTTOM))


WEN = [(0.50, 0.02, 0.50, 0.16),   # dot
       (0.08, 0.30, 0.92, 0.30),   # bar
       (0.72, 0.36, 0.12, 0.98),   # left-falling stroke
       (0.30, 0.36, 0.90, 0.98)]   # right-falling stroke
LETTER_A = [(0.50, 0.02, 0.14, 0.98),
            (0.50, 0.02, 0.86, 0.98),
            (0.27, 0.64, 0.73, 0.64)]

back_bubble = union(rounded_rect(40, 44, 160, 140, 20), polygon([(60, 130), (96, 130), (52, 172)]))
front_bubble = union(rounded_rect(104, 112, 216, 200, 20), polygon([(168, 190), (200, 190), (212, 228)]))

LAYERS = [
    (rounded_rect(16, 16, 240, 240, 52), background),
    (back_bubble, lambda x, y: WHITE),
    (glyph(58, 55, 54, WEN, 10), lambda x, y: INK),
    (grown(front_bubble, 7), background),  # a gap of background sets the bubbles apart
    (front_bubble, lambda x, y: AMBER),
    (glyph(134, 126, 60, LETTER_A, 12), lambda x, y: WHITE),
]


def render(size):
    scale = DESIGN / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            x, y = (px + 0.5) * scale, (py + 0.5) * scale
            r = g = b = a = 0.0  # premultiplied
            for shape, colour in LAYERS:
                cover = max(0.0, min(1.0, 0.5 - shape(x, y) / scale))
                if cover <= 0.0:
                    continue
                cr, cg, cb = colour(x, y)
                r = cr * cover + r * (1 - cover)
                g = cg * cover + g * (1 - cover)
                b = cb * cover + b * (1 - cover)
                a = cover + a * (1 - cover)
            if a <= 0.0:
                row.extend((0, 0, 0, 0))
            else:
                row.extend((round(r / a), round(g / a), round(b / a), round(a * 255)))
        rows.append(row)
    return rows


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode_png(width, height, rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
            + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def main():
    out_dir = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    for size, name in ((256, "glossa-desk.png"), (48, "glossa-desk-48.png")):
        (out_dir / name).write_bytes(encode_png(size, size, render(size)))


if __name__ == "__main__":
    main()
