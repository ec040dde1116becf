#!/usr/bin/env python3
"""Draws the window's built-in pictures (32 x 32 PNG with alpha): the button
bitmaps, the program icon and the three cursors. Run it to make the PNG files
of this folder again; the build embeds the files, not this script."""
import math
import os
import struct
import zlib

SIZE = 32
SS = 4  # samples per pixel side


class Canvas:
    def __init__(self):
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(SIZE)] for _ in range(SIZE)]

    def blend(self, x, y, colour, cover):
        if cover <= 0 or not (0 <= x < SIZE and 0 <= y < SIZE):
            return
        r, g, b, a = colour
        a *= cover
        dr, dg, db, da = self.px[y][x]
        out = a + da * (1 - a)
        if out <= 0:
            return
        mix = lambda s, d: (s * a + d * da * (1 - a)) / out
        self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), out)

    def fill(self, inside, colour, box=(0, 0, SIZE, SIZE)):
        x0, y0, x1, y1 = [int(v) for v in box]
        for y in range(max(y0 - 1, 0), min(y1 + 1, SIZE)):
            for x in range(max(x0 - 1, 0), min(x1 + 1, SIZE)):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if inside(x + (sx + 0.5) / SS, y + (sy + 0.5) / SS):
                            hits += 1
                self.blend(x, y, colour, hits / (SS * SS))

    def polygon(self, points, colour):
        def inside(px, py):
            c = False
            n = len(points)
            for i in range(n):
                (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
                if (ya > py) != (yb > py) and px < (xb - xa) * (py - ya) / (yb - ya) + xa:
                    c = not c
            return c
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.fill(inside, colour, (min(xs), min(ys), max(xs) + 1, max(ys) + 1))

    def rect(self, x0, y0, x1, y1, colour):
        self.polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], colour)

    def circle(self, cx, cy, r, colour, inner=0.0):
        self.fill(lambda x, y: inner * inner <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour,
                  (cx - r, cy - r, cx + r + 1, cy + r + 1))

    def arc(self, cx, cy, r, width, start, end, colour):
        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            if abs(d - r) > width / 2:
                return False
            a = math.degrees(math.atan2(y - cy, x - cx)) % 360
            s, e = start % 360, end % 360
            return s <= a <= e if s <= e else a >= s or a <= e
        self.fill(inside, colour)

    def line(self, x0, y0, x1, y1, width, colour, round_caps=True):
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy) or 1
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        self.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], colour)
        if round_caps:
            self.circle(x0, y0, width / 2, colour)
            self.circle(x1, y1, width / 2, colour)

    def png(self):
        rows = b""
        for row in self.px:
            rows += b"\0" + bytes(
                v for (r, g, b, a) in row for v in (round(r * 255), round(g * 255), round(b * 255), round(a * 255)))
        chunk = lambda tag, data: struct.pack(">I", len(data)) + tag + data + struct.pack(
            ">I", zlib.crc32(tag + data) & 0xffffffff)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def rgb(hex_text, alpha=1.0):
    return tuple(int(hex_text[i:i + 2], 16) / 255 for i in (0, 2, 4)) + (alpha,)


WHITE, GREY, GREEN, BLACK = rgb("f2f2f2"), rgb("8a8d92"), rgb("4cc46a"), rgb("000000")


def camera(c, colour):
    c.rect(4, 11, 21, 24, colour)
    c.polygon([(21, 15), (28, 11), (28, 24), (21, 20)], colour)
    c.circle(9, 7.5, 3.5, colour)
    c.circle(17, 7.5, 3.5, colour)


def arrow(c, up):
    c.rect(2, 2, 30, 30, BLACK)
    tip, base = (6, 18) if up else (26, 14)
    c.polygon([(16, tip), (25, base), (7, base)], WHITE)
    c.rect(12.5, base, 19.5, 26 if up else 6, WHITE) if up else c.rect(12.5, 6, 19.5, base, WHITE)


