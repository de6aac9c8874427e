#!/usr/bin/env python3
"""Draws the program's pictures into resources/bitmaps/<number>.png.

Shapes are computed here with supersampled coverage; letters and digits come from
ImageMagick (`convert`) as grey masks. The PNGs are committed, so the build never
needs this script; run it again after changing a picture (the block diagram, 198, is
drawn by block_diagram.py):

    python3 resources/make_pictures.py

Sprites (164-175) are drawn on pure white, which the pads treat as transparent: their
outlines are kept hard so no whitish fringe shows on the pad, and no pixel of the
drawing itself may be pure white.
"""

import math
import os
import struct
import subprocess
import zlib

import block_diagram

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "bitmaps")
FONT = "DejaVu-Sans-Bold"

WHITE = (255, 255, 255)
PAD_BLUE = (58, 110, 165)
NIGHT_BLUE = (14, 30, 86)


class Canvas:
    def __init__(self, width, height, background, alpha=1.0):
        self.width = width
        self.height = height
        self.pixels = [[list(background) + [alpha] for _ in range(width)] for _ in range(height)]
        self.painted = [[False] * width for _ in range(height)]

    def blend(self, x, y, colour, coverage):
        if coverage <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        dst = self.pixels[y][x]
        out_alpha = coverage + dst[3] * (1.0 - coverage)
        for i in range(3):
            dst[i] = (colour[i] * coverage + dst[i] * dst[3] * (1.0 - coverage)) / out_alpha
        dst[3] = out_alpha
        self.painted[y][x] = True

    def fill(self, inside, colour, bbox=None, hard=False, samples=4):
        """Fills the region inside(x, y) -> bool; colour is an (r, g, b) or a function of (x, y)."""
        x0, y0, x1, y1 = bbox or (0, 0, self.width, self.height)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        offsets = [(i + 0.5) / samples for i in range(samples)]
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = sum(1 for sy in offsets for sx in offsets if inside(x + sx, y + sy))
                coverage = hits / (samples * samples)
                if hard:
                    # A little above half keeps single-pixel bumps off round outlines.
                    coverage = 1.0 if coverage >= 0.6 else 0.0
                if coverage > 0.0:
                    c = colour(x + 0.5, y + 0.5) if callable(colour) else colour
                    self.blend(x, y, c, coverage)

    def text(self, text, cx, cy, pointsize, colour, hard=False):
        """Draws text centred on (cx, cy)."""
        mask = text_mask(text, self.width, self.height, cx, cy, pointsize)
        for y in range(self.height):
            for x in range(self.width):
                coverage = mask[y * self.width + x] / 255.0
                if hard:
                    coverage = 1.0 if coverage >= 0.5 else 0.0
                self.blend(x, y, colour, coverage)

    def save(self, name, with_alpha=False, sprite=False):
        rows = []
        for y in range(self.height):
            row = bytearray([0])
            for x in range(self.width):
                r, g, b, a = self.pixels[y][x]
                rgb = [max(0, min(255, int(round(v)))) for v in (r, g, b)]
                if sprite and self.painted[y][x] and tuple(rgb) == WHITE:
                    rgb = [250, 250, 250]  # pure white would vanish on the pad
                row += bytes(rgb)
                if with_alpha:
                    row.append(max(0, min(255, int(round(a * 255)))))
            rows.append(bytes(row))
        write_png(os.path.join(OUT, name), self.width, self.height, b"".join(rows), with_alpha)


def write_png(path, width, height, raw, with_alpha):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    colour_type = 6 if with_alpha else 2
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def text_mask(text, width, height, cx, cy, pointsize):
    dx = int(round(cx - width / 2.0))
    dy = int(round(cy - height / 2.0))
    command = ["convert", "-size", f"{width}x{height}", "xc:black", "-font", FONT,
               "-pointsize", str(pointsize), "-fill", "white", "-gravity", "center",
               "-annotate", f"{dx:+d}{dy:+d}", text, "-depth", "8", "gray:-"]
    return subprocess.run(command, check=True, capture_output=True).stdout


