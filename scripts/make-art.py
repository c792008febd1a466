#!/usr/bin/env python3
"""Draw Larkmoor's program icon and Exit menu bitmap.

Writes, relative to the repository root:
  res/larkmoor.ico  one 32x32 image, 8 bits per pixel, 256-entry palette,
                    transparent outside the picture through the AND mask
  res/exit.bmp      16x16, 8 bits per pixel, 256-entry palette, bottom-up,
                    on the menu grey (192,192,192)

Both pictures are drawn here from simple shapes, and the output is the same
byte for byte on every run (no time stamps, no randomness).
"""

import math
import os
import struct
import sys

PALETTE_SIZE = 256


class Canvas:
    """A grid of palette indices, row 0 at the top, plus an opacity flag."""

    def __init__(self, width, height, fill=0, opaque=False):
        self.width = width
        self.height = height
        self.pixels = [[fill] * width for _ in range(height)]
        self.opaque = [[opaque] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour
            self.opaque[y][x] = True

    def get(self, x, y):
        return self.pixels[y][x]

    def rect(self, x0, y0, x1, y1, colour):
        """Fill the rectangle with corners (x0,y0) and (x1,y1), inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def hline(self, x0, x1, y, colour):
        self.rect(x0, y, x1, y, colour)

    def vline(self, x, y0, y1, colour):
        self.rect(x, y0, x, y1, colour)

    def line(self, x0, y0, x1, y1, colour):
        """Bresenham line, both end points included."""
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            self.set(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, colour):
        """Fill the pixels whose centres lie within r of (cx, cy)."""
        for y in range(self.height):
            for x in range(self.width):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.set(x, y, colour)


# ---------------------------------------------------------------- palettes

def make_palette(colours):
    """A 256-entry palette: the given (r, g, b) colours first, black after."""
    if len(colours) > PALETTE_SIZE:
        raise ValueError("too many colours")
    return list(colours) + [(0, 0, 0)] * (PALETTE_SIZE - len(colours))


def palette_bytes(palette):
    # RGBQUAD order: blue, green, red, reserved.
    return b"".join(struct.pack("<4B", b, g, r, 0) for (r, g, b) in palette)


# ------------------------------------------------------------ the icon

# Palette indices of the icon. Index 0 doubles as the colour of transparent
# pixels, which must be black in the XOR image so the screen shows through.
I_CLEAR, I_OUTLINE, I_COVER, I_PAGE, I_PAGE_SHADE, I_TEXT, \
    I_BULB, I_BULB_LIGHT, I_BASE, I_RAY, I_BIRD, I_COVER_DARK = range(12)

ICON_COLOURS = [
    (0, 0, 0),          # transparent
    (36, 36, 56),       # outline
    (34, 92, 150),      # cover
    (255, 253, 244),    # page
    (222, 214, 192),    # page shade near the spine
    (140, 146, 168),    # handwriting lines
    (255, 214, 48),     # bulb glass
    (255, 248, 196),    # bulb highlight
    (128, 128, 140),    # bulb screw base
    (244, 150, 24),     # rays
    (112, 72, 40),      # lark
    (20, 58, 104),      # cover edge
]


def page_top(x):
    """Top edge of the open pages: highest at the outer edges, dipping
    towards the spine at x = 15.5 so the pages read as curved paper."""
    d = abs(x - 15.5)           # 0.5 at the spine, 12.5 at the outer edge
    return 16 - round(2.2 * math.sin(math.pi * d / 25.0))


def draw_icon():
    c = Canvas(32, 32, fill=I_CLEAR, opaque=False)

    # Cover: a slab behind the pages, one pixel wider on each side and
    # reaching two rows lower, so it shows as a frame below the paper.
    for x in range(2, 30):
        top = page_top(min(max(x, 3), 28)) + 1
        c.vline(x, top, 29, I_COVER)
    c.hline(2, 29, 29, I_COVER_DARK)
    c.vline(2, page_top(3) + 1, 29, I_COVER_DARK)
    c.vline(29, page_top(28) + 1, 29, I_COVER_DARK)

    # Pages: left x 3..15, right x 16..28, twelve rows deep, the bottom
    # edge following the same dip at the spine as the top edge.
    for x in range(3, 29):
        top = page_top(x)
        bottom = top + 11
        c.vline(x, top, bottom, I_PAGE)
        c.set(x, top, I_OUTLINE)
    # Shading of the paper next to the spine.
    for x in (14, 17):
        c.vline(x, page_top(x) + 1, page_top(x) + 11, I_PAGE_SHADE)
    # Spine.
    c.vline(15, page_top(15), 29, I_OUTLINE)
    c.vline(16, page_top(16), 29, I_OUTLINE)

    # Handwriting on both pages: short grey strokes of varied length.
    left_lines = [(5, 12), (5, 13), (5, 11), (5, 12)]
    right_lines = [(19, 26), (19, 25), (19, 26), (19, 23)]
    for row, ((lx0, lx1), (rx0, rx1)) in enumerate(zip(left_lines, right_lines)):
        for x0, x1 in ((lx0, lx1), (rx0, rx1)):
            for x in range(x0, x1 + 1):
                c.set(x, page_top(x) + 3 + 2 * row, I_TEXT)

    # A small crested lark perched on the left page, facing left:
    # '#' body, 'b' beak, 'e' eye, 'l' legs. The legs stand on the page edge.
    lark = [
        "..#.......",
        ".###......",
        "be###...##",
        "..#######.",
        "...#####..",
        "....l.l...",
    ]
    colours = {"#": I_BIRD, "l": I_BIRD, "b": I_RAY, "e": I_PAGE}
    for dy, row in enumerate(lark):
        for dx, ch in enumerate(row):
            if ch in colours:
                c.set(1 + dx, page_top(5) - len(lark) + dy, colours[ch])

    # The idea: a light bulb rising above the spine, with rays.
    cx, cy = 16, 7
    c.disc(cx - 0.5, cy, 5.2, I_OUTLINE)
    c.disc(cx - 0.5, cy, 4.2, I_BULB)
    c.disc(cx - 2.0, cy - 1.5, 1.6, I_BULB_LIGHT)
    # Neck and screw base.
    c.rect(13, 12, 17, 14, I_BASE)
    c.hline(13, 17, 13, I_OUTLINE)
    c.hline(14, 16, 15, I_OUTLINE)
    # Rays: short strokes pointing away from the bulb.
    for angle in (-160, -125, -90, -55, -20):
        a = math.radians(angle)
        x0 = round(cx - 0.5 + 6.6 * math.cos(a))
        y0 = round(cy + 6.6 * math.sin(a))
        x1 = round(cx - 0.5 + 8.4 * math.cos(a))
        y1 = round(cy + 8.4 * math.sin(a))
        c.line(x0, y0, x1, y1, I_RAY)
    return c


def ico_bytes(canvas, palette):
    w, h = canvas.width, canvas.height
    xor_stride = (w + 3) & ~3            # 8 bits per pixel, rows to 4 bytes
    and_stride = ((w + 31) // 32) * 4    # 1 bit per pixel, rows to 4 bytes

    xor = bytearray()
    and_mask = bytearray()
    for y in range(h - 1, -1, -1):       # bottom-up
        row = bytearray()
        bits = bytearray(and_stride)
        for x in range(w):
            if canvas.opaque[y][x]:
                row.append(canvas.get(x, y))
            else:
                row.append(I_CLEAR)      # black, so the AND mask shows through
                bits[x // 8] |= 0x80 >> (x % 8)
        row.extend(b"\0" * (xor_stride - w))
        xor += row
        and_mask += bits

    image_size = len(xor) + len(and_mask)
    header = struct.pack(
        "<IiiHHIIiiII",
        40,          # biSize
        w,           # biWidth
        h * 2,       # biHeight: XOR image plus AND mask
        1,           # biPlanes
        8,           # biBitCount
        0,           # biCompression = BI_RGB
        image_size,  # biSizeImage
        0, 0,        # resolution
        0,           # biClrUsed: 0 means all 256
        0,           # biClrImportant
    )
    image = header + palette_bytes(palette) + bytes(xor) + bytes(and_mask)

    icondir = struct.pack("<HHH", 0, 1, 1)             # reserved, type icon, 1 image
    entry = struct.pack(
        "<BBBBHHII",
        w if w < 256 else 0,
        h if h < 256 else 0,
        0,            # colour count: 0 for 256 colours
        0,            # reserved
        1,            # planes
        8,            # bits per pixel
        len(image),
        6 + 16,       # offset of the image: after ICONDIR and one entry
    )
    return icondir + entry + image


# ------------------------------------------------------- the Exit bitmap

E_GREY, E_BLACK, E_FRAME, E_DOOR, E_DOOR_DARK, E_OPENING, E_KNOB, \
    E_ARROW, E_ARROW_DARK = range(9)

EXIT_COLOURS = [
    (192, 192, 192),    # menu grey background
    (0, 0, 0),          # black
    (96, 60, 30),       # door frame
    (176, 112, 56),     # door leaf
    (128, 78, 36),      # door leaf panels
    (40, 40, 48),       # dark opening behind the door
    (255, 216, 0),      # door knob
    (0, 160, 0),        # arrow
    (0, 96, 0),         # arrow shadow
]


def draw_exit():
    c = Canvas(16, 16, fill=E_GREY, opaque=True)

    # Door frame with a dark opening.
    c.rect(1, 1, 9, 14, E_FRAME)
    c.rect(2, 2, 8, 14, E_OPENING)
    # Floor line.
    c.hline(0, 10, 15, E_BLACK)

    # Door leaf swung inwards, hinged on the left: a narrow trapezoid.
    for x in range(2, 7):
        shrink = (x - 2) // 2            # the far edge looks shorter
        c.vline(x, 2 + shrink, 14 - shrink, E_DOOR)
    c.vline(4, 4, 7, E_DOOR_DARK)
    c.vline(4, 9, 12, E_DOOR_DARK)
    c.set(6, 8, E_KNOB)

    # Arrow pointing out to the right, through the doorway: a two-row shaft
    # and a triangular head with its tip at x 14, shaded on the lower side.
    c.rect(6, 7, 10, 8, E_ARROW)
    c.hline(6, 10, 9, E_ARROW_DARK)
    for i in range(5):
        x = 10 + i
        c.vline(x, 3 + i, 12 - i, E_ARROW)
        c.set(x, 12 - i, E_ARROW_DARK)
    return c


def bmp_bytes(canvas, palette):
    w, h = canvas.width, canvas.height
    stride = (w + 3) & ~3
    pixels = bytearray()
    for y in range(h - 1, -1, -1):       # bottom-up
        row = bytearray(canvas.get(x, y) for x in range(w))
        row.extend(b"\0" * (stride - w))
        pixels += row

    pal = palette_bytes(palette)
    offset = 14 + 40 + len(pal)
    info = struct.pack(
        "<IiiHHIIiiII",
        40, w, h, 1, 8, 0, len(pixels),
        2835, 2835,                      # 72 dots per inch
        PALETTE_SIZE, 0,
    )
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + info + pal + bytes(pixels)


# ------------------------------------------------------------------ main

def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    print(f"{path}: {len(data)} bytes")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    res = os.path.join(root, "res")
    write_file(os.path.join(res, "larkmoor.ico"),
                     ico_bytes(draw_icon(), make_palette(ICON_COLOURS)))
    write_file(os.path.join(res, "exit.bmp"),
                     bmp_bytes(draw_exit(), make_palette(EXIT_COLOURS)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
