#!/usr/bin/env python3
"""Checks the generated art against what the programs rely on: the size and
depth of every bitmap, the key colour at pixel (1, 1) of each character, and
a brush tip that is really there at (2, 65). Prints one line per file; exits
with 1 when any check fails."""
import os
import struct
import sys

ART = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "art")

# file, width, height, bits per pixel, is a character (key colour and brush tip)
EXPECTED = [
    ("painter_dorin.bmp", 301, 215, 24, True),
    ("painter_velka.bmp", 290, 240, 24, True),
    ("painter_bramwell.bmp", 327, 254, 24, True),
    ("painter_rare.bmp", 280, 324, 24, True),
    ("painter_preview.bmp", 50, 82, 24, True),
    ("thumb_velka.bmp", 113, 75, 24, False),
    ("thumb_dorin.bmp", 113, 75, 24, False),
    ("thumb_bramwell.bmp", 113, 75, 24, False),
    ("about_title.bmp", 225, 390, 24, False),
    ("about_banner1.bmp", 362, 83, 24, False),
    ("about_banner2.bmp", 362, 66, 24, False),
    ("about_banner3.bmp", 362, 66, 24, False),
    ("installer_welcome.bmp", 164, 314, 24, False),
    ("installer_header.bmp", 150, 57, 24, False),
]
KEY = (255, 0, 255)
TIP = (2, 65)


def read_bmp(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        raise ValueError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    header_size, width, height, planes, bpp, compression = struct.unpack_from("<IiiHHI", data, 14)
    if header_size != 40 or compression != 0:
        raise ValueError("not a plain BITMAPINFOHEADER bitmap")
    stride = (width * bpp // 8 + 3) & ~3

    def pixel(x, y):
        row = height - 1 - y if height > 0 else y
        at = offset + row * stride + x * 3
        b, g, r = data[at], data[at + 1], data[at + 2]
        return (r, g, b)

    return width, abs(height), bpp, pixel


def check(name, width, height, bpp, is_character):
    problems = []
    w, h, b, pixel = read_bmp(os.path.join(ART, name))
    if (w, h, b) != (width, height, bpp):
        problems.append("is %dx%dx%d, wants %dx%dx%d" % (w, h, b, width, height, bpp))
    if is_character and not problems:
        if pixel(1, 1) != KEY:
            problems.append("pixel (1, 1) is %s, not the key colour" % (pixel(1, 1),))
        if pixel(*TIP) == KEY:
            problems.append("no brush tip at (2, 65)")
        keyed = sum(1 for y in range(h) for x in range(w) if pixel(x, y) == KEY)
        if not 0.2 < keyed / (w * h) < 0.95:
            problems.append("key colour covers %d%% of the picture" % (100 * keyed // (w * h)))
    print("%-22s %s" % (name, "; ".join(problems) if problems else "ok"))
    return not problems


def main():
    good = all([check(*row) for row in EXPECTED])
    ok = True
    for name, wanted in (("tovaren.ico", [16, 32]), ("show.ico", [16, 32, 48])):
        ico = open(os.path.join(ART, name), "rb").read()
        count = struct.unpack_from("<H", ico, 4)[0]
        sizes = sorted(ico[6 + 16 * i] or 256 for i in range(count))
        has_all = all(size in sizes for size in wanted)
        ok = ok and has_all
        print("%-22s %s" % (name, "ok" if has_all else "sizes %s, wants %s" % (sizes, wanted)))
    return 0 if good and ok else 1


if __name__ == "__main__":
    sys.exit(main())
