#!/usr/bin/env python3
"""Writes the bundled shows (shows/*.sho) that come with Tovaren.

Each show is painted by a simulated hand: pen-up travel with a pause before
each stroke, strokes sampled every few pixels at 6-30 ms a point, fills that
are clicked after a short hesitation, and a signature in the header. The
random generator is seeded per show, so the files come out byte for byte the
same on every run:

    scripts/make-shows.py [output folder]     (default: shows/)

Every fill is replayed on a model of the painting layer (show_preview.Canvas)
while the show is made, and the run stops if a fill would leak out of the
outline it is meant for, or find nothing to fill. Python standard library only.
"""
import math
import os
import random
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from show_preview import Canvas, colorref_to_rgb  # noqa: E402

WIDTH, HEIGHT = 1024, 768
PF_PEN_DOWN, PF_FILL = 1, 2
HF_PRIORITY = 4


def rgb(r, g, b):
    """A colour as the show stores it (COLORREF, red in the low byte)."""
    # White is the painting layer's transparent colour and erases; colours
    # whose channels are all 0xF0 or more turn white on a 16-bit display.
    assert min(r, g, b) < 0xF0, "too close to white: %r" % ((r, g, b),)
    return (b << 16) | (g << 8) | r


def encode_signature(text):
    slots = [0] * 40
    for k, ch in enumerate(text.encode("latin-1")[:40]):
        c = ch - 256 if ch > 127 else ch
        slots[k] = ((c + 333) * (k + 1)) & 0xFFFFFFFF
    return slots


class ShowError(Exception):
    pass


class Painter:
    """Records points the way the editor would record a steady hand."""

    def __init__(self, name, seed, start=(512, 700)):
        self.name = name
        self.rng = random.Random(seed)
        self.points = []
        self.canvas = Canvas(WIDTH, HEIGHT)
        self.colour = rgb(40, 30, 20)
        self.pen = 4
        self.x, self.y = start
        self.points.append((self.x, self.y, 0, self.colour, self.pen, 0))

    # -- recording --------------------------------------------------------
    def _add(self, x, y, delay, flags):
        x = min(max(int(round(x)), 0), WIDTH - 1)
        y = min(max(int(round(y)), 0), HEIGHT - 1)
        if flags & PF_PEN_DOWN and (x, y) == (self.x, self.y):
            return
        self.points.append((x, y, int(delay), self.colour, self.pen, flags))
        if flags & PF_FILL:
            self.last_fill = self.canvas.fill(x, y, colorref_to_rgb(self.colour))
        if flags & PF_PEN_DOWN:
            self.canvas.line(self.x, self.y, x, y, colorref_to_rgb(self.colour), self.pen)
        self.x, self.y = x, y

    def pause(self, low=150, high=600):
        self._add(self.x, self.y, self.rng.randint(low, high), 0)

    def travel(self, x, y, pause=(120, 450)):
        """Pen-up move to (x, y) along a slight curve, after a pause."""
        dx, dy = x - self.x, y - self.y
        dist = math.hypot(dx, dy)
        steps = max(1, int(dist / self.rng.uniform(28, 55)))
        bow = self.rng.uniform(-0.15, 0.15) * dist
        nx, ny = (-dy / dist, dx / dist) if dist else (0, 0)
        x0, y0 = self.x, self.y
        for i in range(1, steps + 1):
            t = i / steps
            ease = t * t * (3 - 2 * t)
            off = math.sin(math.pi * t) * bow
            delay = self.rng.randint(*pause) if i == 1 else self.rng.randint(8, 18)
            self._add(x0 + dx * ease + nx * off, y0 + dy * ease + ny * off, delay, 0)
        if (int(round(x)), int(round(y))) != (self.x, self.y) or steps == 0:
            self._add(x, y, self.rng.randint(8, 18), 0)

    def use(self, colour, pen):
        self.colour, self.pen = colour, pen

    def stroke(self, path, colour, pen, step=None, jitter=0.4, speed=(6, 20), pause=(120, 450)):
        """A drag along the polyline path, resampled every `step` pixels."""
        self.use(colour, pen)
        self.travel(path[0][0], path[0][1], pause)
        step = step or max(3.0, min(9.0, pen * 0.9))
        for x, y in resample(path, step)[1:]:
            self._add(x + self.rng.uniform(-jitter, jitter), y + self.rng.uniform(-jitter, jitter),
                      self.rng.randint(*speed), PF_PEN_DOWN)

    def fill(self, x, y, colour, low=50, high=WIDTH * HEIGHT):
        """A fill click at (x, y); checks how much it covered on the model layer."""
        self.use(colour, self.pen)
        self.travel(x, y)
        self._add(x, y, self.rng.randint(220, 480), PF_FILL)
        if not low <= self.last_fill <= high:
            raise ShowError("%s: fill at (%d, %d) covered %d pixels, expected %d..%d" %
                            (self.name, x, y, self.last_fill, low, high))

    # -- output -----------------------------------------------------------
    def total_ms(self):
        return sum(p[2] for p in self.points)

    def save(self, path, signature, flags=0):
        header = struct.pack("<hh", -1, 2)
        header += struct.pack("<HHH2x", WIDTH, HEIGHT, flags)
        header += struct.pack("<40I", *encode_signature(signature))
        header += b"\0" * 4
        body = b"".join(struct.pack("<HHH2xIBB2x", *p) for p in self.points)
        with open(path, "wb") as f:
            f.write(header + body)


