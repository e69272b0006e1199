#!/usr/bin/env python3
"""Draws the feature page's state pictures (50 by 32 pixels, the arrow 25 by 32) and writes them
as 24-bit .bmp files beside this script. Run it again after changing a drawing; the .bmp files
are committed.

The top-left pixel's colour is the transparent colour of the page's transparent bitmaps, so every
picture keeps its corner in the background colour below.
"""
import os
import struct

H = 32
BACK = (255, 0, 255)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (192, 192, 192)
DARK = (128, 128, 128)
RED = (255, 0, 0)
GREEN = (0, 128, 0)
LIME = (0, 255, 0)
NAVY = (0, 0, 128)
BLUE = (0, 0, 255)
YELLOW = (255, 255, 0)
OLIVE = (128, 128, 0)


class Picture:
    def __init__(self, width):
        self.w = width
        self.px = [[BACK] * width for _ in range(H)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < H:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c, dashed=False):
        for x in range(x0, x1 + 1):
            if not dashed or (x // 2) % 2 == 0:
                self.put(x, y0, c)
                self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            if not dashed or (y // 2) % 2 == 0:
                self.put(x0, y, c)
                self.put(x1, y, c)

    def line(self, points, c, thick=1):
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            n = max(abs(x1 - x0), abs(y1 - y0), 1)
            for i in range(n + 1):
                x = round(x0 + (x1 - x0) * i / n)
                y = round(y0 + (y1 - y0) * i / n)
                for d in range(thick):
                    self.put(x, y + d, c)

    def disc(self, cx, cy, r, c):
        for y in range(H):
            for x in range(self.w):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def write(self, path):
        row = (self.w * 3 + 3) & ~3
        data = b""
        for y in reversed(range(H)):
            line = b"".join(bytes((b, g, r)) for (r, g, b) in self.px[y])
            data += line + b"\0" * (row - len(line))
        header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        with open(path, "wb") as f:
            f.write(header + info + data)


def drive(p, led):
    """A hard drive seen from the front, in the middle of a 50-pixel picture."""
    p.rect(10, 10, 39, 23, GREY)
    p.frame(10, 10, 39, 23, BLACK)
    p.line([(11, 22), (38, 22)], DARK)
    p.rect(32, 18, 35, 19, led)


def cd(p):
    p.disc(25, 16, 12, GREY)
    p.disc(25, 16, 11, WHITE)
    p.disc(25, 16, 8, GREY)
    p.disc(25, 16, 3, BACK)
    p.disc(25, 16, 2, BACK)


def network(p):
    p.rect(17, 5, 32, 16, NAVY)
    p.rect(19, 7, 30, 14, BLUE)
    p.line([(24, 17), (24, 24)], BLACK)
    p.line([(8, 24), (41, 24)], BLACK, 2)
    for x in (10, 24, 39):
        p.rect(x - 2, 26, x + 2, 28, DARK)


def empty(p, colour):
    p.frame(10, 6, 39, 25, colour, dashed=True)


def pictures():
    out = {}
    p = Picture(50)
    cd(p)
    out[225] = p
    p = Picture(50)
    network(p)
    out[226] = p
    p = Picture(50)
    drive(p, LIME)
    out[227] = p
    p = Picture(50)
    drive(p, DARK)
    p.line([(12, 5), (37, 28)], RED, 3)
    p.line([(12, 28), (37, 5)], RED, 3)
    out[228] = p
    p = Picture(50)
    drive(p, DARK)
    p.disc(36, 8, 5, YELLOW)
    p.rect(35, 5, 37, 9, OLIVE)
    p.rect(35, 11, 37, 11, OLIVE)
    out[229] = p
    p = Picture(50)
    empty(p, DARK)
    out[230] = p
    p = Picture(25)
    p.line([(2, 15), (17, 15)], BLACK, 3)
    for i in range(7):
        p.line([(17 + i, 9 + i), (17 + i, 23 - i)], BLACK)
    out[231] = p
    p = Picture(50)
    empty(p, BLACK)
    out[232] = p
    p = Picture(50)
    drive(p, LIME)
    p.line([(14, 15), (21, 23), (36, 4)], GREEN, 3)
    out[257] = p
    return out


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for number, picture in pictures().items():
        picture.write(os.path.join(here, "state%d.bmp" % number))
