#!/usr/bin/env python3
"""Draws Quarvel's two icons and writes them as .ico files beside this script.

  Quarvel.ico  (IDR_MAINFRAME): a phone with a USB sign on its screen, 32x32 and 16x16, 16 colours.
  Banner.ico   (IDI_BANNER):    a green disc with a USB sign and a download arrow, 48x48, 24-bit.

Only the standard library is used, so the icons can be rebuilt anywhere: python3 res/make-icons.py
"""

import os
import struct

# The classic 16-colour palette, index -> (r, g, b).
PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREEN, TEAL, SILVER, GRAY, LIME, WHITE = 0, 2, 6, 7, 8, 10, 15


class Canvas:
    """A square picture; None marks a transparent pixel."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[None] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pixels[y][x] = colour

    def fill(self, inside, colour):
        """Paints every pixel whose centre satisfies inside(x, y)."""
        for y in range(self.size):
            for x in range(self.size):
                if inside(x + 0.5, y + 0.5):
                    self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Inclusive pixel bounds."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def rounded_rect(self, x0, y0, x1, y1, radius, colour):
        def inside(px, py):
            if not (x0 <= px <= x1 + 1 and y0 <= py <= y1 + 1):
                return False
            cx = min(max(px, x0 + radius), x1 + 1 - radius)
            cy = min(max(py, y0 + radius), y1 + 1 - radius)
            return (px - cx) ** 2 + (py - cy) ** 2 <= radius ** 2

        self.fill(inside, colour)

    def disc(self, cx, cy, radius, colour):
        self.fill(lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= radius ** 2, colour)

    def line(self, x0, y0, x1, y1, width, colour):
        """A stroke of this width between two points (pixel-centre coordinates)."""
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9

        def inside(px, py):
            t = min(max(((px - x0) * dx + (py - y0) * dy) / length2, 0.0), 1.0)
            qx, qy = x0 + t * dx - px, y0 + t * dy - py
            return qx * qx + qy * qy <= (width / 2.0) ** 2

        self.fill(inside, colour)

    def polygon(self, points, colour):
        def inside(px, py):
            result = False
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay > py) != (by > py) and px < ax + (py - ay) * (bx - ax) / (by - ay):
                    result = not result
            return result

        self.fill(inside, colour)


def usb_sign(c, cx, top, height, colour, w=1.0):
    """The USB trident, pointing up: an arrow-headed stem, a branch ending in a disc on the left, one
    ending in a square on the right, and a disc at the foot. w is the stroke width."""
    bottom = top + height
    c.line(cx, top + 2 * w, cx, bottom, w, colour)
    c.polygon([(cx - 1.8 * w, top + 2.2 * w), (cx, top - 0.4 * w), (cx + 1.8 * w, top + 2.2 * w)], colour)
    left_y, right_y = top + height * 0.62, top + height * 0.42
    c.line(cx, left_y + 2 * w, cx - 3.2 * w, left_y, w, colour)
    c.line(cx - 3.2 * w, left_y, cx - 3.2 * w, left_y - 1.5 * w, w, colour)
    c.disc(cx - 3.2 * w, left_y - 2.2 * w, 1.2 * w, colour)
    c.line(cx, right_y + 2 * w, cx + 3.2 * w, right_y, w, colour)
    c.line(cx + 3.2 * w, right_y, cx + 3.2 * w, right_y - 1.2 * w, w, colour)
    c.rect(round(cx + 2.2 * w), round(right_y - 3.2 * w), round(cx + 4.2 * w) - 1, round(right_y - 1.2 * w) - 1,
           colour)
    c.disc(cx, bottom + 0.6 * w, 1.6 * w, colour)


def phone_32():
    c = Canvas(32)
    c.rounded_rect(7, 1, 24, 30, 3, BLACK)
    c.rounded_rect(8, 2, 23, 29, 2.5, GRAY)
    c.rect(10, 5, 21, 24, TEAL)
    c.rect(13, 3, 18, 3, SILVER)  # earpiece
    c.rounded_rect(14, 26, 17, 28, 1, SILVER)  # home key
    usb_sign(c, 16, 7, 11, WHITE, 1.3)
    c.rect(11, 22, 20, 23, LIME)  # progress bar
    return c


def phone_16():
    c = Canvas(16)
    c.rounded_rect(3, 0, 12, 15, 2, BLACK)
    c.rect(4, 1, 11, 14, GRAY)
    c.rect(5, 2, 10, 12, TEAL)
    c.rect(7, 13, 8, 13, SILVER)
    # a small trident
    c.rect(7, 3, 8, 10, WHITE)
    c.rect(6, 4, 9, 4, WHITE)
    c.rect(5, 6, 5, 8, WHITE)
    c.rect(10, 6, 10, 8, WHITE)
    c.rect(5, 8, 10, 8, WHITE)
    c.rect(6, 11, 9, 11, LIME)
    return c


def banner_48():
    c = Canvas(48)
    # A shaded disc: darker towards the lower right.
    for y in range(48):
        for x in range(48):
            dx, dy = x + 0.5 - 24, y + 0.5 - 24
            if dx * dx + dy * dy <= 23 * 23:
                shade = (dx + dy) / 46.0
                c.pixels[y][x] = (int(40 - 25 * shade), int(170 - 60 * shade), int(80 - 30 * shade))
    c.fill(lambda px, py: (px - 24) ** 2 + (py - 24) ** 2 > 21 * 21 and (px - 24) ** 2 + (py - 24) ** 2 <= 23 * 23,
           (20, 90, 40))
    white = (255, 255, 255)
    usb_sign(c, 19, 10, 22, white, 2.4)
    # the download arrow on the right
    c.rect(32, 14, 36, 26, (250, 220, 60))
    c.polygon([(28, 26), (41, 26), (34.5, 34)], (250, 220, 60))
    return c


def bmp_rows(canvas):
    """Rows bottom-up, as the icon's bitmaps store them."""
    return list(reversed(canvas.pixels))


