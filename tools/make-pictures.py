#!/usr/bin/env python3
"""Draws the program's pictures and writes them into src/ui/res/.

    python3 tools/make-pictures.py            write the pictures into src/ui/res/
    python3 tools/make-pictures.py --out DIR  write them into DIR instead
    python3 tools/make-pictures.py --check    write nothing; exit 1 if a committed picture differs

Outputs (all committed, so the build needs no Python):
    corvelle.ico               window icon: one 32 x 32 image, 8-bit palette of 256 colours, AND mask
    button1.bmp .. button4.bmp 16 x 16 24-bit pictures for Enable, Disable, Remove Ads, Reinstate Ads;
                               #C0C0C0 is the colour the button draws transparent, so it is used for
                               the background and for nothing else
    banner.gif                 GIF89a, 234 x 60, 64-colour global table, four frames (the whole image,
                               then three 87 x 58 at (147, 2)), loops forever, delays 20/20/20/500 cs

Standard library only. The output is the same bytes on every run and every machine: shapes are
sampled on a fixed grid with plain arithmetic and square roots (no trigonometry, whose last bits
differ between C libraries), and every choice is ordered explicitly.
"""

import argparse
import math
import struct
import sys
from pathlib import Path

RES_DIR = Path(__file__).resolve().parent.parent / "src" / "ui" / "res"

WINDOW_BLUE = (0x8B, 0xA2, 0xC2)
BUTTON_KEY = (0xC0, 0xC0, 0xC0)  # drawn transparent by the button
BUTTON_FACE = (0xD4, 0xD0, 0xC8)  # the buttons' face colour: soft edges blend towards it


# ---------------------------------------------------------------------------------------------
# Shapes as signed distance functions: negative inside, zero on the edge, in pixels.

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r_inner, r_outer):
    mid, half = (r_inner + r_outer) / 2, (r_outer - r_inner) / 2
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - mid) - half