# -- geometry helpers ------------------------------------------------------
def resample(path, step):
    out = [path[0]]
    carry = 0.0
    for (x0, y0), (x1, y1) in zip(path, path[1:]):
        seg = math.hypot(x1 - x0, y1 - y0)
        pos = step - carry
        while pos <= seg:
            t = pos / seg
            out.append((x0 + (x1 - x0) * t, y0 + (y1 - y0) * t))
            pos += step
        carry = seg - (pos - step)
    if math.hypot(out[-1][0] - path[-1][0], out[-1][1] - path[-1][1]) > 0.5:
        out.append(path[-1])
    return out


def ellipse(cx, cy, rx, ry, start=0.0, sweep=2 * math.pi, n=None, wobble=None, extra=0.12):
    """Points around an ellipse; a full turn overlaps its start a little so
    that a thick pen closes it."""
    n = n or max(16, int((rx + ry) / 3))
    total = sweep + (extra if sweep >= 2 * math.pi else 0)
    pts = []
    for i in range(int(n * total / sweep) + 1):
        a = start + total * i / n
        f = wobble(a) if wobble else 1.0
        pts.append((cx + rx * f * math.cos(a), cy + ry * f * math.sin(a)))
    return pts


def bezier(p0, p1, p2, p3, n=24):
    pts = []
    for i in range(n + 1):
        t = i / n
        u = 1 - t
        pts.append((u ** 3 * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t ** 3 * p3[0],
                    u ** 3 * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t ** 3 * p3[1]))
    return pts


def closed(pts):
    return list(pts) + [pts[0], pts[1] if len(pts) > 1 else pts[0]]


def curve(fn, x0, x1, step=6):
    xs = list(range(int(x0), int(x1), step)) + [int(x1)]
    return [(x, fn(x)) for x in xs]


def dab(p, cx, cy, radius, colour, pen, length=(6, 16), points=(2, 4)):
    """A short brush dab somewhere in a circle, in a random direction."""
    r = radius * math.sqrt(p.rng.random())
    a = p.rng.uniform(0, 2 * math.pi)
    x, y = cx + r * math.cos(a), cy + r * math.sin(a)
    d = p.rng.uniform(0, 2 * math.pi)
    ln = p.rng.uniform(*length)
    k = p.rng.randint(*points)
    path = [(x + math.cos(d) * ln * i / k + p.rng.uniform(-1.5, 1.5),
             y + math.sin(d) * ln * i / k + p.rng.uniform(-1.5, 1.5)) for i in range(k + 1)]
    p.stroke(path, colour, pen, step=max(2.5, ln / k), pause=(60, 220), speed=(10, 28))


