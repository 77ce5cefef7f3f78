"""Runs the scanner benchmark inside one X server: see bench/rasterwalk.sh."""
import os
import struct
import subprocess
import sys
import tempfile
import time

build, work, wine_run = sys.argv[1:4]
pictures = ["logo", "logo16", "rose", "rose16", "strokes"]
layered = ["logo16", "rose16"]
runs = 3
pause = 1.5  # rasterwalk2 waits this long before the screen repaints
drawn_strokes = 200
milliseconds = 8  # stroke dots get this delay, leftover dots a quarter of it


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def timed(command):
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def tool(name, picture):
    exe = windows_path(os.path.join(build, "bin", name + ".exe"))
    bmp = windows_path(os.path.join(work, picture + ".bmp"))
    return [wine_run, exe, bmp, str(milliseconds)]


def show_points(path):
    with open(path, "rb") as f:
        data = f.read()
    for offset in range(176, len(data) - 15, 16):
        x, y, delay, _, colour, pen, flags = struct.unpack_from("<HHHHIBB", data, offset)
        yield x, y, delay, colour, pen, flags


def traced_strokes(path):
    """Counts the strokes of a rasterwalk2 show: runs of dots with the stroke
    delay, one colour and pen, each dot a short step from the one before."""
    count = 0
    last = None
    for x, y, delay, colour, pen, flags in show_points(path):
        if flags != 1 or delay != milliseconds:
            continue
        if last is None or (colour, pen) != last[2:] or abs(x - last[0]) > 6 or abs(y - last[1]) > 6:
            count += 1
        last = (x, y, colour, pen)
    return count


def colour_layers(picture):
    """One black-on-white mask per colour of a quantized picture, for potrace."""
    folder = os.path.join(work, picture + "-layers")
    os.makedirs(folder, exist_ok=True)
    histogram = subprocess.run(["convert", os.path.join(work, picture + ".bmp"), "-format", "%c", "histogram:info:-"],
                               check=True, capture_output=True, text=True).stdout
    colours = [line.split("#")[1].split()[0] for line in histogram.splitlines() if "#" in line]
    layers = []
    for k, colour in enumerate(colours):
        layer = os.path.join(folder, "layer%02d.bmp" % k)
        subprocess.run(["convert", os.path.join(work, picture + ".bmp"), "-fill", "white", "+opaque", "#" + colour,
                        "-fill", "black", "-opaque", "#" + colour, "-type", "bilevel", "BMP3:" + layer], check=True)
        layers.append(layer)
    return layers


def potrace(files):
    best = None
    out = tempfile.mktemp(suffix=".svg")
    for _ in range(runs):
        start = time.perf_counter()
        for f in files:
            subprocess.run(["potrace", "-s", "-o", out, f], check=True)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    os.unlink(out)
    return best


# Warm the Wine server, then time a run that only prints its usage: the cost
# of starting a program under Wine, which every figure below includes.
subprocess.run([wine_run, windows_path(os.path.join(build, "bin", "rasterwalk.exe"))], stdout=subprocess.DEVNULL)
startup = timed([wine_run, windows_path(os.path.join(build, "bin", "rasterwalk.exe"))])
print("Wine start of a program (usage only): %.0f ms; rasterwalk2 also pauses %.1f s before repainting" %
      (startup * 1000, pause))
print("%-8s %12s %12s %16s %12s %14s" % ("picture", "rasterwalk", "rasterwalk2", "rw2 w/o pause", "potrace",
                                         "potrace/layers"))
results = {}
for picture in pictures:
    walk = timed(tool("rasterwalk", picture))
    walk2 = timed(tool("rasterwalk2", picture))
    single = potrace([os.path.join(work, picture + ".bmp")])
    layers = ""
    if picture in layered:
        layer_files = colour_layers(picture)
        layers = "%.0f ms (%d)" % (potrace(layer_files) * 1000, len(layer_files))
    results[picture] = (walk, walk2, single)
    print("%-8s %10.2f s %10.2f s %14.2f s %9.0f ms %14s" % (picture, walk, walk2, walk2 - pause, single * 1000, layers))

print("ratios to potrace of one picture (wall time, Wine start included):")
for picture in pictures:
    walk, walk2, single = results[picture]
    print("  %-8s rasterwalk x%.0f, rasterwalk2 without its pause x%.0f" % (picture, walk / single, (walk2 - pause) / single))

strokes = traced_strokes(os.path.join(work, "strokes.sho"))
print("rasterwalk2 on %d random brush strokes: %d strokes found, %.2f per drawn stroke" %
      (drawn_strokes, strokes, strokes / drawn_strokes))
