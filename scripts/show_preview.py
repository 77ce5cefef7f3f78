#!/usr/bin/env python3
"""Paints a show file into a PNG the way the player's painting layer sees it,
so that a show can be looked at without Windows:

    scripts/show_preview.py show.sho [out.png] [--desktop]

Strokes are lines with round pens, fills replace the 4-connected area of the
exact colour under the point, and unpainted parts stay white (with --desktop
they show a grey checker instead, as the desktop would show through).
It also prints the show's size, point count, total time and signature.
Python standard library only; make-shows.py imports it to check its fills.
"""
import struct
import sys
import zlib
from array import array

WHITE = 0xFFFFFF
PF_PEN_DOWN = 1
PF_FILL = 2


class Canvas:
    """The painting layer: one 0xRRGGBB value per pixel, white = unpainted."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = array("I", [WHITE]) * (width * height)
        self._discs = {}

    def _disc(self, pen):
        # Row half-widths of a round pen of this width, as GDI draws wide pens.
        if pen not in self._discs:
            r = max(pen, 1) / 2.0
            rows = []
            reach = int(r)
            for dy in range(-reach, reach + 1):
                half = int((r * r - dy * dy) ** 0.5) if r * r >= dy * dy else 0
                rows.append((dy, half))
            if pen <= 1:
                rows = [(0, 0)]
            self._discs[pen] = rows
        return self._discs[pen]

    def _stamp(self, x, y, rows, colour):
        w, h, px = self.width, self.height, self.pixels
        for dy, half in rows:
            yy = y + dy
            if yy < 0 or yy >= h:
                continue
            left = max(x - half, 0)
            right = min(x + half, w - 1)
            if left > right:
                continue
            base = yy * w
            px[base + left:base + right + 1] = array("I", [colour]) * (right - left + 1)

    def line(self, x0, y0, x1, y1, colour, pen):
        rows = self._disc(pen)
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i // steps
            y = y0 + (y1 - y0) * i // steps
            self._stamp(x, y, rows, colour)

    def fill(self, x, y, colour):
        """Fills the 4-connected run of the colour under (x, y); returns the pixel count."""
        w, h, px = self.width, self.height, self.pixels
        if not (0 <= x < w and 0 <= y < h):
            return 0
        target = px[y * w + x]
        if target == colour:
            return 0
        seeds = [(x, y)]
        changed = 0
        while seeds:
            sx, sy = seeds.pop()
            base = sy * w
            if px[base + sx] != target:
                continue
            left = sx
            while left > 0 and px[base + left - 1] == target:
                left -= 1
            right = sx
            while right + 1 < w and px[base + right + 1] == target:
                right += 1
            px[base + left:base + right + 1] = array("I", [colour]) * (right - left + 1)
            changed += right - left + 1
            for ny in (sy - 1, sy + 1):
                if 0 <= ny < h:
                    nbase = ny * w
                    in_run = False
                    for nx in range(left, right + 1):
                        hit = px[nbase + nx] == target
                        if hit and not in_run:
                            seeds.append((nx, ny))
                        in_run = hit
        return changed

    def write_png(self, path, desktop=False):
        w, h = self.width, self.height
        raw = bytearray()
        for y in range(h):
            raw.append(0)
            for x in range(w):
                v = self.pixels[y * w + x]
                if v == WHITE and desktop:
                    v = 0x9098A0 if ((x >> 4) + (y >> 4)) & 1 else 0x7880A0
                raw += bytes(((v >> 16) & 255, (v >> 8) & 255, v & 255))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 6)))
            f.write(chunk(b"IEND", b""))


def colorref_to_rgb(colorref):
    r = colorref & 255
    g = (colorref >> 8) & 255
    b = (colorref >> 16) & 255
    return (r << 16) | (g << 8) | b


def read_show(path):
    """Returns (width, height, flags, signature text, list of points);
    a point is (x, y, delay, colorref, pen, flags)."""
    data = open(path, "rb").read()
    if len(data) < 4:
        raise ValueError("%s: too short for a show file" % path)
    version = struct.unpack_from("<h", data, 2)[0]
    signature = ""
    if version == 2:
        if len(data) < 176:
            raise ValueError("%s: header is cut short" % path)
        width, height, flags = struct.unpack_from("<HHH", data, 4)
        slots = struct.unpack_from("<40I", data, 12)
        chars = []
        for k, slot in enumerate(slots):
            if slot == 0:
                break
            chars.append(((slot // (k + 1)) - 77) & 255)
        signature = bytes(chars).split(b"\0")[0].decode("latin-1")
        start = 176
    elif version == 1:
        width, height, flags = struct.unpack_from("<HHH", data, 4)
        start = 10
    else:
        width, height, flags, start = 1024, 768, 0, 4
    points = []
    for at in range(start, len(data) - 15, 16):
        x, y, delay, _, colour, pen, pflags = struct.unpack_from("<HHHHIBB", data, at)
        points.append((x, y, delay, colour, pen, pflags))
    return width, height, flags, signature, points


def paint(width, height, points):
    canvas = Canvas(width, height)
    prev = None
    for i, (x, y, _delay, colour, pen, flags) in enumerate(points):
        # The first point only places the painter.
        if i > 0:
            rgb = colorref_to_rgb(colour)
            if flags & PF_FILL:
                canvas.fill(x, y, rgb)
            if flags & PF_PEN_DOWN:
                canvas.line(prev[0], prev[1], x, y, rgb, pen)
        prev = (x, y)
    return canvas


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip())
        return 2
    path = argv[1]
    out = next((a for a in argv[2:] if not a.startswith("--")), path.rsplit(".", 1)[0] + ".png")
    width, height, flags, signature, points = read_show(path)
    total = sum(p[2] for p in points)
    print("%s: %d x %d, flags %d, %d points, %.1f s, signature %r" %
          (path, width, height, flags, len(points), total / 1000.0, signature))
    paint(width, height, points).write_png(out, desktop="--desktop" in argv)
    print("wrote", out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
