#!/usr/bin/env python3
"""Draws the tool's icon, a page being cut into parts, into textsplit.ico.

Six images (16, 24, 32, 48, 64 and 256 pixels, 32-bit with alpha). The small
ones are stored as DIBs, the 256-pixel one as PNG. Plain Python only: every
pixel is supersampled against a few shapes in unit coordinates.

    python3 resources/make_icon.py [output.ico]
"""

import math
import struct
import sys
import zlib
from pathlib import Path

SIZES = (16, 24, 32, 48, 64, 256)

INK = (0x3B, 0x4A, 0x5F)  # page outline
PAPER = (0xFF, 0xFF, 0xFF)
FOLD = (0xD5, 0xDD, 0xE8)  # the folded corner
TEXT = (0x86, 0x9C, 0xB8)  # lines of text on the page
CUT = (0xD9, 0x41, 0x2B)  # the cut marks and the scissors
STEEL = (0x5E, 0x6B, 0x7C)


class Rect:
    def __init__(self, x0, y0, x1, y1, colour):
        self.box = (x0, y0, x1, y1)
        self.colour = colour

    def contains(self, x, y):
        x0, y0, x1, y1 = self.box
        return x0 <= x < x1 and y0 <= y < y1


class Polygon:
    def __init__(self, points, colour):
        self.points = points
        self.colour = colour
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.box = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        inside = False
        pts = self.points
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return inside


class Ring:
    def __init__(self, cx, cy, outer, inner, colour):
        self.c = (cx, cy)
        self.r2 = (inner * inner, outer * outer)
        self.colour = colour
        self.box = (cx - outer, cy - outer, cx + outer, cy + outer)

    def contains(self, x, y):
        d = (x - self.c[0]) ** 2 + (y - self.c[1]) ** 2
        return self.r2[0] <= d <= self.r2[1]


class Segment:
    """A stroke of the given width from a to b, with round ends."""

    def __init__(self, a, b, width, colour):
        self.a, self.b, self.half = a, b, width / 2
        self.colour = colour
        self.box = (min(a[0], b[0]) - self.half, min(a[1], b[1]) - self.half,
                    max(a[0], b[0]) + self.half, max(a[1], b[1]) + self.half)

    def contains(self, x, y):
        ax, ay = self.a
        bx, by = self.b
        dx, dy = bx - ax, by - ay
        t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) <= self.half


def snap(v, size):
    return round(v * size) / size


def piece(shapes, size, x0, y0, x1, y1, lines, fold=False):
    """One strip of the page: outline, paper, lines of text."""
    x0, y0, x1, y1 = (snap(v, size) for v in (x0, y0, x1, y1))
    border = max(1.0 / size, 0.025)
    if fold:
        f = snap(0.13, size)
        outline = [(x0, y0), (x1 - f, y0), (x1, y0 + f), (x1, y1), (x0, y1)]
        inner = [(x0 + border, y0 + border), (x1 - f - border * 0.4, y0 + border),
                 (x1 - border, y0 + f + border * 0.4), (x1 - border, y1 - border),
                 (x0 + border, y1 - border)]
        shapes.append(Polygon(outline, INK))
        shapes.append(Polygon(inner, PAPER))
        shapes.append(Polygon([(x1 - f, y0), (x1 - f, y0 + f), (x1, y0 + f)], INK))
        shapes.append(Polygon([(x1 - f + border, y0 + border * 2.4),
                               (x1 - f + border, y0 + f - border),
                               (x1 - border * 2.4, y0 + f - border)], FOLD))
    else:
        shapes.append(Rect(x0, y0, x1, y1, INK))
        shapes.append(Rect(x0 + border, y0 + border, x1 - border, y1 - border, PAPER))
    if lines:
        thick = max(1, round(0.04 * size)) / size
        height = y1 - y0
        for i in range(lines):
            y = snap(y0 + height * (0.5 if lines == 1 else 0.32 + 0.34 * i) - thick / 2, size)
            right = x1 - 0.08 - (0.12 if lines > 1 and i == lines - 1 else 0)
            if fold and i == 0:
                right = min(right, x1 - 0.16)
            shapes.append(Rect(snap(x0 + 0.08, size), y, snap(right, size), y + thick, TEXT))


def scissors(shapes, cx, cy, scale):
    """Open scissors cutting to the left, their pivot at (cx, cy)."""
    s = scale
    shapes.append(Segment((cx, cy), (cx - 0.24 * s, cy - 0.075 * s), 0.05 * s, STEEL))
    shapes.append(Segment((cx, cy), (cx - 0.24 * s, cy + 0.075 * s), 0.05 * s, STEEL))
    shapes.append(Segment((cx, cy), (cx + 0.07 * s, cy - 0.07 * s), 0.045 * s, CUT))
    shapes.append(Segment((cx, cy), (cx + 0.07 * s, cy + 0.07 * s), 0.045 * s, CUT))
    shapes.append(Ring(cx + 0.12 * s, cy - 0.1 * s, 0.07 * s, 0.035 * s, CUT))
    shapes.append(Ring(cx + 0.12 * s, cy + 0.1 * s, 0.07 * s, 0.035 * s, CUT))
    shapes.append(Ring(cx, cy, 0.022 * s, 0, INK))


def shapes_for(size):
    shapes = []
    lines = 0 if size < 24 else (1 if size < 48 else 2)
    fold = size >= 32
    # Three strips of one page; the middle one pulled out to the right.
    piece(shapes, size, 0.06, 0.04, 0.62, 0.30, lines, fold)
    piece(shapes, size, 0.20, 0.38, 0.76, 0.62, lines)
    piece(shapes, size, 0.06, 0.70, 0.62, 0.96, lines)
    # Dashed cut marks along the middle of the two gaps.
    if size >= 24:
        width = max(1, round(0.018 * size)) / size
        dash = max(3.0 / size, 0.06)
        for gap, stop in ((0.34, 0.60 if size >= 48 else 0.84), (0.66, 0.84)):
            y = (math.floor(gap * size) + 0.5) / size
            x = snap(0.02, size)
            while x + dash * 0.3 < stop:
                end = snap(min(x + dash * 0.6, stop), size)
                shapes.append(Rect(snap(x, size), y - width / 2, end, y + width / 2, CUT))
                x += dash
    if size >= 48:
        scissors(shapes, 0.80, (math.floor(0.34 * size) + 0.5) / size, 1.0)
    return shapes


def render(size):
    shapes = shapes_for(size)
    grid = 4 if size <= 64 else 3
    offsets = [(i + 0.5) / grid for i in range(grid)]
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = n = 0
            for oy in offsets:
                y = (py + oy) / size
                for ox in offsets:
                    x = (px + ox) / size
                    colour = None
                    for shape in reversed(shapes):
                        x0, y0, x1, y1 = shape.box
                        if x0 <= x <= x1 and y0 <= y <= y1 and shape.contains(x, y):
                            colour = shape.colour
                            break
                    if colour:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        n += 1
            if n:
                row.append((round(r / n), round(g / n), round(b / n), round(255 * n / grid ** 2)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def dib(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def png(pixels):
    size = len(pixels)
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("textsplit.ico")
    images = []
    for size in SIZES:
        pixels = render(size)
        images.append((size, png(pixels) if size >= 256 else dib(pixels)))
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in images:
        edge = 0 if size >= 256 else size
        data += struct.pack("<BBBBHHII", edge, edge, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for _, image in images:
        data += image
    out.write_bytes(data)
    print(f"{out}: {len(images)} images, {len(data)} bytes")


if __name__ == "__main__":
    main()