# -- the shows ---------------------------------------------------------------
def meadow_at_noon():
    """A landscape: sky, sun, clouds, two rows of hills, a cottage, a path,
    a tree, flowers in the grass and birds."""
    p = Painter("meadow", 1101, start=(520, 700))

    def ridge1(x):
        return 420 - 55 * math.sin(math.pi * x / 700 + 0.2) - 15 * math.sin(x / 130.0)

    def ridge2(x):
        return 540 - 35 * math.sin(math.pi * x / 900 + 2.0) - 10 * math.sin(x / 70.0)

    far_line, near_line = rgb(70, 120, 80), rgb(55, 110, 45)
    line = curve(ridge1, 0, WIDTH - 1, 7)
    p.stroke(line[:80], far_line, 4, step=7)
    p.stroke(line[79:], far_line, 4, step=7)
    line = curve(ridge2, 0, WIDTH - 1, 7)
    p.stroke(line[:75], near_line, 4, step=7)
    p.stroke(line[74:], near_line, 4, step=7)

    p.fill(120, 60, rgb(140, 196, 236), 200000)      # sky
    p.fill(60, int((ridge1(60) + ridge2(60)) / 2), rgb(118, 166, 122), 40000)   # far hills
    p.fill(300, 700, rgb(104, 168, 72), 150000)      # meadow

    # sun with its rays
    p.stroke(ellipse(800, 150, 48, 48, start=-1.2), rgb(236, 150, 40), 4, step=5)
    p.fill(800, 150, rgb(250, 212, 72), 5000, 9000)
    for i in range(12):
        a = i * math.pi / 6 + 0.15
        p.stroke([(800 + 62 * math.cos(a), 150 + 62 * math.sin(a)),
                  (800 + 84 * math.cos(a), 150 + 84 * math.sin(a))],
                 rgb(244, 182, 52), 3, step=4, pause=(80, 200))

    # clouds: a bumpy top, a flat underside
    for cx, cy, rx, ry in ((520, 104, 96, 34), (640, 250, 70, 22), (90, 150, 70, 24)):
        shape = ellipse(cx, cy, rx, ry, start=0.3, wobble=lambda a: 1.0 + (0.18 * abs(math.sin(3 * a)) if math.sin(a) < 0 else -0.1))
        p.stroke(shape, rgb(206, 220, 236), 3, step=5)
        p.fill(cx, cy, rgb(236, 240, 244), 2000, 15000)
        p.stroke([(cx - rx * 0.6, cy + ry * 0.5), (cx, cy + ry * 0.62), (cx + rx * 0.55, cy + ry * 0.5)],
                 rgb(214, 224, 236), 6, step=5)

    # a cottage on the far hill
    hx, hw = 600, 70
    top = max(ridge1(x) for x in range(hx - 8, hx + hw + 9)) + 34
    bottom = min(ridge2(x) for x in range(hx, hx + hw + 1)) - 10
    wall_top = top + 24
    outline = rgb(90, 60, 40)
    p.stroke(closed([(hx, wall_top), (hx + hw, wall_top), (hx + hw, bottom), (hx, bottom)]), outline, 3, step=5)
    p.fill(hx + 8, bottom - 6, rgb(226, 204, 160), 800, 6000)
    p.stroke(closed([(hx - 8, wall_top), (hx + hw / 2, top - 4), (hx + hw + 8, wall_top)]), outline, 3, step=5)
    p.fill(hx + hw / 2, wall_top - 6, rgb(180, 70, 50), 300, 3000)
    p.stroke(closed([(hx + 12, bottom), (hx + 12, bottom - 24), (hx + 26, bottom - 24), (hx + 26, bottom)]), outline, 2, step=3)
    p.fill(hx + 19, bottom - 12, rgb(120, 80, 50), 60, 600)
    p.stroke(closed([(hx + 40, wall_top + 10), (hx + 58, wall_top + 10), (hx + 58, wall_top + 24), (hx + 40, wall_top + 24)]), outline, 2, step=3)
    p.fill(hx + 49, wall_top + 17, rgb(150, 200, 230), 60, 600)
    p.stroke([(hx + 49, wall_top + 10), (hx + 49, wall_top + 24)], outline, 1, step=3)
    for i in range(3):
        p.stroke(bezier((hx + 54, top + 4 - i * 20), (hx + 44, top - 10 - i * 20), (hx + 66, top - 16 - i * 20), (hx + 58, top - 24 - i * 20), 6),
                 rgb(170, 170, 180), 3, step=4, pause=(80, 200))

    # the path from the front edge up to the cottage door
    edge = rgb(168, 136, 92)
    tip = (hx + 19, bottom + 2)
    p.stroke(bezier((400, HEIGHT - 1), (430, 680), (560, 600), tip, 30), edge, 3, step=6)
    p.stroke(bezier((640, HEIGHT - 1), (610, 660), (600, 600), tip, 30), edge, 3, step=6)
    p.fill(520, HEIGHT - 20, rgb(216, 192, 140), 5000, 60000)
    for _ in range(14):
        t = p.rng.uniform(0.1, 0.9)
        y = tip[1] + (HEIGHT - 40 - tip[1]) * t
        x = 520 - (520 - tip[0]) * (1 - t) + p.rng.uniform(-30, 30) * t
        p.stroke([(x - 8 * t, y), (x + 10 * t, y + 2)], rgb(196, 170, 120), 3, step=4, pause=(60, 180))

    # the tree: trunk in strokes, a filled crown, leaves dabbed on
    bark, bark_dark = rgb(120, 84, 52), rgb(88, 60, 38)
    for dx, col, pen in ((-10, bark, 14), (0, bark, 14), (10, bark, 12), (-4, bark_dark, 5), (12, bark_dark, 4)):
        p.stroke(bezier((242 + dx * 1.4, 652), (250 + dx, 560), (244 + dx * 0.8, 420), (252 + dx * 0.6, 330), 16), col, pen, step=8)
    p.stroke([(226, 648), (206, 664)], bark, 10, step=4)
    p.stroke([(266, 648), (290, 662)], bark, 10, step=4)
    p.stroke([(238, 560), (240, 500)], rgb(150, 110, 70), 3, step=5)
    crown = ellipse(250, 248, 118, 86, start=1.4, wobble=lambda a: 1.0 + 0.07 * math.sin(7 * a))
    p.stroke(crown, rgb(40, 92, 42), 4, step=6)
    p.fill(180, 220, rgb(66, 132, 56), 15000, 40000)
    p.fill(320, 220, rgb(66, 132, 56), 0, 40000)     # the other side of the trunk, if it split the crown
    for col in (rgb(88, 156, 66), rgb(48, 108, 44), rgb(112, 176, 82), rgb(88, 156, 66)):
        for _ in range(16):
            dab(p, 250, 245, 88, col, p.rng.choice((6, 7, 8, 9)))
    for a, b in (((236, 320), (200, 280)), ((262, 318), (300, 270)), ((250, 330), (262, 260))):
        p.stroke([a, ((a[0] + b[0]) / 2, (a[1] + b[1]) / 2 + 4), b], bark_dark, 4, step=5)

    # light on the hills, grass and flowers in the meadow
    for _ in range(10):
        x = p.rng.uniform(40, 980)
        if 160 < x < 340 or 380 < x < 660:
            continue
        y = ridge2(x) + p.rng.uniform(14, 40)
        p.stroke([(x, y), (x + 24, y - 2), (x + 44, y + 1)], rgb(132, 186, 92), 6, step=6, pause=(80, 220))
    for _ in range(70):
        x = p.rng.uniform(10, 1010)
        y = p.rng.uniform(ridge2(x) + 40, 760)
        if 380 < x < 660 and y > 600:
            continue
        p.stroke([(x, y), (x - 3, y - 7), (x - 2, y - 13)], rgb(62, 122, 46), 2, step=3, pause=(40, 140), speed=(8, 18))
    for col in (rgb(214, 62, 52), rgb(242, 204, 64), rgb(184, 140, 214), rgb(238, 232, 218)):
        for _ in range(12):
            x = p.rng.uniform(20, 1000)
            y = p.rng.uniform(ridge2(x) + 50, 750)
            if 380 < x < 660 and y > 590:
                continue
            p.stroke([(x, y), (x + 2, y + 1), (x + 1, y + 3)], col, 6, step=2, pause=(50, 160))

    # birds
    for bx, by, s in ((420, 190, 12), (452, 172, 10), (470, 206, 9), (930, 300, 11)):
        p.stroke([(bx - s, by - s * 0.4), (bx - s * 0.5, by - s * 0.6), (bx, by), (bx + s * 0.5, by - s * 0.6), (bx + s, by - s * 0.4)],
                 rgb(60, 60, 72), 2, step=3, pause=(120, 300))
    p.pause(600, 900)
    return p


