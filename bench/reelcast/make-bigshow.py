#!/usr/bin/env python3
"""Writes a show of 1,000,000 points on 800 x 600 (a fixed seed): strokes of
10 to 400 points in 48 colours and pen sizes 1 to 12 that wander over the
canvas, a fill now and then, delays of 1 to 3 ms.
Usage: make-bigshow.py <show file>"""
import random
import struct
import sys

random.seed(16)
width, height, total = 800, 600, 1000000
colours = [random.randrange(0, 1 << 24) for _ in range(48)]
header = struct.pack("<hhHHH2x", -1, 2, width, height, 0) + bytes(160 + 4)
points = bytearray()
count = 0
x, y = width // 2, height // 2
while count < total:
    colour = random.choice(colours)
    pen = random.randint(1, 12)
    x, y = random.randrange(width), random.randrange(height)
    points += struct.pack("<HHH2xIBB2x", x, y, 2, colour, pen, 0)
    count += 1
    if random.random() < 0.02 and count < total:
        points += struct.pack("<HHH2xIBB2x", x, y, 3, colour, pen, 2)
        count += 1
    dx, dy = random.uniform(-4, 4), random.uniform(-4, 4)
    for _ in range(random.randint(10, 400)):
        if count >= total:
            break
        dx = max(-6, min(6, dx + random.uniform(-1, 1)))
        dy = max(-6, min(6, dy + random.uniform(-1, 1)))
        x = int(max(0, min(width - 1, x + dx)))
        y = int(max(0, min(height - 1, y + dy)))
        points += struct.pack("<HHH2xIBB2x", x, y, random.randint(1, 3), colour, pen, 1)
        count += 1
with open(sys.argv[1], "wb") as f:
    f.write(header + points)