def repeat(c):
    c.arc(16, 16, 10, 3.2, 200, 340, WHITE)
    c.arc(16, 16, 10, 3.2, 20, 160, WHITE)
    c.polygon([(26, 11), (29.5, 18.5), (21.5, 17)], WHITE)
    c.polygon([(6, 21), (2.5, 13.5), (10.5, 15)], WHITE)


def speaker(c):
    c.rect(4, 12, 10, 20, WHITE)
    c.polygon([(10, 12), (17, 6), (17, 26), (10, 20)], WHITE)
    c.arc(17, 16, 5, 2.2, 300, 60, WHITE)
    c.arc(17, 16, 10, 2.2, 305, 55, WHITE)


def magnifier(c):
    c.circle(13, 13, 9, WHITE, inner=6.5)
    c.line(20, 20, 27.5, 27.5, 4, WHITE)
    c.line(13, 9, 13, 17, 2.2, WHITE, False)
    c.line(9, 13, 17, 13, 2.2, WHITE, False)


def padlock(c, colour, closed):
    c.rect(6, 14, 26, 28, colour)
    if closed:
        c.arc(16, 13, 6.5, 3, 180, 360, colour)
        c.line(9.5, 13, 9.5, 15, 3, colour, False)
        c.line(22.5, 13, 22.5, 15, 3, colour, False)
    else:
        c.arc(22, 9, 6.5, 3, 180, 360, colour)
        c.line(28.5, 9, 28.5, 12, 3, colour, False)
    c.circle(16, 20, 2, BLACK)
    c.rect(15.2, 20, 16.8, 24, BLACK)


def scissors(c, colour):
    for i in range(2, 30, 4):
        for x, y in ((i, 2), (i, 29), (2, i), (29, i)):
            c.rect(x, y, x + 2, y + 1 if y in (2, 29) else y + 2, colour)
    c.line(10, 8, 21, 22, 2.2, colour)
    c.line(22, 8, 11, 22, 2.2, colour)
    c.circle(9, 24, 3.5, colour, inner=2)
    c.circle(23, 24, 3.5, colour, inner=2)


def chain(c, colour):
    # two links, rounded rings along the diagonal, hooked into each other
    def link(x0, y0, x1, y1):
        def inside(x, y):
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
            d = math.hypot(x - x0 - t * dx, y - y0 - t * dy)
            return 2.6 <= d <= 5.2
        c.fill(inside, colour)
    link(6, 26, 14, 18)
    link(18, 14, 26, 6)
    c.line(12, 20, 20, 12, 2.6, colour)


def film(c):
    c.rect(6, 2, 26, 30, WHITE)
    for y in range(4, 30, 5):
        c.rect(7.5, y, 10, y + 2.5, BLACK)
        c.rect(22, y, 24.5, y + 2.5, BLACK)
    c.rect(11.5, 5, 20.5, 15, rgb("5a8fd8"))
    c.rect(11.5, 17, 20.5, 27, rgb("5a8fd8"))


def landscape(c):
    c.rect(2, 5, 30, 27, WHITE)
    c.rect(4, 7, 28, 25, rgb("5a8fd8"))
    c.polygon([(4, 25), (13, 13), (20, 22), (23, 18), (28, 25)], rgb("4cc46a"))
    c.circle(22, 11.5, 2.5, rgb("ffd24a"))


def gear(c):
    teeth = []
    for i in range(16):
        a = math.radians(i * 22.5)
        r = 13 if i % 2 == 0 else 10
        for d in (-6, 6):
            teeth.append((16 + r * math.cos(a + math.radians(d)), 16 + r * math.sin(a + math.radians(d))))
    c.polygon(teeth, WHITE)
    c.circle(16, 16, 4, rgb("202124"))


def sparkles(c):
    def star(cx, cy, r):
        pts = []
        for i in range(8):
            a = math.radians(i * 45 - 90)
            rr = r if i % 2 == 0 else r * 0.28
            pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        c.polygon(pts, rgb("ffe080"))
    star(13, 17, 11)
    star(24, 8, 6)
    star(25, 24, 4.5)


def letter_t(c):
    c.rect(5, 4, 27, 9, WHITE)
    c.rect(13.5, 4, 18.5, 28, WHITE)