def lerp(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def in_circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def near_segment(x0, y0, x1, y1, half_width):
    def inside(x, y):
        vx, vy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy)))
        return math.hypot(x - (x0 + t * vx), y - (y0 + t * vy)) <= half_width
    return inside


def ball_shading(cx, cy, r, light, base, dark):
    """A sphere lit from the upper left: light spot, base colour, dark rim."""
    hx, hy = cx - r * 0.4, cy - r * 0.45

    def colour(x, y):
        d = math.hypot(x - hx, y - hy) / (r * 1.45)
        if d < 0.35:
            return lerp(light, base, d / 0.35)
        return lerp(base, dark, (d - 0.35) / 0.65)
    return colour


def draw_ball(canvas, cx, cy, r, light, base, dark, hard):
    canvas.fill(in_circle(cx, cy, r), ball_shading(cx, cy, r, light, base, dark),
                bbox=(cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1), hard=hard)


def pad_background():
    """157: a shaded light-blue disc (the room seen from above) on dark blue."""
    size = 279
    c = Canvas(size, size, NIGHT_BLUE)
    centre = size / 2.0
    radius = 136.0
    lx, ly = centre - 35, centre - 40

    def shade(x, y):
        d = math.hypot(x - lx, y - ly) / (radius * 1.25)
        return lerp((206, 230, 255), (96, 152, 222), d ** 1.3)

    c.fill(in_circle(centre, centre, radius), shade, samples=3)
    ring = lambda rr, w: (lambda x, y: abs(math.hypot(x - centre, y - centre) - rr) <= w)
    c.fill(ring(radius - 1.0, 1.0), (54, 96, 170), samples=3)
    for fraction in (1 / 3, 2 / 3):
        c_ring = ring(radius * fraction, 0.5)
        for y in range(size):
            for x in range(size):
                if c_ring(x + 0.5, y + 0.5):
                    c.blend(x, y, (70, 120, 190), 0.35)
    c.save("157.png")


def axis_symbol():
    """164: "Y" arrow up, "X" arrow right, "0" at the origin, on transparent white."""
    c = Canvas(40, 40, WHITE)
    ink = (10, 20, 90)
    ox, oy = 11.0, 29.0
    c.fill(near_segment(ox, oy, ox, 7.0, 1.0), ink, hard=True)
    c.fill(in_polygon([(ox, 0.5), (ox - 4.5, 8.5), (ox + 4.5, 8.5)]), ink, hard=True)
    c.fill(near_segment(ox, oy, 32.0, oy, 1.0), ink, hard=True)
    c.fill(in_polygon([(39.5, oy), (31.5, oy - 4.5), (31.5, oy + 4.5)]), ink, hard=True)
    c.text("Y", 21, 6, 11, ink, hard=True)
    c.text("X", 33, 20, 11, ink, hard=True)
    c.text("0", 5, 35, 10, ink, hard=True)
    c.save("164.png", sprite=True)


def cross():
    """165: the centre cross of a stereo pair."""
    c = Canvas(16, 16, WHITE)
    ink = (25, 25, 45)
    c.fill(near_segment(8, 1.5, 8, 14.5, 1.3), ink, hard=True)
    c.fill(near_segment(1.5, 8, 14.5, 8, 1.3), ink, hard=True)
    c.fill(lambda x, y: abs(math.hypot(x - 8, y - 8) - 4.5) <= 0.75, ink, hard=True)
    c.save("165.png", sprite=True)


def loudspeaker(number):
    """166-173: a loudspeaker with its number on a red badge."""
    c = Canvas(30, 30, WHITE)
    body = (44, 44, 54)
    c.fill(in_polygon([(2, 10), (9, 10), (9, 20), (2, 20)]), body, hard=True)
    cone = in_polygon([(8.5, 10.5), (18, 2), (18, 28), (8.5, 19.5)])
    c.fill(cone, lambda x, y: lerp((150, 150, 168), (70, 70, 86), abs(y - 15) / 13), hard=True)
    c.fill(near_segment(18, 2, 18, 28, 1.0), body, hard=True)
    badge = (22.5, 15.5, 7.0)
    draw_ball(c, *badge, (240, 110, 100), (196, 28, 28), (120, 10, 10), hard=True)
    c.text(str(number), badge[0], badge[1], 11, (252, 252, 252))
    c.save(f"{165 + number}.png", sprite=True)


