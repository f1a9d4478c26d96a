#!/usr/bin/env python3
"""Draws the program icon (res/kestrel.ico: 16, 32 and 48 pixels) and the
ignore-list toolbar strip (res/toolbar.bmp: insert, delete, up, down; 16 x 16
each, 32 bits per pixel). Plain Python, no imaging library: every pixel is
computed with 4 x 4 supersampling, so the committed files can be redrawn
anywhere with `python3 tools/draw_icons.py`."""
import math
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")


def render(size, shape):
    """shape(x, y) -> (r, g, b, a) in 0..1 for a point in 0..1 square."""
    pixels = []
    n = 4
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    r, g, b, a = shape(x, y)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if a > 0:
                row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], a))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def rounded_square(x, y, radius):
    dx = max(abs(x - 0.5) - (0.5 - radius), 0)
    dy = max(abs(y - 0.5) - (0.5 - radius), 0)
    return dx * dx + dy * dy <= radius * radius


def program_icon(x, y):
    """A warm rounded tile with a white falcon-like wing over radio waves."""
    if not rounded_square(x, y, 0.2):
        return (0, 0, 0, 0)
    # Three radio arcs from the lower left corner.
    cx, cy = 0.22, 0.80
    d = math.hypot(x - cx, y - cy)
    angle = math.atan2(cy - y, x - cx)
    for radius in (0.40, 0.56, 0.72):
        if abs(d - radius) < 0.045 and 0.0 < angle < math.pi / 2:
            return (1.0, 0.96, 0.86, 1)
    # An eighth note in the lower left: head, stem and flag.
    if math.hypot((x - 0.24) / 1.25, y - 0.78) < 0.085:
        return (1, 1, 1, 1)
    if 0.31 <= x <= 0.36 and 0.36 <= y <= 0.78:
        return (1, 1, 1, 1)
    if 0.34 <= x <= 0.50 and abs(y - (0.38 + (x - 0.34) * 0.9)) < 0.05:
        return (1, 1, 1, 1)
    shade = 0.15 * y
    return (0.93 - shade, 0.45 - shade, 0.12, 1)


def arrow(x, y, up):
    if not up:
        y = 1 - y
    if 0.2 <= y <= 0.55 and abs(x - 0.5) <= (y - 0.2) * 1.0 + 0.02:
        return (0.16, 0.42, 0.80, 1)
    if 0.5 <= y <= 0.85 and abs(x - 0.5) <= 0.12:
        return (0.16, 0.42, 0.80, 1)
    return (0, 0, 0, 0)


def insert_icon(x, y):
    if 0.12 <= x <= 0.62 and 0.08 <= y <= 0.84:
        if 0.18 <= x <= 0.56 and 0.14 <= y <= 0.78:
            return (1, 1, 1, 1)
        return (0.45, 0.45, 0.45, 1)
    if (abs(x - 0.72) <= 0.07 and 0.52 <= y <= 0.92) or (abs(y - 0.72) <= 0.07 and 0.52 <= x <= 0.92):
        return (0.12, 0.62, 0.22, 1)
    return (0, 0, 0, 0)


def delete_icon(x, y):
    for sign in (1, -1):
        if abs((x - 0.5) - sign * (y - 0.5)) <= 0.1 and 0.18 <= x <= 0.82 and 0.18 <= y <= 0.82:
            return (0.82, 0.16, 0.14, 1)
    return (0, 0, 0, 0)


def bgra_rows(pixels):
    """Bottom-up rows of BGRA bytes."""
    out = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            out += bytes((round(b * 255), round(g * 255), round(r * 255), round(a * 255)))
    return bytes(out)


def write_ico(path, sizes):
    images = []
    for size in sizes:
        pixels = render(size, program_icon)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(pixels):
            bits = bytearray(mask_stride)
            for i, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[i // 8] |= 0x80 >> (i % 8)
            mask += bits
        images.append((size, header + bgra_rows(pixels) + bytes(mask)))
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for _, blob in images:
        data += blob
    with open(path, "wb") as f:
        f.write(data)


def write_toolbar(path):
    shapes = [insert_icon, delete_icon, lambda x, y: arrow(x, y, True), lambda x, y: arrow(x, y, False)]
    strips = [render(16, s) for s in shapes]
    pixels = [sum((strip[y] for strip in strips), []) for y in range(16)]
    body = bgra_rows(pixels)
    info = struct.pack("<IiiHHIIiiII", 40, 64, 16, 1, 32, 0, len(body), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(body), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + body)


if __name__ == "__main__":
    write_ico(os.path.join(ROOT, "kestrel.ico"), (16, 32, 48))
    write_toolbar(os.path.join(ROOT, "toolbar.bmp"))