def mask_bits(canvas):
    out = bytearray()
    row_bytes = ((canvas.size + 31) // 32) * 4
    for row in bmp_rows(canvas):
        bits = bytearray(row_bytes)
        for x, p in enumerate(row):
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def image_4bpp(canvas):
    size = canvas.size
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE16)
    row_bytes = ((size * 4 + 31) // 32) * 4
    xor = bytearray()
    for row in bmp_rows(canvas):
        bits = bytearray(row_bytes)
        for x, p in enumerate(row):
            index = 0 if p is None else p
            bits[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += bits
    return header + palette + bytes(xor) + mask_bits(canvas), 16, 4


def image_24bpp(canvas):
    size = canvas.size
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    row_bytes = ((size * 24 + 31) // 32) * 4
    xor = bytearray()
    for row in bmp_rows(canvas):
        bits = bytearray()
        for p in row:
            r, g, b = (0, 0, 0) if p is None else p
            bits += bytes((b, g, r))
        bits += bytes(row_bytes - len(bits))
        xor += bits
    return header + bytes(xor) + mask_bits(canvas), 0, 24


def write_ico(path, images):
    """images: list of (canvas, encoder)."""
    encoded = [(canvas.size,) + encoder(canvas) for canvas, encoder in images]
    offset = 6 + 16 * len(encoded)
    data = struct.pack('<HHH', 0, 1, len(encoded))
    for size, blob, colours, bpp in encoded:
        data += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    for _, blob, _, _ in encoded:
        data += blob
    with open(path, 'wb') as f:
        f.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, 'Quarvel.ico'), [(phone_32(), image_4bpp), (phone_16(), image_4bpp)])
    write_ico(os.path.join(here, 'Banner.ico'), [(banner_48(), image_24bpp)])


if __name__ == '__main__':
    main()