def lettered_ball(name, letter, light, base, dark):
    """174, 175: the two channels of a stereo pair."""
    c = Canvas(16, 16, WHITE)
    draw_ball(c, 8, 8, 7.5, light, base, dark, hard=True)
    c.text(letter, 8.5, 8.5, 10, (252, 252, 252))
    c.save(name, sprite=True)


def position_marker():
    """177: the source marker, a red ball on the position pad's blue (drawn opaque)."""
    c = Canvas(20, 20, PAD_BLUE)
    c.fill(in_circle(10.8, 11.2, 8.6), lerp(PAD_BLUE, (20, 40, 80), 0.5))  # drop shadow
    draw_ball(c, 9.5, 9.5, 8.5, (255, 180, 170), (218, 24, 24), (110, 0, 0), hard=False)
    c.save("177.png")


def application_icon():
    """128: the room disc with eight loudspeakers and the red source marker."""
    size = 256
    c = Canvas(size, size, NIGHT_BLUE, alpha=0.0)
    corner = 44.0

    def rounded(x, y):
        dx = max(corner - x, 0.0, x - (size - corner))
        dy = max(corner - y, 0.0, y - (size - corner))
        return 4 <= x <= size - 4 and 4 <= y <= size - 4 and math.hypot(dx, dy) <= corner - 4

    c.fill(rounded, lambda x, y: lerp((30, 56, 130), (8, 18, 60), y / size), samples=2)
    centre = size / 2.0
    radius = 92.0
    lx, ly = centre - 25, centre - 30
    c.fill(in_circle(centre, centre, radius),
           lambda x, y: lerp((210, 232, 255), (92, 150, 222), (math.hypot(x - lx, y - ly) / (radius * 1.3)) ** 1.3),
           bbox=(centre - radius - 1, centre - radius - 1, centre + radius + 1, centre + radius + 1),
           samples=2)
    for i in range(8):
        angle = math.radians(22.5 + 45 * i)
        sx = centre + 104 * math.sin(angle)
        sy = centre - 104 * math.cos(angle)
        draw_ball(c, sx, sy, 11, (190, 190, 205), (70, 70, 86), (24, 24, 32), hard=False)
    draw_ball(c, centre + 26, centre - 22, 24, (255, 185, 175), (220, 26, 26), (110, 0, 0), hard=False)
    c.save("128.png", with_alpha=True)


def logo():
    """200: the About window's 48 x 48 logo, the icon's room and source at that size."""
    size = 48
    c = Canvas(size, size, (236, 236, 236))
    centre = size / 2.0
    c.fill(in_circle(centre, centre, 21.5), lambda x, y: lerp((40, 72, 150), (10, 22, 70), y / size))
    lx, ly = centre - 5, centre - 6
    c.fill(in_circle(centre, centre, 15.5),
           lambda x, y: lerp((214, 234, 255), (92, 150, 222), (math.hypot(x - lx, y - ly) / 20.0) ** 1.3))
    for i in range(8):
        angle = math.radians(22.5 + 45 * i)
        draw_ball(c, centre + 18 * math.sin(angle), centre - 18 * math.cos(angle), 2.6,
                  (200, 200, 214), (84, 84, 100), (30, 30, 40), hard=False)
    draw_ball(c, centre + 5, centre - 4, 5.0, (255, 185, 175), (220, 26, 26), (110, 0, 0), hard=False)
    c.save("200.png")


def main():
    os.makedirs(OUT, exist_ok=True)
    pad_background()
    axis_symbol()
    cross()
    for number in range(1, 9):
        loudspeaker(number)
    lettered_ball("174.png", "L", (255, 214, 150), (245, 140, 20), (170, 76, 0))
    lettered_ball("175.png", "R", (226, 190, 255), (146, 64, 206), (76, 18, 128))
    position_marker()
    application_icon()
    logo()
    block_diagram.draw(os.path.join(OUT, "198.png"))


if __name__ == "__main__":
    main()