def flowers_in_a_vase():
    """A still life: a blue vase of flowers on a table against a wall, with
    a lemon and an apple beside it."""
    p = Painter("flowers", 2202, start=(512, 720))
    cx, table_y, front_y = 512, 560, 640

    def half_width(y):
        if y < 404:
            return 36 - (y - 380) * 0.3
        t = (y - 404) / 186.0
        return 29 + 86 * math.sin(math.pi * min(t, 1.0) * 0.8)

    outline = rgb(36, 52, 100)
    ys = list(range(380, 591, 6)) + [590]
    left = [(cx - half_width(y), y) for y in ys]
    right = [(cx + half_width(y), y) for y in reversed(ys)]
    p.stroke(left, outline, 3, step=6)
    p.stroke([left[-1], right[0]] + right, outline, 3, step=6)
    p.stroke([right[-1], left[0], left[1]], outline, 3, step=6)
    p.fill(cx, 500, rgb(66, 98, 168), 20000, 40000)

    wood_line = rgb(104, 64, 36)
    p.stroke([(0, table_y), (cx - half_width(table_y) + 2, table_y)], wood_line, 3, step=8)
    p.stroke([(cx + half_width(table_y) - 2, table_y), (WIDTH - 1, table_y)], wood_line, 3, step=8)
    p.stroke([(0, front_y), (WIDTH - 1, front_y)], wood_line, 4, step=8)
    p.fill(60, 60, rgb(164, 186, 178), 300000)            # wall
    p.fill(60, 600, rgb(168, 110, 64), 50000)              # table top
    p.fill(60, 700, rgb(122, 76, 44), 50000)               # table front
    # a lemon and an apple on the table, each with its shadow
    p.stroke(ellipse(280, 604, 40, 24, wobble=lambda a: 1.0 + 0.12 * abs(math.cos(a)) ** 8), rgb(196, 150, 20), 3, step=5)
    p.fill(280, 604, rgb(240, 208, 60), 2200, 4000)
    p.stroke(ellipse(780, 598, 32, 30, wobble=lambda a: 1.0 - 0.08 * max(0.0, -math.sin(a)) ** 6), rgb(120, 26, 26), 3, step=5)
    p.fill(780, 598, rgb(196, 48, 44), 2400, 4000)
    for y, x0, x1 in ((622, 300, 352), (630, 290, 340), (620, 798, 850), (628, 790, 836)):
        p.stroke([(x0, y), (x1, y + 1)], rgb(140, 88, 50), 7, step=6, pause=(60, 160))
    p.stroke([(262, 594), (282, 590)], rgb(250, 232, 140), 5, step=4)
    p.stroke([(766, 586), (770, 578)], rgb(236, 140, 130), 6, step=3)
    p.stroke([(780, 570), (784, 556)], rgb(90, 60, 30), 3, step=3)
    p.stroke(bezier((784, 562), (790, 552), (800, 552), (806, 558), 4), rgb(70, 130, 50), 4, step=3)
    for y in (602, 614, 628):
        x0 = p.rng.uniform(10, 50)
        p.stroke([(x0, y), (x0 + 150, y + 2)], rgb(150, 96, 56), 3, step=8, pause=(80, 200))
        x0 = p.rng.uniform(850, 870)
        p.stroke([(x0, y + 3), (x0 + 140, y + 1)], rgb(150, 96, 56), 3, step=8, pause=(80, 200))
    for i in range(5):
        y = 670 + i * 18
        p.stroke([(0, y), (WIDTH - 1, y + p.rng.uniform(-3, 3))], rgb(108, 66, 38), 2, step=9, pause=(80, 200))
    # soft light from a window on the left
    for i in range(6):
        x = 40 + i * 36
        p.stroke([(x, 40), (x + 120, 300)], rgb(176, 198, 190), 18, step=9, pause=(80, 200))

    # the vase's glaze and shadow
    for y in (470, 482):
        p.stroke([(cx - half_width(y) + 4, y), (cx, y + 6), (cx + half_width(y) - 4, y)], rgb(214, 178, 72), 4, step=5)
    p.stroke([(cx - half_width(430) + 14, 430), (cx - half_width(500) + 16, 500), (cx - half_width(560) + 22, 560)], rgb(128, 158, 218), 6, step=6)
    for y, length in ((594, 120), (602, 100), (610, 70)):
        p.stroke([(cx + half_width(590) - 8, y), (cx + half_width(590) + length, y + 1)], rgb(140, 88, 50), 8, step=6, pause=(60, 160))

    # stems and leaves
    stem = rgb(66, 124, 56)
    heads = [(360, 210), (440, 120), (530, 170), (620, 110), (690, 230), (300, 330), (730, 340), (560, 290)]
    stems = []
    for i, (hx, hy) in enumerate(heads):
        bx = cx - 20 + i * 6
        stems.append(bezier((bx, 386), (bx + (hx - bx) * 0.2, 330), (hx, hy + 80), (hx, hy + 18), 16))
        p.stroke(stems[-1], stem, 4, step=7)
    # leaves grow outwards from the outer stems
    leaf_fill = rgb(92, 152, 70)
    for i, at, length, tilt in ((0, 9, 64, -0.5), (4, 9, 64, -0.5), (5, 7, 56, 0.3), (6, 7, 56, 0.3), (0, 4, 44, 0.4)):
        sx, sy = stems[i][at]
        side = -1 if heads[i][0] < cx else 1
        dx, dy = side * length * math.cos(tilt), length * math.sin(tilt)
        sx += side * 3
        tip = (sx + dx, sy + dy)
        nx, ny = -dy * 0.32, dx * 0.32
        p.stroke(bezier((sx, sy), (sx + dx * 0.3 + nx, sy + dy * 0.3 + ny), (sx + dx * 0.7 + nx, sy + dy * 0.7 + ny), tip, 10)
                 + bezier(tip, (sx + dx * 0.7 - nx, sy + dy * 0.7 - ny), (sx + dx * 0.3 - nx, sy + dy * 0.3 - ny), (sx, sy), 10),
                 rgb(50, 100, 44), 2, step=4)
        p.fill(sx + dx * 0.5, sy + dy * 0.5, leaf_fill, 150, 3000)
        p.stroke([(sx + side * 2, sy), (sx + dx * 0.85, sy + dy * 0.85)], rgb(50, 100, 44), 1, step=4, pause=(60, 160))

    # a sunflower, tulips, daisies and cornflowers
    def sunflower(hx, hy):
        for k in range(14):
            a = k * 2 * math.pi / 14
            p.stroke([(hx + 20 * math.cos(a), hy + 20 * math.sin(a)), (hx + 46 * math.cos(a + 0.05), hy + 46 * math.sin(a + 0.05))],
                     rgb(244, 190, 40), 11, step=6, pause=(60, 160))
        p.stroke(ellipse(hx, hy, 20, 20), rgb(96, 60, 24), 3, step=4)
        p.fill(hx, hy, rgb(128, 80, 34), 500, 1500)
        for _ in range(10):
            dab(p, hx, hy, 12, rgb(80, 50, 22), 3, length=(1, 3), points=(1, 2))

    def tulip(hx, hy, colour, dark):
        shape = [(hx - 22, hy - 24), (hx - 11, hy - 10), (hx, hy - 28), (hx + 11, hy - 10), (hx + 22, hy - 24)]
        shape += bezier((hx + 22, hy - 24), (hx + 24, hy + 4), (hx + 12, hy + 18), (hx, hy + 18), 8)[1:]
        shape += bezier((hx, hy + 18), (hx - 12, hy + 18), (hx - 24, hy + 4), (hx - 22, hy - 24), 8)[1:]
        p.stroke(closed(shape), dark, 3, step=4)
        p.fill(hx, hy + 2, colour, 600, 3000)
        p.stroke([(hx - 8, hy - 4), (hx - 6, hy + 10)], rgb(236, 150, 150), 3, step=3, pause=(60, 160))

    def daisy(hx, hy):
        for k in range(12):
            a = k * 2 * math.pi / 12 + 0.2
            p.stroke([(hx + 7 * math.cos(a), hy + 7 * math.sin(a)), (hx + 26 * math.cos(a), hy + 26 * math.sin(a))],
                     rgb(238, 236, 226), 6, step=5, pause=(50, 140))
        p.stroke([(hx - 2, hy), (hx + 2, hy + 1), (hx, hy + 3)], rgb(236, 186, 40), 11, step=2)

    def cornflower(hx, hy):
        for k in range(10):
            a = k * 2 * math.pi / 10 + p.rng.uniform(-0.15, 0.15)
            ln = p.rng.uniform(14, 19)
            p.stroke([(hx + 4 * math.cos(a), hy + 4 * math.sin(a)), (hx + ln * math.cos(a), hy + ln * math.sin(a))],
                     rgb(70, 100, 200), 5, step=4, pause=(50, 140))
        p.stroke([(hx - 1, hy), (hx + 2, hy + 1)], rgb(40, 50, 120), 8, step=2)

    sunflower(*heads[0])
    tulip(*heads[1], rgb(214, 52, 60), rgb(150, 30, 40))
    daisy(*heads[2])
    tulip(*heads[3], rgb(232, 140, 40), rgb(170, 90, 30))
    sunflower(*heads[4])
    cornflower(*heads[5])
    daisy(*heads[6])
    cornflower(*heads[7])

    p.pause(600, 900)
    return p


