#!/usr/bin/env python3
"""Draws the application icon: 59 x 60 pixels, 32 bits per pixel (8-bit RGBA), as a PNG.

A strip of film on a blue tile, with an orange arrow leading out of it: a recording turned into
another file. Shapes are sampled 4 x 4 times per pixel for smooth edges. Uses only the standard
library, so the icon can be redrawn anywhere:

    python3 make_icon.py recmorph.png recmorph-64.png

The second file is the same image centred on a transparent 64 x 64 square, for the desktop's icon
theme, which files icons by square sizes.
"""
import struct
import sys
import zlib

WIDTH, HEIGHT = 59, 60
SUB = 4  # samples per pixel along each axis


def rounded_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    s1, s2, s3 = side(a, b), side(b, c), side(c, a)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def sample(x, y):
    """The colour (r, g, b, a), each 0..1, at a point of the icon; None where it is empty."""
    if not rounded_rect(x, y, 1, 1, WIDTH - 1, HEIGHT - 1, 11):
        return None
    colour = mix((0.16, 0.42, 0.70), (0.07, 0.20, 0.42), y / HEIGHT)
    # The film strip with its perforations and one light frame.
    if rounded_rect(x, y, 7, 8, 31, 52, 3):
        colour = (0.10, 0.11, 0.13)
        for hy in range(11, 50, 7):
            if rounded_rect(x, y, 9, hy, 12.5, hy + 3.5, 1) or \
               rounded_rect(x, y, 25.5, hy, 29, hy + 3.5, 1):
                colour = (0.90, 0.92, 0.95)
        if rounded_rect(x, y, 15, 17, 23, 43, 1.5):
            colour = mix((0.67, 0.89, 1.00), (0.36, 0.68, 0.93), (y - 17) / 26)
    # The arrow, with a thin dark outline so that it stands off the tile.
    head = ((38, 15), (38, 45), (54, 30))
    shaft = (27, 25.5, 39, 34.5)
    if in_triangle(x, y, *head) or rounded_rect(x, y, *shaft, 1):
        colour = mix((1.00, 0.74, 0.25), (0.93, 0.45, 0.07), (y - 15) / 30)
    elif in_triangle(x, y, (36.6, 12.5), (36.6, 47.5), (56.2, 30)) or \
            rounded_rect(x, y, 25.8, 24.3, 39, 35.7, 1.5):
        colour = (0.30, 0.16, 0.05)
    return colour + (1.0,)


def render():
    rows = []
    for py in range(HEIGHT):
        row = bytearray([0])  # filter type: none
        for px in range(WIDTH):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUB):
                for sx in range(SUB):
                    c = sample(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB)
                    if c is None:
                        continue
                    for i in range(3):
                        acc[i] += c[i] * c[3]
                    acc[3] += c[3]
            n = SUB * SUB
            alpha = acc[3] / n
            if alpha > 0:
                rgb = [acc[i] / acc[3] for i in range(3)]
            else:
                rgb = [0.0, 0.0, 0.0]
            row += bytes(int(round(v * 255)) for v in rgb + [alpha])
        rows.append(bytes(row))
    return b"".join(rows)


def pad(raw, size):
    """Centres the rendered rows on a transparent size x size square."""
    left, top = (size - WIDTH) // 2, (size - HEIGHT) // 2
    stride = 1 + 4 * WIDTH
    rows = []
    for y in range(size):
        row = bytearray(1 + 4 * size)
        if top <= y < top + HEIGHT:
            src = raw[(y - top) * stride + 1:(y - top + 1) * stride]
            row[1 + 4 * left:1 + 4 * (left + WIDTH)] = src
        rows.append(bytes(row))
    return b"".join(rows)


def png(raw, width=WIDTH, height=HEIGHT):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8 bits per channel, RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    image = render()
    out = sys.argv[1] if len(sys.argv) > 1 else "recmorph.png"
    with open(out, "wb") as f:
        f.write(png(image))
    if len(sys.argv) > 2:
        with open(sys.argv[2], "wb") as f:
            f.write(png(pad(image, 64), 64, 64))
