#!/usr/bin/env python3
"""Draws the feature tree's and the feature menus' 32 by 16 pixel icons and writes them as .ico
files beside this script. Run it again after changing a drawing; the .ico files are committed.

Only the 16 standard colours are used, so that the pictures survive the tree's 16-colour image
list. A layer of the tree's composite images is drawn at (0, 0) over the others: the base
(500, 501) is the frame, the state icons draw into the frame, the menu arrow (502) sits to the
right of it and the overlays (505, 506) in the frame's top-right corner.
"""
import os
import struct

W, H = 32, 16
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (192, 192, 192)
DARK = (128, 128, 128)
RED = (255, 0, 0)
MAROON = (128, 0, 0)
GREEN = (0, 128, 0)
LIME = (0, 255, 0)
NAVY = (0, 0, 128)
BLUE = (0, 0, 255)
TEAL = (0, 128, 128)
CYAN = (0, 255, 255)
YELLOW = (255, 255, 0)
OLIVE = (128, 128, 0)


class Icon:
    def __init__(self):
        self.px = [[None] * W for _ in range(H)]

    def put(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def line(self, points, c):
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            n = max(abs(x1 - x0), abs(y1 - y0), 1)
            for i in range(n + 1):
                self.put(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def disc(self, cx, cy, r, c):
        for y in range(H):
            for x in range(W):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def ico(self):
        # One 32-bit image: BITMAPINFOHEADER (height doubled), BGRA rows bottom-up, AND mask.
        header = struct.pack('<IiiHHIIiiII', 40, W, H * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        xor = b''
        mask = b''
        for y in reversed(range(H)):
            bits = 0
            for x in range(W):
                c = self.px[y][x]
                if c is None:
                    xor += b'\0\0\0\0'
                    bits |= 1 << (31 - x)
                else:
                    xor += bytes((c[2], c[1], c[0], 255))
            mask += struct.pack('>I', bits)
        image = header + xor + mask
        return struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', W, H, 0, 0, 1, 32, len(image), 22) + image


# The pictures, each drawn on a fresh icon. Symbols sit in x 2..17, y 1..14 (the base frame's
# inside) unless they are menu icons, which have the whole left half.

def drive(i, x=4, y=5, led=LIME):
    i.rect(x, y, x + 11, y + 6, GREY)
    i.frame(x, y, x + 11, y + 6, BLACK)
    i.line([(x + 1, y + 1), (x + 10, y + 1)], WHITE)
    i.rect(x + 8, y + 4, x + 9, y + 4, led)


def cd(i, cx=10, cy=8):
    i.disc(cx, cy, 6, CYAN)
    for (x, y) in [(cx - 6, cy), (cx + 6, cy), (cx, cy - 6), (cx, cy + 6)]:
        i.put(x, y, TEAL)
    i.disc(cx, cy, 2, WHITE)
    i.put(cx, cy, BLACK)
    i.line([(cx + 2, cy - 4), (cx + 4, cy - 2)], WHITE)


def network(i):
    drive(i, y=2)
    i.line([(10, 9), (10, 13)], NAVY)
    i.line([(4, 13), (16, 13)], NAVY)


def advertise(i):
    drive(i)
    i.rect(3, 1, 7, 6, YELLOW)
    i.frame(3, 1, 7, 6, OLIVE)
    i.line([(5, 2), (5, 5)], BLACK)
    i.put(4, 3, BLACK)


def cross(i, x=4, y=2, size=11, c=RED):
    for d in range(-1, 1):
        i.line([(x + d, y), (x + size + d, y + size)], c)
        i.line([(x + size + d, y), (x + d, y + size)], c)


def check(i):
    for d in range(2):
        i.line([(3, 8 + d), (7, 12 + d), (16, 3 + d)], GREEN)


def no_sign(i):
    i.disc(10, 8, 6, RED)
    i.disc(10, 8, 4, None)
    i.line([(6, 4), (14, 12)], RED)
    i.line([(7, 4), (15, 12)], RED)


def changed(i):
    # A small star: the state is about to change.
    i.line([(15, 1), (15, 5)], BLUE)
    i.line([(13, 3), (17, 3)], BLUE)


def subfeatures(i):
    i.rect(12, 11, 15, 14, GREY)
    i.frame(12, 11, 15, 14, BLACK)
    i.rect(17, 11, 20, 14, GREY)
    i.frame(17, 11, 20, 14, BLACK)


def base(fill):
    def draw(i):
        i.rect(0, 0, 19, 15, fill)
        i.frame(0, 0, 19, 15, DARK)
        if fill != WHITE:
            # Mixed: a checked pattern that shows around any state icon.
            for y in range(1, 15):
                for x in range(1, 19):
                    if (x + y) % 2 == 0:
                        i.put(x, y, WHITE)
    return draw


def arrow(i):
    for row, (x0, x1) in enumerate([(22, 28), (23, 27), (24, 26), (25, 25)]):
        i.line([(x0, 6 + row), (x1, 6 + row)], BLACK)


def overlay(c):
    def draw(i):
        i.rect(13, 0, 19, 8, c)
        i.frame(13, 0, 19, 8, BLACK)
        i.line([(16, 1), (16, 5)], BLACK if c != RED else WHITE)
        i.put(16, 7, BLACK if c != RED else WHITE)
    return draw


def broken_menu(i):
    i.rect(5, 1, 14, 14, YELLOW)
    i.frame(5, 1, 14, 14, MAROON)
    i.rect(9, 3, 10, 9, RED)
    i.rect(9, 11, 10, 12, RED)


def dependents(i):
    drive(i, x=1, y=1)
    i.line([(9, 9), (9, 12), (14, 12)], NAVY)
    i.rect(15, 9, 22, 14, GREY)
    i.frame(15, 9, 22, 14, BLACK)


def boxes(count):
    def draw(i):
        for n in range(3):
            x = 2 + n * 6
            filled = n < count
            i.rect(x, 5, x + 4, 12, GREEN if filled else WHITE)
            i.frame(x, 5, x + 4, 12, BLACK)
    return draw


def combine(*parts):
    def draw(i):
        for part in parts:
            part(i)
    return draw


ICONS = {
    # Layers of the tree's composite images.
    500: base(WHITE),
    501: base(DARK),
    502: arrow,
    505: overlay(RED),
    506: overlay(YELLOW),
    # State icons of the tree.
    163: combine(drive, changed),
    248: drive,
    172: combine(cross, changed),
    249: cross,
    164: cd,
    165: network,
    166: advertise,
    153: check,
    508: no_sign,
    # Menu entries.
    154: cross,
    156: drive,
    157: cd,
    158: network,
    159: advertise,
    160: combine(lambda i: drive(i, y=1), subfeatures),
    161: combine(lambda i: cd(i, cy=7), subfeatures),
    162: combine(lambda i: drive(i, y=1), lambda i: i.line([(4, 11), (10, 11)], NAVY), subfeatures),
    504: dependents,
    507: broken_menu,
    # A linked distribution's choices.
    236: boxes(3),
    237: boxes(2),
    503: boxes(1),
}


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for number, draw in ICONS.items():
        icon = Icon()
        draw(icon)
        with open(os.path.join(folder, 'icon%d.ico' % number), 'wb') as f:
            f.write(icon.ico())


if __name__ == '__main__':
    main()