def harbour_at_sunset():
    """A harbour at sunset: a low sun on the horizon, a headland, a
    lighthouse on its rock, sailing boats, a jetty and gulls."""
    p = Painter("harbour", 3303, start=(500, 720))
    horizon = 380
    dark = rgb(60, 52, 70)
    p.stroke(curve(lambda x: horizon, 0, WIDTH - 1, 9), rgb(70, 72, 104), 3, step=9)
    headland = bezier((0, 286), (140, 250), (300, 330), (440, horizon + 1), 30)
    p.stroke(headland, rgb(80, 70, 100), 3, step=6)
    rock = [(720, horizon + 1), (760, 352), (800, 338), (870, 330), (940, 340), (WIDTH - 1, 336)]
    p.stroke(rock, rgb(60, 54, 60), 3, step=6)
    tower = [(846, 336), (858, 186), (890, 186), (902, 336)]
    p.stroke(closed(tower), dark, 3, step=5)
    lamp = [(856, 186), (856, 160), (892, 160), (892, 186)]
    p.stroke(lamp, dark, 3, step=4)
    p.stroke([(850, 160), (874, 138), (898, 160), (850, 160)], dark, 3, step=4)
    sun = ellipse(560, horizon, 46, 46, start=math.pi, sweep=math.pi, n=40)
    p.stroke(sun, rgb(236, 130, 50), 3, step=5)

    p.fill(600, 60, rgb(242, 176, 130), 200000)            # sky
    p.fill(500, 600, rgb(44, 82, 124), 250000)             # sea
    p.fill(40, 330, rgb(112, 100, 134), 10000, 60000)      # headland
    p.fill(960, 360, rgb(92, 82, 84), 1000, 20000)         # rock
    p.fill(560, horizon - 12, rgb(250, 218, 116), 2000, 5000)   # sun
    p.fill(874, 300, rgb(234, 228, 216), 2000, 8000)       # tower
    p.fill(874, 172, rgb(250, 220, 90), 300, 1200)         # lamp
    p.fill(874, 152, rgb(170, 44, 40), 100, 800)           # roof
    for y in (220, 280):
        w0 = 858 - (y - 186) * 12 / 150.0 + 2
        p.stroke([(w0, y), (1748 - w0, y)], rgb(186, 52, 44), 3, step=4)
        p.stroke([(w0, y + 14), (1748 - w0, y + 14)], rgb(186, 52, 44), 3, step=4)
        p.fill(874, y + 7, rgb(196, 60, 48), 200, 800)
    for a in (-0.25, 0.0, 0.22):
        p.stroke([(850, 172), (850 - 170 * math.cos(a), 172 + 170 * math.sin(a))], rgb(250, 224, 150), 3, step=8, pause=(100, 260))

    # the evening sky: bands of colour above the sun
    for y, col, pen in ((40, rgb(150, 120, 170), 22), (72, rgb(176, 134, 170), 18), (104, rgb(206, 148, 160), 16),
                        (136, rgb(226, 160, 148), 12)):
        x0 = p.rng.uniform(-40, 20)
        while x0 < WIDTH:
            x1 = x0 + p.rng.uniform(160, 260)
            p.stroke([(x0, y + p.rng.uniform(-6, 6)), (x1, y + p.rng.uniform(-6, 6))], col, pen, step=9, pause=(80, 200))
            x0 = x1 - 10
    for cx, cy in ((300, 220), (720, 250), (160, 180)):
        for i in range(3):
            p.stroke([(cx - 70 + i * 14, cy + i * 8), (cx + 80 - i * 12, cy + i * 8 + 2)], rgb(206, 126, 128), 6, step=8, pause=(80, 200))

    # the sun's track on the water
    for i in range(14):
        y = horizon + 8 + i * 12
        half = 44 - i * 2.4 + p.rng.uniform(-6, 6)
        p.stroke([(560 - half, y), (560 + half, y + 1)], rgb(242, 196, 104), 3, step=6, pause=(60, 180))

    # boats
    def sailboat(x, y, size, hull, sail):
        s = size
        p.stroke(closed([(x - 60 * s, y), (x + 64 * s, y), (x + 44 * s, y + 26 * s), (x - 44 * s, y + 26 * s)]), dark, 3, step=5)
        p.fill(x, y + 12 * s, hull, int(1500 * s * s), 8000)
        p.stroke([(x, y), (x, y - 140 * s)], dark, 3, step=6)
        p.stroke(closed([(x + 5 * s, y - 134 * s), (x + 5 * s, y - 8 * s), (x + 70 * s, y - 8 * s)]), rgb(120, 100, 90), 2, step=4)
        p.fill(x + 20 * s, y - 30 * s, sail, int(1000 * s * s), 8000)
        p.stroke(closed([(x - 5 * s, y - 118 * s), (x - 5 * s, y - 8 * s), (x - 52 * s, y - 8 * s)]), rgb(120, 100, 90), 2, step=4)
        p.fill(x - 16 * s, y - 24 * s, sail, int(600 * s * s), 6000)
        p.stroke([(x - 70 * s, y + 30 * s), (x + 70 * s, y + 32 * s)], rgb(28, 52, 84), 4, step=8)

    boats = ((690, 560, 1.0, rgb(176, 48, 40)), (880, 470, 0.6, rgb(40, 96, 80)), (260, 450, 0.45, rgb(200, 160, 60)))
    for x, y, size, hull in boats:
        sailboat(x, y, size, hull, rgb(236, 226, 200))

    # the jetty and a rowing boat tied to it
    deck = [(0, 596), (380, 616), (380, 636), (0, 624)]
    p.stroke(closed(deck), rgb(72, 46, 30), 3, step=6)
    p.fill(190, 616, rgb(140, 96, 62), 4000, 14000)
    for x in (30, 110, 190, 270, 350):
        top = 604 + x * 0.053 + 16
        p.stroke([(x, top), (x, 740)], rgb(72, 46, 30), 10, step=8)
        p.stroke([(x - 4, 748), (x + 4, 756)], rgb(40, 66, 100), 4, step=3)
    p.stroke(closed([(330, 690), (470, 690), (450, 716), (350, 716)]), dark, 3, step=5)
    p.fill(400, 702, rgb(210, 200, 170), 1500, 5000)
    p.stroke([(330, 690), (350, 640)], rgb(200, 190, 160), 2, step=5)

    # ripples
    clear = [(x - 80 * s, y - 150 * s, x + 80 * s, y + 40 * s) for x, y, s, _ in boats]
    clear += [(0, 580, 400, 768), (320, 680, 480, 724), (500, horizon, 620, horizon + 180)]
    for _ in range(64):
        x = p.rng.uniform(0, 1000)
        y = p.rng.uniform(horizon + 20, 760)
        if any(x0 - 20 < x < x1 and y0 < y < y1 for x0, y0, x1, y1 in clear):
            continue
        col = p.rng.choice((rgb(74, 118, 160), rgb(30, 60, 96), rgb(96, 136, 170)))
        w = 10 + (y - horizon) / 10.0
        p.stroke([(x, y), (x + w / 2, y - 2), (x + w, y)], col, 2, step=4, pause=(40, 140), speed=(8, 18))

    # gulls
    for gx, gy, s in ((180, 120, 13), (220, 96, 10), (640, 200, 9), (700, 170, 12), (420, 300, 8)):
        p.stroke([(gx - s, gy - s * 0.3), (gx - s * 0.5, gy - s * 0.6), (gx, gy), (gx + s * 0.5, gy - s * 0.6), (gx + s, gy - s * 0.3)],
                 dark, 2, step=3, pause=(120, 300))
    p.pause(600, 900)
    return p


