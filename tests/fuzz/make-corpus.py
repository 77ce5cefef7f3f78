#!/usr/bin/env python3
"""Writes the fuzzers' seed corpus into tests/fuzz/corpus/: a few small files
of every kind each reader takes, valid and nearly valid. Reproducible: run it
again and the same files come out."""
import os
import struct
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def point(x, y, delay, colour, pen, flags):
    return struct.pack("<HHHxxIBBxx", x, y, delay, colour, pen, flags)


def show(version=2, width=1024, height=768, flags=0, points=(), magic=-1):
    word = struct.pack("<hh", magic, version)
    if version == 2:
        signature = [(ord(c) + 333) * (k + 1) for k, c in enumerate("Ada")]
        signature += [0] * (40 - len(signature))
        header = struct.pack("<HHHxx40I4x", width, height, flags, *signature)
    elif version == 1:
        header = struct.pack("<HHH", width, height, flags)
    else:
        header = b""
    return word + header + b"".join(point(*p) for p in points)


def bitmap(width, height, bits, compression=0, palette=None, pixels=None, header_size=40, top_down=False):
    if header_size == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        entry = 3
    else:
        info = struct.pack("<IiiHHIIiiII", header_size, width, -height if top_down else height, 1, bits,
                           compression, 0, 2835, 2835, len(palette or []), 0)
        info += bytes(header_size - 40)
        entry = 4
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F) if compression == 3 and header_size == 40 else b""
    table = b"".join(bytes(c[:entry]) for c in (palette or []))
    if pixels is None:
        stride = (width * bits + 31) // 32 * 4
        pixels = bytes((i * 37) & 0xFF for i in range(stride * height))
    offset = 14 + len(info) + len(masks) + len(table)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + info + masks + table + pixels


def trailer(program, show_bytes, bitmap_bytes, mode=b"a", speed=10, pause=30):
    marker = b"Tovaren Standalone Screensaver.".ljust(36, b"\0")
    tail = struct.pack("<IIIIcxbxi", len(program), len(show_bytes), len(program) + len(show_bytes),
                       len(bitmap_bytes), mode, speed, pause) + marker
    return program + show_bytes + bitmap_bytes + tail


def shell_link(flags, items=(), info=None, texts=(), extra=b""):
    clsid = bytes([0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46])
    header = struct.pack("<I", 0x4C) + clsid + struct.pack("<II", flags, 0x20) + bytes(24) + \
        struct.pack("<IiIHHII", 0, 0, 1, 0, 0, 0, 0)
    body = b""
    if flags & 1:
        ids = b"".join(struct.pack("<H", len(i) + 2) + i for i in items) + b"\0\0"
        body += struct.pack("<H", len(ids)) + ids
    if flags & 2:
        body += info
    unicode = flags & 0x80
    for t in texts:
        body += struct.pack("<H", len(t)) + (t.encode("utf-16-le") if unicode else t.encode())
    return header + body + extra + b"\0\0\0\0"


def link_info(path):
    volume = struct.pack("<IIII", 0x11, 3, 0x1234, 0x10) + b"\0"
    base = path.encode() + b"\0"
    start = 0x1C
    size = start + len(volume) + len(base) + 1
    return struct.pack("<IIIIIII", size, 0x1C, 1, start, start + len(volume), 0, size - 1) + volume + base + b"\0"


def write(kind, name, data):
    folder = os.path.join(OUT, kind)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    line = [(10, 20, 5, 0xFF, 4, 0), (200, 20, 30, 0xFF, 4, 1), (200, 300, 0, 0xFFFFFF, 255, 1),
            (65535, 65535, 65535, 0x00FF00, 0, 2), (5, 5, 1000, 0xFF0000, 1, 3)]
    write("show", "v2.sho", show(points=line))
    write("show", "v2-priority.sho", show(flags=7, points=line[:2]))
    write("show", "v2-empty.sho", show())
    write("show", "v1.sho", show(version=1, points=line))
    write("show", "v7.sho", show(version=7, points=line[:1]))
    write("show", "odd-magic.sho", show(magic=0x1234, points=line[:2]) + b"\x01\x02\x03")
    write("show", "short.sho", show()[:100])

    red = [(0, 0, 255), (255, 255, 255)]
    write("bitmap", "24bit.bmp", bitmap(5, 3, 24))
    write("bitmap", "1x1.bmp", bitmap(1, 1, 24))
    write("bitmap", "32bit.bmp", bitmap(4, 4, 32))
    write("bitmap", "16bit-masks.bmp", bitmap(4, 2, 16, compression=3))
    write("bitmap", "8bit-palette.bmp", bitmap(6, 2, 8, palette=[(i, i, i, 0) for i in range(16)]))
    write("bitmap", "4bit-palette.bmp", bitmap(7, 3, 4, palette=[(0, 0, 0, 0), (0, 0, 255, 0)]))
    write("bitmap", "1bit.bmp", bitmap(9, 2, 1, palette=red))
    write("bitmap", "core-header.bmp", bitmap(3, 2, 24, header_size=12))
    write("bitmap", "v5-top-down.bmp", bitmap(3, 3, 24, header_size=124, top_down=True))
    rle8 = bytes([3, 1, 0, 3, 7, 8, 9, 0, 0, 0, 0, 2, 1, 0, 4, 2, 0, 1])
    write("bitmap", "rle8.bmp", bitmap(4, 2, 8, compression=1, palette=[(i, 0, 0, 0) for i in range(10)], pixels=rle8))
    rle4 = bytes([4, 0x12, 0, 0, 0, 3, 0x12, 0x30, 0, 1])
    write("bitmap", "rle4.bmp", bitmap(4, 2, 4, compression=2, palette=[(i, i, 0, 0) for i in range(4)], pixels=rle4))
    huge = bitmap(1, 1, 24)
    huge = huge[:18] + struct.pack("<ii", 100000, 100000) + huge[26:]
    write("bitmap", "claims-100000.bmp", huge)

    program = b"MZ" + bytes(range(64))
    small_show = show(points=line[:2])
    small_bitmap = bitmap(2, 2, 24)
    write("trailer", "standalone.scr", trailer(program, small_show, small_bitmap))
    write("trailer", "past-the-end.scr", trailer(program, small_show, small_bitmap)[:-60] +
          trailer(b"", small_show * 40, b"")[-60:])
    write("trailer", "ordinary.scr", program * 3)

    write("shortcut", "to-show.lnk", shell_link(0x1 | 0x2 | 0x4, items=[b"\x2fC:\\\0", b"\x32" + bytes(12) + b"show.sho\0"],
                                                info=link_info("C:\\shows\\show.sho"), texts=["Tovaren"]))
    write("shortcut", "unicode-texts.lnk", shell_link(0x80 | 0x4 | 0x10, texts=["name", "C:\\shows"]))
    write("shortcut", "bare.lnk", shell_link(0))
    write("shortcut", "extra-block.lnk", shell_link(0x2, info=link_info("D:\\a.bmp"),
                                                    extra=struct.pack("<II", 0x10, 0xA0000005) + bytes(8)))

    for name in ["", "d.InternalChar", "v.InternalChar", "b.InternalChar", "d", "show.sho.lnk",
                 "CAT.BMP.LNK", ".lnk", "lnk"]:
        write("names", (name or "empty").replace(".", "_"), name.encode())


if __name__ == "__main__":
    main()