def eyedropper(c):
    c.line(8, 24, 19, 13, 4, WHITE)
    c.polygon([(5, 27), (8, 24), (8.5, 26.5)], WHITE)
    c.line(18, 10, 22, 14, 4.5, WHITE)
    c.line(21, 11, 26, 6, 6, WHITE)


def clock(c):
    c.circle(16, 16, 13, WHITE, inner=10.5)
    for i in range(12):
        a = math.radians(i * 30)
        c.line(16 + 8.5 * math.cos(a), 16 + 8.5 * math.sin(a), 16 + 9.5 * math.cos(a), 16 + 9.5 * math.sin(a), 1.2,
               WHITE, False)
    c.line(16, 16, 16, 8, 2.2, WHITE)
    c.line(16, 16, 21, 19, 2.2, WHITE)


def circles(c):
    c.circle(16, 11, 8.5, rgb("ff3030", 0.85))
    c.circle(11, 20, 8.5, rgb("30d040", 0.85))
    c.circle(21, 20, 8.5, rgb("3060ff", 0.85))


def icon(c):
    # Tesserae of a timeline: three lanes of tiles on a dark square.
    c.rect(1, 1, 31, 31, rgb("202124"))
    lanes = [(4, [(3, 14, "4a6a8a"), (16, 28, "5a8fd8")]), (13, [(6, 20, "4a7a5a"), (22, 28, "6aa07a")]),
             (22, [(3, 10, "6a5a7a"), (12, 26, "3e6ea8")])]
    for y, tiles in lanes:
        for x0, x1, col in tiles:
            c.rect(x0, y, x1, y + 6, rgb(col))
    c.rect(18, 2, 19.5, 30, rgb("e04040"))


def cursor_triangles(c, vertical):
    # two solid triangles around the hot spot (16, 9), black with a white rim
    def pair(colour, grow):
        if vertical:
            c.polygon([(16, 0.5 - grow), (22 + grow, 6.5 + grow / 2), (10 - grow, 6.5 + grow / 2)], colour)
            c.polygon([(16, 17.5 + grow), (22 + grow, 11.5 - grow / 2), (10 - grow, 11.5 - grow / 2)], colour)
        else:
            c.polygon([(7.5 - grow, 9), (13.5 + grow / 2, 3 - grow), (13.5 + grow / 2, 15 + grow)], colour)
            c.polygon([(24.5 + grow, 9), (18.5 - grow / 2, 3 - grow), (18.5 - grow / 2, 15 + grow)], colour)
    pair(WHITE, 1.2)
    pair(BLACK, 0)


def cursor_crosshair(c):
    for colour, w in ((WHITE, 3.2), (BLACK, 1.2)):
        c.line(16, 1, 16, 6, w, colour, False)
        c.line(16, 12, 16, 17, w, colour, False)
        c.line(8, 9, 13, 9, w, colour, False)
        c.line(19, 9, 24, 9, w, colour, False)


PICTURES = {
    133: lambda c: arrow(c, True), 134: lambda c: arrow(c, False),
    136: lambda c: camera(c, GREEN), 137: lambda c: camera(c, GREY), 138: lambda c: camera(c, WHITE),
    141: repeat, 142: speaker, 149: magnifier,
    144: lambda c: padlock(c, WHITE, True), 145: lambda c: padlock(c, GREY, False),
    147: lambda c: scissors(c, WHITE), 148: lambda c: scissors(c, GREY),
    150: film, 151: landscape,
    152: lambda c: chain(c, WHITE), 153: lambda c: chain(c, GREY),
    154: gear, 155: sparkles, 156: letter_t, 157: eyedropper, 159: clock, 160: circles,
    107: icon,
    129: lambda c: cursor_triangles(c, False), 143: lambda c: cursor_triangles(c, True), 130: cursor_crosshair,
}

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for number, draw in PICTURES.items():
        canvas = Canvas()
        draw(canvas)
        with open(os.path.join(here, "%d.png" % number), "wb") as f:
            f.write(canvas.png())