def lake_at_night():
    """A mountain lake by moonlight: snowy peaks, a full moon and stars, pines
    and a cabin with a lit window on the shore, light on the water."""
    p = Painter("lake", 4404, start=(300, 720))
    peaks = [(0, 330), (120, 236), (200, 176), (290, 252), (380, 238), (470, 170), (560, 118),
             (660, 212), (760, 236), (840, 196), (910, 160), (980, 214), (WIDTH - 1, 250)]

    def ridge(x):
        for (x0, y0), (x1, y1) in zip(peaks, peaks[1:]):
            if x0 <= x <= x1:
                return y0 + (y1 - y0) * (x - x0) / float(x1 - x0)
        return peaks[-1][1]

    def shore(x):
        return 470 + 4 * math.sin(x / 60.0)

    p.stroke(peaks[:7], rgb(96, 104, 140), 3, step=7)
    p.stroke(peaks[6:], rgb(96, 104, 140), 3, step=7)
    p.stroke(curve(shore, 0, WIDTH - 1, 8), rgb(18, 28, 36), 3, step=8)
    p.fill(700, 40, rgb(26, 34, 74), 150000)               # sky
    p.fill(560, 400, rgb(70, 78, 114), 80000)              # mountains
    p.fill(500, 650, rgb(20, 32, 62), 200000)              # lake

    # snow on the three highest peaks
    snow_line = rgb(200, 208, 226)
    for i, depth in ((2, 46), (6, 58), (10, 44)):
        (xl, _), (xp, yp), (xr, _) = peaks[i - 1], peaks[i], peaks[i + 1]
        left_x = xp - (xp - xl) * depth / float(peaks[i - 1][1] - yp)
        right_x = xp + (xr - xp) * depth / float(peaks[i + 1][1] - yp)
        y = yp + depth
        jag = [(left_x, ridge(left_x))]
        steps = 6
        for k in range(1, steps):
            x = left_x + (right_x - left_x) * k / steps
            jag.append((x, y - (10 if k % 2 else 0) + p.rng.uniform(-3, 3)))
        jag.append((right_x, ridge(right_x)))
        p.stroke(jag, snow_line, 3, step=5)
        p.fill(xp, yp + 14, rgb(220, 226, 238), 300, 6000)
        p.stroke([(xp + 4, yp + 10), (xp + (right_x - xp) * 0.5, y - 8)], rgb(170, 180, 206), 4, step=4)

    # the moon and the stars
    p.stroke(ellipse(820, 96, 36, 36, start=0.6), rgb(206, 198, 150), 3, step=5)
    p.fill(820, 96, rgb(236, 228, 182), 3000, 5000)
    for cx, cy, r in ((808, 86, 6), (832, 108, 5), (826, 80, 3)):
        p.stroke(ellipse(cx, cy, r, r, n=10), rgb(214, 206, 160), 3, step=3, pause=(60, 160))
    for _ in range(38):
        x = p.rng.uniform(10, 1010)
        y = p.rng.uniform(12, ridge(x) - 18)
        if math.hypot(x - 820, y - 96) < 60:
            continue
        pen = p.rng.choice((2, 3, 3, 4))
        p.stroke([(x, y), (x + 1, y + 1)], p.rng.choice((rgb(236, 232, 200), rgb(200, 214, 236))), pen,
                 step=1.5, pause=(40, 140))
    p.stroke([(140, 60), (190, 84), (230, 100)], rgb(200, 210, 236), 2, step=6, pause=(200, 400))

    # the mountains mirrored in the lake, then the moon's track over them
    reflection = rgb(50, 60, 98)
    for row in range(1, 17):
        y = 474 + row * 13
        runs, start = [], None
        for x in range(0, WIDTH + 6, 6):
            inside = x < WIDTH and (shore(x) - ridge(x)) * 0.6 > y - shore(x)
            if inside and start is None:
                start = x
            elif not inside and start is not None:
                runs.append((start, min(x, WIDTH - 1)))
                start = None
        for left, right in runs:
            x0 = left + p.rng.uniform(0, 8)
            while x0 < right - 12:
                x1 = min(right - 3, x0 + p.rng.uniform(60, 200))
                p.stroke([(x0, y), (x1, y + p.rng.uniform(-1, 1))], reflection, 5, step=14,
                         pause=(40, 120), speed=(10, 20))
                x0 = x1 + p.rng.uniform(6, 20)
    for i in range(12):
        y = shore(820) + 12 + i * 14
        half = 30 + i * 4 + p.rng.uniform(-8, 8)
        x0 = 820 - half
        while x0 < 820 + half:
            x1 = min(820 + half, x0 + p.rng.uniform(14, 40))
            p.stroke([(x0, y), (x1, y + 1)], rgb(200, 190, 140), 3, step=7, pause=(40, 120))
            x0 = x1 + p.rng.uniform(6, 14)

    # pines along the shore
    def pine(x, base, height, width):
        top = base - height
        pts = [(x - width * 0.2, base)]
        tiers = 4
        for k in range(tiers):
            t0 = base - height * k / tiers
            w = width * (1 - k / float(tiers + 0.5))
            pts += [(x - w, t0 - 4), (x - w * 0.45, t0 - height / tiers + 4)]
        pts.append((x, top))
        for k in reversed(range(tiers)):
            t0 = base - height * k / tiers
            w = width * (1 - k / float(tiers + 0.5))
            pts += [(x + w * 0.45, t0 - height / tiers + 4), (x + w, t0 - 4)]
        pts.append((x + width * 0.2, base))
        p.stroke(closed(pts), rgb(14, 40, 32), 2, step=4)
        p.fill(x, base - height * 0.3, rgb(28, 66, 50), 300, 20000)
        p.stroke([(x, base - 2), (x, shore(x) + 6)], rgb(50, 34, 24), 5, step=4)
        for _ in range(3):
            y = p.rng.uniform(top + 20, base - 10)
            p.stroke([(x - 3, y), (x - width * 0.4, y + 5)], rgb(44, 92, 66), 3, step=4, pause=(50, 140))

    for x, height, width in ((40, 150, 34), (96, 190, 40), (150, 120, 28), (930, 140, 30), (990, 176, 36)):
        base = shore(x) - 8
        height = min(height, base - ridge(x) - 14)
        pine(x, base, height, width)

    # the cabin with a lit window
    hx, hw = 700, 90
    bottom = shore(hx + hw) - 8
    wall_top = bottom - 46
    wood = rgb(40, 26, 20)
    p.stroke(closed([(hx, wall_top), (hx + hw, wall_top), (hx + hw, bottom), (hx, bottom)]), wood, 3, step=5)
    p.fill(hx + 10, bottom - 8, rgb(96, 64, 44), 1500, 5000)
    p.stroke(closed([(hx - 10, wall_top), (hx + hw / 2, wall_top - 34), (hx + hw + 10, wall_top)]), wood, 3, step=5)
    p.fill(hx + hw / 2, wall_top - 8, rgb(60, 44, 40), 500, 3000)
    p.stroke(closed([(hx + 54, wall_top + 12), (hx + 76, wall_top + 12), (hx + 76, wall_top + 30), (hx + 54, wall_top + 30)]), wood, 2, step=3)
    p.fill(hx + 65, wall_top + 21, rgb(246, 204, 96), 150, 600)
    p.stroke([(hx + 65, wall_top + 12), (hx + 65, wall_top + 30)], wood, 1, step=3)
    p.stroke(closed([(hx + 16, bottom), (hx + 16, bottom - 30), (hx + 34, bottom - 30), (hx + 34, bottom)]), wood, 2, step=3)
    p.fill(hx + 25, bottom - 15, rgb(70, 46, 32), 200, 700)
    for i in range(3):
        y = shore(hx) + 14 + i * 12
        p.stroke([(hx + 56 - i * 3, y), (hx + 74 + i * 3, y + 1)], rgb(220, 180, 90), 3, step=5, pause=(60, 160))
    for i in range(3):
        p.stroke(bezier((hx + 70, wall_top - 30 - i * 18), (hx + 60, wall_top - 44 - i * 18),
                        (hx + 82, wall_top - 50 - i * 18), (hx + 74, wall_top - 58 - i * 18), 6),
                 rgb(110, 116, 140), 3, step=4, pause=(80, 200))

    # ripples
    for _ in range(24):
        x = p.rng.uniform(0, 1000)
        y = p.rng.uniform(shore(x) + 30, 760)
        if 760 < x < 900:
            continue
        w = 12 + (y - 470) / 12.0
        p.stroke([(x, y), (x + w / 2, y - 2), (x + w, y)], rgb(40, 56, 96), 2, step=4, pause=(40, 140), speed=(8, 18))
    p.pause(600, 900)
    return p


SHOWS = [
    ("meadow.sho", meadow_at_noon, "Ilse Marrow", HF_PRIORITY),
    ("flowers.sho", flowers_in_a_vase, "Tomas Weyr", 0),
    ("harbour.sho", harbour_at_sunset, "Ada Quell", 0),
    ("lake.sho", lake_at_night, "Nils Arvo", 0),
]


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "shows")
    os.makedirs(out, exist_ok=True)
    for name, build, signature, flags in SHOWS:
        painter = build()
        path = os.path.join(out, name)
        painter.save(path, signature, flags)
        print("%-14s %5d points  %5.1f s  signed %s" %
              (name, len(painter.points), painter.total_ms() / 1000.0, signature))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except ShowError as e:
        print("make-shows:", e)
        sys.exit(1)