def capsule(ax, ay, bx, by, r):
    """A stroke of radius r along the segment a-b with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def sdf(x, y):
        t = ((x - ax) * dx + (y - ay) * dy) / length2
        t = min(1.0, max(0.0, t))
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) - r
    return sdf


def polyline(points, r):
    return union(*[capsule(*points[i], *points[i + 1], r) for i in range(len(points) - 1)])


def rect(x0, y0, x1, y1, radius=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return sdf


def convex(points):
    """A convex polygon, points in clockwise screen order (y down)."""
    edges = []
    for i, (ax, ay) in enumerate(points):
        bx, by = points[(i + 1) % len(points)]
        length = math.hypot(bx - ax, by - ay)
        edges.append((ax, ay, (by - ay) / length, -(bx - ax) / length))

    def sdf(x, y):
        return max((x - ax) * nx + (y - ay) * ny for ax, ay, nx, ny in edges)
    return sdf


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def minus(shape, cut):
    return lambda x, y: max(shape(x, y), -cut(x, y))


def grown(shape, by):
    return lambda x, y: shape(x, y) - by


def moved(shape, dx, dy):
    return lambda x, y: shape(x - dx, y - dy)


def star(cx, cy, size):
    """A four-pointed sparkle: two thin diamonds crossed."""
    thin = max(size * 0.28, 0.9)

    def sdf(x, y):
        ax, ay = abs(x - cx), abs(y - cy)
        return min(ax / size + ay / thin, ax / thin + ay / size) - 1.0
    return sdf


# ---------------------------------------------------------------------------------------------
# Colours and sampling.

def hex_rgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def vertical(top, bottom, y0, y1):
    """A colour function: top colour at y0 fading to the bottom colour at y1."""
    top, bottom = hex_rgb(top), hex_rgb(bottom)
    return lambda x, y: mix(top, bottom, min(1.0, max(0.0, (y - y0) / (y1 - y0))))


def solid(colour):
    rgb = hex_rgb(colour)
    return lambda x, y: rgb


SS = 4  # samples per pixel along each axis


def sample(layers, x, y):
    """The colour of the topmost layer covering the point, or None."""
    for shape, colour in reversed(layers):
        if shape(x, y) <= 0.0:
            return colour(x, y)
    return None


def render(layers, width, height, base=None, box=None):
    """Renders (shape, colour) layers, later over earlier, on a grid of SS x SS samples per pixel.

    Returns rows of (colour, coverage): colour averages the samples that hit a layer or the base
    picture; coverage is the share of samples that hit something. Only pixels within box
    (x0, y0, x1, y1) are sampled; the others keep the base picture.
    """
    x0, y0, x1, y1 = box or (0, 0, width, height)
    out = []
    for py in range(height):
        row = []
        for px in range(width):
            under = base[py][px] if base else None
            if not (x0 <= px < x1 and y0 <= py < y1):
                row.append((under, 1.0 if under else 0.0))
                continue
            total, hits = [0.0, 0.0, 0.0], 0
            for j in range(SS):
                for i in range(SS):
                    c = sample(layers, px + (i + 0.5) / SS, py + (j + 0.5) / SS) or under
                    if c is not None:
                        hits += 1
                        for k in range(3):
                            total[k] += c[k]
            colour = tuple(int(v / hits + 0.5) for v in total) if hits else None
            row.append((colour, hits / (SS * SS)))
        out.append(row)
    return out


# ---------------------------------------------------------------------------------------------
# Palette reduction: median cut over the colour histogram. Each box is represented by its most
# frequent colour, so the large flat areas (text, outlines, gradient bands) keep their exact colour
# and only the soft edges move to a neighbour.

def reduce_palette(histogram, size):
    colours = sorted(histogram)
    if len(colours) <= size:
        return colours
    boxes = [colours]

    def spread(box):
        return max(max(c[k] for c in box) - min(c[k] for c in box) for k in range(3))

    def score(box):
        return spread(box) * math.sqrt(sum(histogram[c] for c in box))

    while len(boxes) < size:
        candidates = [i for i, b in enumerate(boxes) if len(b) > 1]
        i = max(candidates, key=lambda n: (score(boxes[n]), -n))
        box = boxes[i]
        channel = max(range(3), key=lambda k: (max(c[k] for c in box) - min(c[k] for c in box), -k))
        box = sorted(box, key=lambda c: (c[channel], c))
        half, running, cut = sum(histogram[c] for c in box) / 2, 0, 1
        for n, c in enumerate(box[:-1]):
            running += histogram[c]
            cut = n + 1
            if running >= half:
                break
        boxes[i:i + 1] = [box[:cut], box[cut:]]
    return sorted(max(b, key=lambda c: (histogram[c], c)) for b in boxes)


def nearest_index(palette):
    cache = {}

    def index(colour):
        if colour not in cache:
            cache[colour] = min(range(len(palette)), key=lambda i: (
                sum((palette[i][k] - colour[k]) ** 2 for k in range(3)), i))
        return cache[colour]
    return index


# ---------------------------------------------------------------------------------------------
# File formats.

def bmp24(pixels):
    """A bottom-up 24-bit BMP (BITMAPINFOHEADER, no compression)."""
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        data += line + bytes(stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header))
    return file_header + header + bytes(data)


def ico8(indices, opaque, palette):
    """An ICO holding one 8-bit palettised image with its AND mask (1 = transparent)."""
    height, width = len(indices), len(indices[0])
    assert len(palette) == 256 and width % 4 == 0
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    xor = b"".join(bytes(row) for row in reversed(indices))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(opaque):
        bits = bytearray(mask_stride)
        for x, is_opaque in enumerate(row):
            if not is_opaque:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    # The image header counts the XOR and AND bitmaps together, hence twice the height.
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 8, 0, len(xor) + len(mask),
                         0, 0, 256, 0)
    image = header + colours + xor + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    # Colour count 0 stands for 256 in an icon directory entry.
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


def lzw_encode(indices, min_code_size):
    """Variable-length-code LZW as GIF defines it, packed least significant bit first."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, acc, nbits = bytearray(), 0, 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    size, table, next_code = min_code_size + 1, {}, end + 1
    emit(clear, size)
    prefix = indices[0]
    for k in indices[1:]:
        if (prefix, k) in table:
            prefix = table[(prefix, k)]
            continue
        emit(prefix, size)
        if next_code < 4096:
            table[(prefix, k)] = next_code
            next_code += 1
            # The decoder adds each entry one code later than we do, so it widens its codes once
            # its own next code reaches 2^size: we must widen one entry later.
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            size, table, next_code = min_code_size + 1, {}, end + 1
        prefix = k
    emit(prefix, size)
    # Reading that last code, the decoder adds the entry it still owes and may widen its codes.
    if next_code == (1 << size) and size < 12:
        size += 1
    emit(end, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    return b"".join(bytes((len(data[i:i + 255]),)) + data[i:i + 255]
                    for i in range(0, len(data), 255)) + b"\x00"


def gif89a(width, height, palette, frames, loops=0):
    """frames: (left, top, rows of palette indices, delay in hundredths of a second)."""
    assert len(palette) in (2, 4, 8, 16, 32, 64, 128, 256)
    bits = len(palette).bit_length() - 1
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80 | 0x70 | (bits - 1), 0, 0)
    out += b"".join(bytes(c) for c in palette)
    out += b"\x21\xFF\x0BNETSCAPE2.0" + struct.pack("<BBH", 3, 1, loops) + b"\x00"
    for left, top, rows, delay in frames:
        # Disposal 1 (leave in place): each later frame paints over part of the previous one.
        out += b"\x21\xF9\x04" + struct.pack("<BHB", 1 << 2, delay, 0) + b"\x00"
        out += b"\x2C" + struct.pack("<HHHHB", left, top, len(rows[0]), len(rows), 0)
        flat = [i for row in rows for i in row]
        out += bytes((max(bits, 2),)) + sub_blocks(lzw_encode(flat, max(bits, 2)))
    out += b"\x3B"
    return bytes(out)


