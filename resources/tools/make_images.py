#!/usr/bin/env python3
"""Draws the utility's icons and its About logo and writes them as .ico and .bmp files.

Plain Python, no imaging library: every picture is a list of filled shapes that are sampled 4 x 4 times
per pixel for smooth edges and composited over a transparent (icons) or solid (bitmap) background.

    python3 make_images.py [output folder]     (default: ../res next to this script)

Pictures:
    WLAN.ico       137  the application: an SD card with an antenna sending
    tray.ico       144  the application in the notification area: the card with its antenna, quiet
    link_off.ico   156  no link: five grey bars crossed out in red
    signal1..5.ico 157..161  one (weakest) to five (strongest) green bars of five
    logo.bmp       136  the About page's logo
"""

import math
import os
import struct
import sys

SUPERSAMPLE = 4


# ----- Shapes: predicates on a point (x, y) in pixel coordinates (pixel (i, j) covers [i, i+1) x [j, j+1)).
def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            if (ay > y) != (by > y):
                t = (y - ay) / (by - ay)
                if x < ax + t * (bx - ax):
                    result = not result
        return result
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment(ax, ay, bx, by, width):
    """A straight stroke of the given width with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    half2 = (width / 2.0) ** 2

    def inside(x, y):
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half2
    return inside


def arc(cx, cy, radius, width, start_deg, end_deg):
    """A stroke along a circle between two angles (degrees, 0 = right, counter-clockwise, y up)."""
    r0, r1 = radius - width / 2.0, radius + width / 2.0

    def inside(x, y):
        dx, dy = x - cx, cy - y
        d2 = dx * dx + dy * dy
        if not (r0 * r0 <= d2 <= r1 * r1):
            return False
        angle = math.degrees(math.atan2(dy, dx))
        return start_deg <= angle <= end_deg
    return inside


# ----- The canvas
class Canvas:
    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        # Premultiplied RGBA in 0..1.
        r, g, b, a = background
        a /= 255.0
        self.pixels = [[(r / 255.0 * a, g / 255.0 * a, b / 255.0 * a, a) for _ in range(width)]
                       for _ in range(height)]

    def fill(self, shape, color, bounds=None):
        """Composites `shape` in `color` (r, g, b[, a]) over the picture."""
        r, g, b = (c / 255.0 for c in color[:3])
        alpha = (color[3] / 255.0) if len(color) > 3 else 1.0
        x0, y0, x1, y1 = bounds if bounds else (0, 0, self.width, self.height)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        step = 1.0 / SUPERSAMPLE
        offsets = [(i + 0.5) * step for i in range(SUPERSAMPLE)]
        samples = SUPERSAMPLE * SUPERSAMPLE
        for py in range(y0, y1):
            row = self.pixels[py]
            for px in range(x0, x1):
                hits = 0
                for oy in offsets:
                    for ox in offsets:
                        if shape(px + ox, py + oy):
                            hits += 1
                if not hits:
                    continue
                a = alpha * hits / samples
                dr, dg, db, da = row[px]
                row[px] = (r * a + dr * (1 - a), g * a + dg * (1 - a), b * a + db * (1 - a), a + da * (1 - a))

    def rgba(self, x, y):
        r, g, b, a = self.pixels[y][x]
        if a <= 0:
            return (0, 0, 0, 0)

        def channel(v):
            return max(0, min(255, int(round(v / a * 255))))
        return (channel(r), channel(g), channel(b), max(0, min(255, int(round(a * 255)))))


# ----- File formats
def dib_icon_image(canvas):
    """One icon image: BITMAPINFOHEADER (twice the height), 32-bit BGRA rows bottom-up, then the AND mask."""
    w, h = canvas.width, canvas.height
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in reversed(range(h)):
        row_mask = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = canvas.rgba(x, y)
            colour += bytes((b, g, r, a))
            if a == 0:
                row_mask[x // 8] |= 0x80 >> (x % 8)
        mask += row_mask
    return header + bytes(colour) + bytes(mask)


def write_ico(path, canvases):
    images = [dib_icon_image(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for canvas, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", canvas.width % 256, canvas.height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def write_bmp(path, canvas):
    """A 24-bit device-independent bitmap, rows bottom-up and padded to four bytes."""
    w, h = canvas.width, canvas.height
    stride = ((w * 3 + 3) // 4) * 4
    pixels = bytearray()
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(w):
            r, g, b, _ = canvas.rgba(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


# ----- Colours
CARD = (31, 78, 168)
CARD_EDGE = (16, 40, 96)
CONTACT = (232, 186, 60)
LABEL = (236, 242, 250)
MAST = (70, 70, 78)
WAVE = (40, 150, 230)
GREEN = (46, 184, 58)
GREEN_EDGE = (24, 110, 32)
IDLE = (206, 206, 206)
IDLE_EDGE = (128, 128, 128)
OFF = (150, 150, 150)
OFF_EDGE = (90, 90, 90)
RED = (222, 30, 30)
RED_EDGE = (120, 0, 0)


def sd_card_outline(x0, y0, x1, y1, cut):
    """An SD card seen from the front: a rectangle with its top right corner cut off."""
    return [(x0, y0), (x1 - cut, y0), (x1, y0 + cut), (x1, y1), (x0, y1)]


def draw_card_with_antenna(c, size, sending):
    s = size / 32.0
    # The card, on the left: taller than wide, its top right corner cut off, gold contacts along the top
    # and the letters SD on its face (at the large size).
    c.fill(polygon(sd_card_outline(2 * s, 10 * s, 20 * s, 31 * s, 6 * s)), CARD_EDGE)
    c.fill(polygon(sd_card_outline(3 * s, 11 * s, 19 * s, 30 * s, 5.5 * s)), CARD)
    if size >= 32:
        for i in range(4):
            c.fill(rect(5 + 3 * i, 12, 7 + 3 * i, 17), CONTACT)
        draw_text(c, "SD", 5, 20, 1, LABEL)
    else:
        for i in range(3):
            c.fill(rect(2 + 2 * i, 6, 3 + 2 * i, 8), CONTACT)
        c.fill(rect(2, 11, 8, 12), LABEL)
    # The antenna: a mast beside the card, joined to its side, with a ball on top.
    mast_x = 25.0 * s
    tip_y = 8.0 * s
    stroke = max(1.5, 2.2 * s)
    c.fill(segment(mast_x, tip_y, mast_x, 24 * s, stroke), MAST)
    c.fill(segment(19.5 * s, 24 * s, mast_x, 24 * s, stroke), MAST)
    c.fill(circle(mast_x, tip_y, max(1.2, 2.2 * s)), WAVE if sending else MAST)
    if sending:
        # Radio waves on both sides of the tip.
        for radius in (4.5, 7.5) if size >= 32 else (7.0,):
            width = max(1.2, 1.8 * s)
            c.fill(arc(mast_x, tip_y, radius * s, width, -40, 40), WAVE)
            c.fill(arc(mast_x, tip_y, radius * s, width, 140, 180), WAVE)
            c.fill(arc(mast_x, tip_y, radius * s, width, -180, -140), WAVE)


def bar_rects(size):
    """The five signal bars, shortest first, as pixel-aligned rectangles (x0, y0, x1, y1)."""
    if size >= 32:
        return [(1 + 6 * i, 31 - 6 * (i + 1), 6 + 6 * i, 31) for i in range(5)]
    return [(1 + 3 * i, 15 - 3 * (i + 1), 3 + 3 * i, 15) for i in range(5)]


def draw_bar(c, size, r, fill, edge):
    x0, y0, x1, y1 = r
    if size >= 32:
        c.fill(rect(x0, y0, x1, y1), edge)
        c.fill(rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1), fill)
    else:
        c.fill(rect(x0, y0, x1, y1), fill)
        c.fill(rect(x0, y1 - 1, x1, y1), edge)


def draw_signal(c, size, level):
    for i, r in enumerate(bar_rects(size)):
        if i < level:
            draw_bar(c, size, r, GREEN, GREEN_EDGE)
        else:
            draw_bar(c, size, r, IDLE, IDLE_EDGE)


def draw_disconnected(c, size):
    for r in bar_rects(size):
        draw_bar(c, size, r, OFF, OFF_EDGE)
    s = size / 32.0
    # A red cross in the empty corner above the short bars, with a dark rim so that it shows on any
    # background.
    a, b = 4 * s, 15 * s
    for width, colour in ((max(3.2, 6.0 * s), RED_EDGE), (max(1.8, 3.8 * s), RED)):
        c.fill(segment(a, a, b, b, width), colour)
        c.fill(segment(b, a, a, b, width), colour)


# ----- The logo's lettering: a 5 x 7 pixel font of the letters it needs.
FONT = {
    "K": ["1...1", "1..1.", "1.1..", "11...", "1.1..", "1..1.", "1...1"],
    "E": ["11111", "1....", "1....", "1111.", "1....", "1....", "11111"],
    "L": ["1....", "1....", "1....", "1....", "1....", "1....", "11111"],
    "T": ["11111", "..1..", "..1..", "..1..", "..1..", "..1..", "..1.."],
    "R": ["1111.", "1...1", "1...1", "1111.", "1.1..", "1..1.", "1...1"],
    "A": [".111.", "1...1", "1...1", "11111", "1...1", "1...1", "1...1"],
    "X": ["1...1", "1...1", ".1.1.", "..1..", ".1.1.", "1...1", "1...1"],
    "Q": [".111.", "1...1", "1...1", "1...1", "1.1.1", "1..1.", ".11.1"],
    "N": ["1...1", "11..1", "1.1.1", "1..11", "1...1", "1...1", "1...1"],
    "4": ["...1.", "..11.", ".1.1.", "1..1.", "11111", "...1.", "...1."],
    "0": [".111.", "1...1", "1..11", "1.1.1", "11..1", "1...1", ".111."],
    "-": [".....", ".....", ".....", "11111", ".....", ".....", "....."],
    "S": [".1111", "1....", "1....", ".111.", "....1", "....1", "1111."],
    "D": ["1111.", "1...1", "1...1", "1...1", "1...1", "1...1", "1111."],
    "W": ["1...1", "1...1", "1...1", "1.1.1", "1.1.1", "1.1.1", ".1.1."],
    "I": [".111.", "..1..", "..1..", "..1..", "..1..", "..1..", ".111."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def draw_text(c, text, x, y, scale, colour):
    for ch in text:
        glyph = FONT[ch]
        for row, bits in enumerate(glyph):
            for col, bit in enumerate(bits):
                if bit == "1":
                    c.fill(rect(x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale),
                           colour, (x + col * scale, y + row * scale, x + (col + 1) * scale,
                                    y + (row + 1) * scale))
        x += 6 * scale


def draw_logo():
    width, height = 168, 40
    face = (212, 208, 200, 255)  # the dialog's button-face colour around the rounded panel
    c = Canvas(width, height, face)
    # The panel: a blue band that lightens from left to right.
    panel = round_rect(0, 0, width, height, 6)
    for x in range(width):
        t = x / (width - 1)
        colour = tuple(int(a + (b - a) * t) for a, b in zip((20, 58, 140), (60, 140, 224)))
        c.fill(lambda px, py, x=x: x <= px < x + 1 and panel(px, py), colour, (x, 0, x + 1, height))
    # The emblem: a white card with an antenna sending, on the left.
    white = (255, 255, 255)
    c.fill(polygon(sd_card_outline(8, 14, 24, 34, 4)), white, (8, 14, 24, 34))
    for i in range(3):
        c.fill(rect(10 + 4 * i, 16, 12 + 4 * i, 20), CONTACT, (10 + 4 * i, 16, 12 + 4 * i, 20))
    c.fill(segment(28, 9, 28, 27, 2), white, (26, 7, 30, 29))
    c.fill(segment(23, 26, 28, 26, 2), white, (22, 24, 30, 28))
    c.fill(circle(28, 8.5, 2), white, (25, 5, 31, 12))
    for radius in (5, 8):
        c.fill(arc(28, 8.5, radius, 1.6, -60, 60), white, (28, 0, 38, 18))
    # The lettering.
    draw_text(c, "KELTRAX", 44, 7, 2, white)
    draw_text(c, "QN40-SD WIRELESS LAN", 44, 26, 1, (214, 232, 255))
    assert 44 + text_width("QN40-SD WIRELESS LAN", 1) <= width - 4
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res")
    os.makedirs(out, exist_ok=True)

    def icon(name, draw):
        canvases = []
        for size in (32, 16):
            c = Canvas(size, size)
            draw(c, size)
            canvases.append(c)
        write_ico(os.path.join(out, name), canvases)

    icon("WLAN.ico", lambda c, size: draw_card_with_antenna(c, size, True))
    icon("tray.ico", lambda c, size: draw_card_with_antenna(c, size, False))
    icon("link_off.ico", draw_disconnected)
    for level in range(1, 6):
        icon("signal%d.ico" % level, lambda c, size, level=level: draw_signal(c, size, level))
    write_bmp(os.path.join(out, "logo.bmp"), draw_logo())


if __name__ == "__main__":
    main()
