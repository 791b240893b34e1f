#!/usr/bin/env python3
"""Draws the toolbar image strips: 400 x 33, 8-bit BMP, mask colour 0xCCCCCC.

toolbar.bmp holds the normal images (Open, Update, Param in slots 0 to 2, 40 pixels each),
toolbar-disabled.bmp the same shapes in light greys. Run once; the BMPs are committed.
"""
import struct
import sys

W, H, SLOT = 400, 33, 40
MASK = (0xCC, 0xCC, 0xCC)


def blank():
    return [[MASK] * W for _ in range(H)]


def rect(img, slot, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            img[y][slot * SLOT + x] = colour


def polygon(img, slot, points, colour):
    """Fills the polygon by the even-odd rule, sampled at pixel centres."""
    for y in range(H - 1):
        for x in range(SLOT):
            px, py = x + 0.5, y + 0.5
            inside = False
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay > py) != (by > py) and px < ax + (py - ay) * (bx - ax) / (by - ay):
                    inside = not inside
            if inside:
                img[y][slot * SLOT + x] = colour


def disc(img, slot, cx, cy, r, colour):
    for y in range(H - 1):
        for x in range(SLOT):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                img[y][slot * SLOT + x] = colour


def draw_open(img, c):
    polygon(img, 0, [(4, 7), (14, 7), (17, 10), (32, 10), (32, 27), (4, 27)], c["folder_back"])
    polygon(img, 0, [(4, 27), (9, 14), (37, 14), (32, 27)], c["folder_front"])
    polygon(img, 0, [(4, 27), (9, 14), (10, 14), (5, 27)], c["outline"])
    rect(img, 0, 4, 26, 33, 27, c["outline"])
    # Arrow out of the folder: the file is opened.
    polygon(img, 0, [(22, 9), (27, 3), (32, 9), (29, 9), (29, 13), (25, 13), (25, 9)], c["arrow"])


def draw_update(img, c):
    rect(img, 1, 10, 14, 30, 30, c["chip"])
    for x in range(12, 30, 4):
        rect(img, 1, x, 11, x + 2, 14, c["pin"])
        rect(img, 1, x, 30, x + 2, 32, c["pin"])
    for y in range(16, 30, 4):
        rect(img, 1, 6, y, 10, y + 2, c["pin"])
        rect(img, 1, 30, y, 34, y + 2, c["pin"])
    disc(img, 1, 13.5, 17.5, 1.5, c["pin"])
    # Arrow into the chip: the program goes into the flash.
    polygon(img, 1, [(17, 1), (23, 1), (23, 11), (27, 11), (20, 20), (13, 11), (17, 11)], c["arrow"])


def draw_param(img, c):
    polygon(img, 2, [(8, 2), (25, 2), (32, 9), (32, 31), (8, 31)], c["outline"])
    polygon(img, 2, [(9, 3), (24, 3), (31, 10), (31, 30), (9, 30)], c["page"])
    polygon(img, 2, [(24, 3), (31, 10), (24, 10)], c["fold"])
    for i, knob in enumerate((16, 24, 19)):
        y = 14 + i * 6
        rect(img, 2, 12, y, 28, y + 1, c["outline"])
        disc(img, 2, knob, y + 0.5, 2.5, c["knob"])


NORMAL = {
    "folder_back": (0xC8, 0x96, 0x1E), "folder_front": (0xF5, 0xC8, 0x3C), "outline": (0x40, 0x40, 0x40),
    "arrow": (0x1E, 0x8C, 0x3C), "chip": (0x30, 0x34, 0x3C), "pin": (0xB4, 0xB4, 0xB4),
    "page": (0xFF, 0xFF, 0xFF), "fold": (0xDC, 0xDC, 0xDC), "knob": (0x1E, 0x64, 0xC8),
}
DISABLED = {k: tuple([min(0xF0, 0x80 + sum(v) // 6)] * 3) for k, v in NORMAL.items()}


def write_bmp(path, img):
    colours = sorted({px for row in img for px in row} - {MASK})
    palette = [MASK] + colours
    assert len(palette) <= 256
    index = {c: i for i, c in enumerate(palette)}
    stride = (W + 3) & ~3
    pixels = b"".join(bytes(index[px] for px in row) + b"\0" * (stride - W) for row in reversed(img))
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + b"\0" * 4 * (256 - len(palette))
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + pal + pixels)


for name, colours in (("toolbar.bmp", NORMAL), ("toolbar-disabled.bmp", DISABLED)):
    image = blank()
    draw_open(image, colours)
    draw_update(image, colours)
    draw_param(image, colours)
    write_bmp(name if len(sys.argv) < 2 else f"{sys.argv[1]}/{name}", image)
