#!/usr/bin/env python3
"""Writes waiting.png, the waiting window's panel: 459 x 171, 8-bit RGBA, an opaque
white interior, a 1-pixel border in RGB (95, 95, 99) along all four edges, corners
rounded with a radius of 6 pixels, anti-aliased and fully transparent outside the curve.

Standard library only, so that the picture can be rebuilt anywhere:
    python3 resources/make_waiting_png.py [output]
"""
import math
import struct
import sys
import zlib
from pathlib import Path

WIDTH, HEIGHT = 459, 171
RADIUS = 6.0
BORDER = (95, 95, 99)
INTERIOR = (255, 255, 255)
SUBSAMPLES = 8  # per axis, for the corner pixels


def rounded_rect_distance(px, py, left, top, right, bottom, radius):
    """Signed distance from (px, py) to a rounded rectangle; negative inside."""
    cx = (left + right) / 2
    cy = (top + bottom) / 2
    hx = (right - left) / 2 - radius
    hy = (bottom - top) / 2 - radius
    qx = abs(px - cx) - hx
    qy = abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def coverage(x, y, inset, radius):
    """Share of pixel (x, y) inside the rounded rectangle inset by `inset` pixels."""
    inside = 0
    for sy in range(SUBSAMPLES):
        for sx in range(SUBSAMPLES):
            px = x + (sx + 0.5) / SUBSAMPLES
            py = y + (sy + 0.5) / SUBSAMPLES
            if rounded_rect_distance(px, py, inset, inset, WIDTH - inset, HEIGHT - inset, radius) < 0:
                inside += 1
    return inside / (SUBSAMPLES * SUBSAMPLES)


def pixel(x, y):
    in_corner = (x < RADIUS + 1 or x >= WIDTH - RADIUS - 1) and (y < RADIUS + 1 or y >= HEIGHT - RADIUS - 1)
    if not in_corner:
        on_edge = x == 0 or y == 0 or x == WIDTH - 1 or y == HEIGHT - 1
        return (*(BORDER if on_edge else INTERIOR), 255)
    outer = coverage(x, y, 0.0, RADIUS)
    inner = coverage(x, y, 1.0, RADIUS - 1.0)
    if outer <= 0:
        return (0, 0, 0, 0)
    # The white interior and the border share the pixel by their coverage; the
    # colour is stored unpremultiplied, as PNG wants it.
    rgb = tuple(round((inner * i + (outer - inner) * b) / outer) for i, b in zip(INTERIOR, BORDER))
    return (*rgb, round(outer * 255))


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode_png(width, height, rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
            + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("waiting.png")
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            row.extend(pixel(x, y))
        rows.append(row)
    out.write_bytes(encode_png(WIDTH, HEIGHT, rows))


if __name__ == "__main__":
    main()