# ---------------------------------------------------------------------------------------------
# Pixel font for the banner: 7 rows, proportional widths, '#' is ink.

GLYPHS = {
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "b": ["#....", "#....", "####.", "#...#", "#...#", "#...#", "####."],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "f": ["..##", ".#..", "####", ".#..", ".#..", ".#..", ".#.."],
    "i": ["#", ".", "#", "#", "#", "#", "#"],
    "l": ["#.", "#.", "#.", "#.", "#.", "#.", ".#"],
    "n": [".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    " ": ["..", "..", "..", "..", "..", "..", ".."],
}


def text_width(text, sx):
    return (sum(len(GLYPHS[ch][0]) for ch in text) + len(text) - 1) * sx


def draw_text(canvas, text, left, top, sx, sy, colour):
    """Paints the text onto canvas (rows of colours) with each font pixel sx x sy screen pixels."""
    x = left
    for ch in text:
        glyph = GLYPHS[ch]
        for gy, line in enumerate(glyph):
            for gx, cell in enumerate(line):
                if cell == "#":
                    for dy in range(sy):
                        for dx in range(sx):
                            canvas[top + gy * sy + dy][x + gx * sx + dx] = colour
        x += (len(glyph[0]) + 1) * sx


# ---------------------------------------------------------------------------------------------
# The window icon: a white "C" on a blue tile, holding a green switch knob in its mouth.

def icon_layers():
    c_shape = minus(ring(14.5, 16.0, 5.6, 10.8),
                    convex([(14.5, 16.0), (30.0, 5.5), (30.0, 26.5)]))
    return [
        (rect(1.0, 1.0, 31.0, 31.0, 6.0), solid("#1B3160")),
        (rect(2.2, 2.2, 29.8, 29.8, 4.9), vertical("#B3C5DF", "#46679A", 2.0, 30.0)),
        (rect(3.2, 3.0, 28.8, 9.0, 3.6), vertical("#C9D7EA", "#A5BAD8", 3.0, 9.0)),
        (moved(c_shape, 0.9, 1.1), solid("#233E6E")),
        (c_shape, vertical("#FFFFFF", "#D5E1F2", 5.0, 27.0)),
        (circle(24.2, 16.0, 4.6), solid("#15561F")),
        (circle(24.2, 16.0, 3.5), vertical("#7EE08A", "#2E9B3C", 12.5, 19.5)),
        (circle(23.2, 14.8, 1.2), solid("#D9FADC")),
    ]


def make_icon():
    size = 32
    pixels = render(icon_layers(), size, size)
    # Icons have one-bit transparency: a pixel is opaque when most of it is covered, and then takes
    # the colour of what covers it rather than a blend with a background it will never be shown on.
    opaque = [[cover >= 0.5 for _, cover in row] for row in pixels]
    histogram = {}
    for row, mask in zip(pixels, opaque):
        for (colour, _), on in zip(row, mask):
            if on:
                histogram[colour] = histogram.get(colour, 0) + 1
    colours = reduce_palette(histogram, 255)
    index = nearest_index(colours)
    # Index 0 is black: the screen shows through where the mask is set and the image is black.
    palette = [(0, 0, 0)] + colours + [(0, 0, 0)] * (255 - len(colours))
    indices = [[index(c) + 1 if on else 0 for (c, _), on in zip(row, mask)]
               for row, mask in zip(pixels, opaque)]
    return ico8(indices, opaque, palette)


# ---------------------------------------------------------------------------------------------
# Button pictures, 16 x 16: a dark outline around a lighter fill reads on the grey button face.

def outlined(shape, edge, fill_top, fill_bottom, y0=2.0, y1=14.0, width=0.9):
    return [(grown(shape, width), solid(edge)), (shape, vertical(fill_top, fill_bottom, y0, y1))]


def button_layers():
    tick = polyline([(3.2, 8.6), (6.6, 12.0), (12.8, 4.4)], 1.25)
    cross = union(capsule(4.4, 4.4, 11.6, 11.6, 1.25), capsule(11.6, 4.4, 4.4, 11.6, 1.25))
    banner = rect(2.0, 5.0, 14.0, 11.0)
    slash = capsule(3.0, 13.5, 13.0, 2.5, 1.0)
    # A return arrow: pointing left along the top, turning down and back along the bottom.
    turn = minus(ring(9.5, 9.75, 2.05, 4.45), rect(0.0, 0.0, 9.5, 16.0))
    back = union(turn, rect(5.0, 5.3, 9.6, 7.7), rect(5.5, 11.8, 9.6, 14.2, 0.6),
                 convex([(1.2, 6.5), (6.4, 1.9), (6.4, 11.1)]))
    return [  # Enable: a tick; Disable: a cross; Remove Ads: a struck-out banner; Reinstate Ads: back
        outlined(tick, "#145A1C", "#7BE07F", "#2A9A36"),
        outlined(cross, "#7A1010", "#FF7A6A", "#CC2A20"),
        outlined(banner, "#2B4676", "#FFF6D0", "#F2D880", width=1.0)
        + [(rect(3.0, 6.0, 10.0, 7.0), solid("#5F7DAE")), (rect(3.0, 8.0, 12.0, 9.0), solid("#5F7DAE"))]
        + outlined(slash, "#6E0C0C", "#FF6A5A", "#C8261C"),
        outlined(back, "#123B78", "#6FA6F0", "#2660C0"),
    ]


def make_button(layers):
    pixels = render(layers, 16, 16)
    out = []
    for row in pixels:
        line = []
        for colour, cover in row:
            if cover < 0.25:
                line.append(BUTTON_KEY)
                continue
            # Soft edges blend with the face colour the button paints around the picture.
            rgb = tuple(int(colour[k] * cover + BUTTON_FACE[k] * (1 - cover) + 0.5) for k in range(3))
            line.append((193, 192, 192) if rgb == BUTTON_KEY else rgb)
        out.append(line)
    return bmp24(out)


# ---------------------------------------------------------------------------------------------
# The banner: "Corvelle" and "Toolbar info" in pixel letters on the window's blue, and an info
# badge on the right whose sparkles twinkle in the three small frames.

BANNER_W, BANNER_H = 234, 60
SMALL_FRAME = (147, 2, 87, 58)  # left, top, width, height
DELAYS = (20, 20, 20, 500)
SHADOW = hex_rgb("#1B3160")
BADGE = (192.0, 31.0, 21.0)  # centre x, centre y, radius


def banner_background():
    top, middle, bottom = hex_rgb("#B8CAE2"), WINDOW_BLUE, hex_rgb("#4E6F9E")
    rows = []
    for y in range(BANNER_H):
        band = (y // 3) * 3 + 1  # bands of three rows keep the palette small
        t = band / (BANNER_H - 1)
        c = mix(top, middle, t / 0.45) if t < 0.45 else mix(middle, bottom, (t - 0.45) / 0.55)
        rows.append([tuple(int(v + 0.5) for v in c)] * BANNER_W)
    return rows


def banner_text(canvas):
    title, sub = "Corvelle", "Toolbar info"
    left = 10
    badge_left = BADGE[0] - BADGE[2] - 2
    assert left + max(text_width(title, 3), text_width(sub, 2)) + 2 < badge_left, "text hits badge"
    # The window shows this frame squeezed to 39 rows: letters three pixels tall per font pixel
    # stay two pixels tall there.
    draw_text(canvas, title, left + 2, 5 + 2, 3, 3, SHADOW)
    draw_text(canvas, title, left, 5, 3, 3, (255, 255, 255))
    draw_text(canvas, sub, left + 1, 32 + 2, 2, 3, SHADOW)
    draw_text(canvas, sub, left, 32, 2, 3, hex_rgb("#FFE98A"))
    return canvas


SPARKLES = {  # (x, y) -> size in each animation step
    (217.5, 11.5): (6.0, 8.5, 3.5),
    (166.5, 50.5): (4.0, 2.5, 7.0),
    (222.5, 48.5): (0.0, 5.0, 8.0),
    (163.5, 10.5): (0.0, 3.5, 0.0),
}


def badge_layers(step):
    cx, cy, r = BADGE
    layers = [
        (circle(cx + 1.5, cy + 2.0, r + 1.0), solid("#2A4676")),
        (circle(cx, cy, r + 1.4), solid("#1B3160")),
        (circle(cx, cy, r), vertical("#FFFFFF", "#C6D6EE", cy - r, cy + r)),
        (circle(cx, cy - r * 0.58, 3.9), solid("#2D5EA8")),
        (union(rect(cx - 3.4, cy - r * 0.3, cx + 3.4, cy + r * 0.68, 1.2),
               rect(cx - 6.0, cy - r * 0.3, cx + 3.4, cy - r * 0.3 + 3.2, 1.0),
               rect(cx - 6.5, cy + r * 0.68 - 3.2, cx + 6.5, cy + r * 0.68, 1.0)), solid("#2D5EA8")),
    ]
    for (x, y), sizes in SPARKLES.items():
        if sizes[step] > 0:
            layers.append((star(x, y, sizes[step] + 1.0), solid("#F0B020")))
            layers.append((star(x, y, sizes[step]), solid("#FFF7C8")))
    return layers


def banner_scene(step):
    canvas = banner_text(banner_background())
    left, top, width, height = SMALL_FRAME
    pixels = render(badge_layers(step), BANNER_W, BANNER_H, base=canvas,
                    box=(left, top, left + width, top + height))
    rows = [[colour for colour, _ in row] for row in pixels]
    edge = hex_rgb("#1B3160")
    for y in range(BANNER_H):
        rows[y][0] = rows[y][BANNER_W - 1] = edge
    rows[0] = [edge] * BANNER_W
    rows[BANNER_H - 1] = [edge] * BANNER_W
    return rows


def make_banner():
    left, top, width, height = SMALL_FRAME
    # Step 0 is the resting picture: the first frame and the long-held last one; 1 and 2 twinkle.
    scenes = {step: banner_scene(step) for step in (0, 1, 2)}
    crop = [[row[left:left + width] for row in scenes[step][top:top + height]] for step in (1, 2, 0)]
    images = [(0, 0, scenes[0])] + [(left, top, c) for c in crop]
    histogram = {}
    for _, _, rows in images:
        for row in rows:
            for c in row:
                histogram[c] = histogram.get(c, 0) + 1
    colours = reduce_palette(histogram, 64)
    palette = colours + [(0, 0, 0)] * (64 - len(colours))
    index = nearest_index(colours)
    frames = [(x, y, [[index(c) for c in row] for row in rows], delay)
              for (x, y, rows), delay in zip(images, DELAYS)]
    return gif89a(BANNER_W, BANNER_H, palette, frames, loops=0)


# ---------------------------------------------------------------------------------------------

def pictures():
    out = {"corvelle.ico": make_icon()}
    for n, layers in enumerate(button_layers(), start=1):
        out[f"button{n}.bmp"] = make_button(layers)
    out["banner.gif"] = make_banner()
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=Path, default=RES_DIR, help="folder to write into")
    parser.add_argument("--check", action="store_true",
                        help="compare with the files in --out instead of writing")
    args = parser.parse_args()
    stale = []
    for name, data in pictures().items():
        path = args.out / name
        if args.check:
            if not path.is_file() or path.read_bytes() != data:
                stale.append(name)
        else:
            args.out.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)
            print(f"{path}: {len(data)} bytes")
    if stale:
        print("out of date (run tools/make-pictures.py): " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
