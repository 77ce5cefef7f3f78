#!/usr/bin/env python3
"""Writes a Windows cursor (.cur) from raw 32 x 32 RGBA pixels:

    png_to_cur.py pixels.rgba hotspot_x hotspot_y out.cur

The pixels come from `convert in.png rgba:pixels.rgba`. Each pixel is either
opaque or transparent (alpha at least half or not), and the AND mask says the
same, so the cursor looks alike on systems with and without alpha cursors.
Python standard library only."""
import struct
import sys

SIZE = 32


def main(argv):
    if len(argv) != 5:
        print(__doc__.strip())
        return 2
    raw = open(argv[1], "rb").read()
    if len(raw) != SIZE * SIZE * 4:
        print("png_to_cur: expected %d bytes of RGBA, got %d" % (SIZE * SIZE * 4, len(raw)))
        return 1
    hot_x, hot_y = int(argv[2]), int(argv[3])
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):            # bitmaps run bottom-up
        bits = 0
        for x in range(SIZE):
            r, g, b, a = raw[(y * SIZE + x) * 4:(y * SIZE + x) * 4 + 4]
            if a >= 128:
                colour += bytes((b, g, r, 255))
                bits <<= 1
            else:
                colour += bytes((0, 0, 0, 0))
                bits = (bits << 1) | 1
        mask += struct.pack(">I", bits)        # 32 pixels = one 4-byte row
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = info + colour + mask
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    with open(argv[4], "wb") as f:
        f.write(header + entry + image)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
