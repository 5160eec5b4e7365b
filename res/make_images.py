#!/usr/bin/env python3
"""Writes banner.bmp, app.ico and window.ico into the directory given as argument.
The banner is 8-bit and its palette holds exact RGB(128,128,128) and RGB(223,223,223):
LR_LOADMAP3DCOLORS swaps those two for the system's 3-D shadow and 3-D light colours."""

import math
import os
import struct
import sys

SHADOW = (128, 128, 128)
LIGHT = (223, 223, 223)
FACE = (192, 192, 192)  # also remapped by LR_LOADMAP3DCOLORS, so kept out of palettes

TEAL_TOP = (52, 164, 176)
TEAL_BOTTOM = (20, 86, 116)
TEAL_RIM = (12, 58, 82)
TEAL_DEEP = (18, 76, 106)
TEAL_PALE = (120, 190, 200)
WHITE = (252, 252, 250)
INK = (22, 78, 102)
INK_GREY = (72, 80, 86)
PAINTS = [(236, 88, 72), (248, 184, 48), (104, 186, 84), (70, 128, 226)]


# ---------------------------------------------------------------- helpers

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def coverage(d_px):
    """Anti-aliased coverage of a shape whose signed distance is d_px pixels."""
    return clamp(0.5 - d_px)


def over(dst, colour, alpha):
    """Straight-alpha 'over': dst is (r, g, b, a), colour is (r, g, b)."""
    if alpha <= 0.0:
        return dst
    r, g, b, a = dst
    out_a = alpha + a * (1.0 - alpha)
    k = a * (1.0 - alpha)
    return ((colour[0] * alpha + r * k) / out_a,
            (colour[1] * alpha + g * k) / out_a,
            (colour[2] * alpha + b * k) / out_a,
            out_a)


# ---------------------------------------------------------------- distances

def sd_circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def sd_round_box(x, y, cx, cy, half, radius):
    qx = abs(x - cx) - half + radius
    qy = abs(y - cy) - half + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def d_segment(x, y, x0, y0, x1, y1):
    dx, dy = x1 - x0, y1 - y0
    len2 = dx * dx + dy * dy
    t = 0.0 if len2 == 0 else clamp(((x - x0) * dx + (y - y0) * dy) / len2)
    return math.hypot(x - x0 - dx * t, y - y0 - dy * t)


def d_arc(x, y, cx, cy, r, start, sweep):
    """Distance to a circular arc; angles in degrees, y axis pointing up."""
    ang = math.degrees(math.atan2(y - cy, x - cx))
    rel = (ang - start) % 360.0 if sweep > 0 else (start - ang) % 360.0
    if rel <= abs(sweep):
        return abs(math.hypot(x - cx, y - cy) - r)
    ends = (math.radians(start), math.radians(start + sweep))
    return min(math.hypot(x - cx - r * math.cos(e), y - cy - r * math.sin(e))
               for e in ends)


# ---------------------------------------------------------------- emblem

def emblem_pixel(u, v, size):
    """Colour of the emblem at unit coordinates (u, v), y pointing down."""
    px = float(size)
    margin = max(1.0, 0.06 * size) / px
    half = 0.5 - margin
    tile = sd_round_box(u, v, 0.5, 0.5, half, 0.22) * px
    out = (0.0, 0.0, 0.0, 0.0)
    a = coverage(tile)
    if a <= 0.0:
        return out
    fill = mix(TEAL_TOP, TEAL_BOTTOM, clamp((v - margin) / (1 - 2 * margin)))
    rim = clamp(tile + 1.0)  # 1 px darker edge
    out = over(out, mix(fill, TEAL_RIM, rim * 0.8), a)

    out = over(out, TEAL_RIM, 0.35 * coverage(palette_shape(u, v + 0.035, size) * px))
    out = over(out, WHITE, coverage(palette_shape(u, v, size) * px))
    for (cx, cy, r), colour in zip(paint_dots(size), PAINTS):
        out = over(out, colour, coverage(sd_circle(u, v, cx, cy, r) * px))
    return out


def palette_shape(u, v, size):
    """A painter's palette: a disc with a bite at lower right and a thumb hole."""
    disc = sd_circle(u, v, 0.5, 0.49, 0.32)
    bite = sd_circle(u, v, 0.80, 0.75, 0.13)
    hole_r = 0.06 if size > 16 else 0.07
    hole = sd_circle(u, v, 0.61, 0.61, hole_r)
    return max(disc, -bite, -hole)


def paint_dots(size):
    r, ring = (0.068, 0.19) if size > 16 else (0.085, 0.185)
    angles = (150, 205, 260, 315)
    return [(0.5 + ring * math.cos(math.radians(a)),
             0.49 + ring * math.sin(math.radians(a)), r) for a in angles]


def render_emblem(size):
    return [[emblem_pixel((x + 0.5) / size, (y + 0.5) / size, size)
             for x in range(size)] for y in range(size)]


# ---------------------------------------------------------------- stroke font
# Glyphs are centre-lines in cap-height units, baseline at 0, y up:
# ('l', x0, y0, x1, y1) is a straight stroke, ('a', cx, cy, r, start, sweep) an arc.

GLYPHS = {
    'V': (0.64, [('l', 0, 1, 0.32, 0), ('l', 0.32, 0, 0.64, 1)]),
    'S': (0.56, [('a', 0.28, 0.745, 0.255, 15, 255), ('a', 0.28, 0.255, 0.255, 90, -255)]),
    'I': (0.0, [('l', 0, 0, 0, 1)]),
    'e': (0.64, [('l', 0, 0.34, 0.64, 0.34), ('a', 0.32, 0.34, 0.32, 0, 315)]),
    'l': (0.0, [('l', 0, 0, 0, 1.04)]),
    't': (0.3, [('l', 0.12, 0.94, 0.12, 0.12), ('a', 0.26, 0.14, 0.14, 180, 90),
                ('l', 0, 0.66, 0.3, 0.66)]),
    'r': (0.3, [('l', 0, 0, 0, 0.68), ('a', 0.32, 0.34, 0.32, 180, -85)]),
    'a': (0.64, [('a', 0.32, 0.34, 0.32, 0, 360), ('l', 0.64, 0, 0.64, 0.68)]),
    'n': (0.56, [('l', 0, 0, 0, 0.68), ('a', 0.28, 0.4, 0.28, 180, -180),
                 ('l', 0.56, 0.4, 0.56, 0)]),
    'k': (0.52, [('l', 0, 0, 0, 1.04), ('l', 0.52, 0.68, 0.02, 0.24),
                 ('l', 0.2, 0.39, 0.54, 0)]),
    'i': (0.0, [('l', 0, 0, 0, 0.68), ('l', 0, 0.93, 0, 0.93)]),
    's': (0.44, [('a', 0.22, 0.51, 0.17, 15, 255), ('a', 0.22, 0.17, 0.17, 90, -255)]),
    ' ': (0.16, []),
}


def glyph_distance(strokes, gx, gy):
    best = 1e9
    for s in strokes:
        if s[0] == 'l':
            d = d_segment(gx, gy, *s[1:])
        else:
            d = d_arc(gx, gy, *s[1:])
        best = min(best, d)
    return best


def draw_text(img, text, x, baseline, cap_px, weight_px, colour, spacing=0.24):
    """Draws text left to right; returns the x position after the last glyph."""
    half_w = weight_px / 2.0
    for ch in text:
        width, strokes = GLYPHS[ch]
        x += half_w
        if strokes:
            x0, x1 = int(x - weight_px), int(x + width * cap_px + weight_px) + 2
            y0, y1 = int(baseline - 1.1 * cap_px - weight_px), int(baseline + weight_px) + 2
            for py in range(max(y0, 0), min(y1, len(img))):
                row = img[py]
                for pxl in range(max(x0, 0), min(x1, len(row))):
                    gx = (pxl + 0.5 - x) / cap_px
                    gy = (baseline - (py + 0.5)) / cap_px
                    d = glyph_distance(strokes, gx, gy) * cap_px
                    a = clamp(half_w - d + 0.5)
                    if a > 0:
                        row[pxl] = mix(row[pxl], colour, a)
        x += width * cap_px + half_w + spacing * cap_px
    return x


# ---------------------------------------------------------------- banner

BANNER_W, BANNER_H = 438, 50


def banner_backdrop(x, y):
    """Light grey field with a slanted teal panel and two accent stripes on the right."""
    floor = BANNER_H - 1
    edge = 330 + (floor - y) * 0.5 - x
    colour = LIGHT
    for offset, thickness, alpha in ((24, 3, 0.35), (12, 5, 0.6)):
        d = max(edge - offset - thickness, offset - edge)
        colour = mix(colour, TEAL_PALE, alpha * coverage(d * 0.9))
    t = clamp((x - 320) / (BANNER_W - 320))
    panel = mix(mix(TEAL_TOP, TEAL_DEEP, t), TEAL_BOTTOM, 0.35 * y / floor)
    return mix(colour, panel, coverage(edge * 0.9))


def render_banner():
    img = [[banner_backdrop(x, y) for x in range(BANNER_W)] for y in range(BANNER_H)]
    size, ox, oy = 40, 6, 4
    for y, row in enumerate(render_emblem(size)):
        for x, (r, g, b, a) in enumerate(row):
            if a > 0:
                img[oy + y][ox + x] = mix(img[oy + y][ox + x], (r, g, b), a)
    x = draw_text(img, "Veltrane", 56, 31, 14, 2.3, INK)
    draw_text(img, "Skin Installer", x + 5, 31, 14, 1.5, INK_GREY)
    img[BANNER_H - 1] = [SHADOW] * BANNER_W
    return [[tuple(int(round(c)) for c in p) for p in row] for row in img]


# ---------------------------------------------------------------- quantising

def median_cut(counts, n):
    """Splits the weighted colour set into at most n boxes; returns a list of boxes."""
    boxes = [sorted(counts.items())]
    while len(boxes) < n:
        best, best_range = None, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            rng = max(max(c[0][k] for c in box) - min(c[0][k] for c in box) for k in range(3))
            if rng > best_range:
                best, best_range = i, rng
        if best is None:
            break
        box = boxes.pop(best)
        ch = max(range(3), key=lambda k: max(c[0][k] for c in box) - min(c[0][k] for c in box))
        box.sort(key=lambda c: (c[0][ch], c[0]))
        total, acc, cut = sum(c[1] for c in box), 0, 1
        for i, (_, w) in enumerate(box[:-1]):
            acc += w
            cut = i + 1
            if acc * 2 >= total:
                break
        boxes[best:best] = [box[:cut], box[cut:]]
    return boxes


def box_average(box):
    total = sum(w for _, w in box)
    avg = tuple(int(round(sum(c[k] * w for c, w in box) / total)) for k in range(3))
    return (192, 192, 193) if avg == FACE else avg


def quantise(pixels, n, fixed):
    """Maps rows of RGB tuples to indices into a palette of at most n colours.
    Colours in 'fixed' keep their own exact entries at the start of the palette."""
    counts = {}
    for row in pixels:
        for p in row:
            if p not in fixed:
                counts[p] = counts.get(p, 0) + 1
    palette, lookup = list(fixed), {c: i for i, c in enumerate(fixed)}
    for box in median_cut(counts, n - len(fixed)) if counts else []:
        palette.append(box_average(box))
        for c, _ in box:
            lookup[c] = len(palette) - 1
    return palette, [[lookup[p] for p in row] for row in pixels]


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def map_to_palette(pixels, palette):
    """Maps rows of RGB tuples to the nearest entries of a fixed palette."""
    cache = {}
    for row in pixels:
        for p in row:
            if p not in cache:
                cache[p] = nearest(palette, p)
    return [[cache[p] for p in row] for row in pixels]


def emblem_palette_16():
    """Sixteen hand-picked colours for 4-bit icons; black first for transparency."""
    ramp = [mix(TEAL_TOP, TEAL_BOTTOM, t / 4.0) for t in range(5)]
    middle = ramp[2]
    extras = [TEAL_RIM, mix(ramp[4], TEAL_RIM, 0.5), mix(middle, TEAL_RIM, 0.35),
              mix(WHITE, middle, 0.33), mix(WHITE, middle, 0.66)]
    colours = [(0, 0, 0), WHITE] + PAINTS + ramp + extras
    return [tuple(int(round(c)) for c in colour) for colour in colours]


# ---------------------------------------------------------------- DIB encoding

def pack_row(values, bpp):
    """Packs one row of pixel values (indices, bits or BGRA tuples), padded to 4 bytes."""
    if bpp == 32:
        data = b"".join(bytes(v) for v in values)
    elif bpp == 8:
        data = bytes(values)
    else:
        per_byte = 8 // bpp
        data = bytearray()
        for i in range(0, len(values), per_byte):
            byte = 0
            for j in range(per_byte):
                v = values[i + j] if i + j < len(values) else 0
                byte |= v << (8 - bpp * (j + 1))
            data.append(byte)
        data = bytes(data)
    return data + b"\0" * (-len(data) % 4)


def pack_rows(rows, bpp):
    return b"".join(pack_row(row, bpp) for row in reversed(rows))


def info_header(width, height, bpp, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       image_size, 2835, 2835, colours, 0)


def colour_table(palette, entries):
    padded = list(palette) + [(0, 0, 0)] * (entries - len(palette))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in padded)


def bmp_file(rgb_rows):
    height, width = len(rgb_rows), len(rgb_rows[0])
    palette, indices = quantise(rgb_rows, 256, [SHADOW, LIGHT])
    bits = pack_rows(indices, 8)
    header_size = 14 + 40 + 256 * 4
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(bits), 0, 0, header_size)
    return (file_header + info_header(width, height, 8, len(bits), 256)
            + colour_table(palette, 256) + bits)


# ---------------------------------------------------------------- icons

def icon_image(size, bpp):
    """One icon image as a DIB: header, colour table, XOR bitmap and AND mask."""
    rgba = [[tuple(int(round(c)) for c in p[:3]) + (int(round(p[3] * 255)),) for p in row]
            for row in render_emblem(size)]
    if bpp == 32:
        mask = [[1 if p[3] == 0 else 0 for p in row] for row in rgba]
        xor = [[(p[2], p[1], p[0], p[3]) if p[3] else (0, 0, 0, 0) for p in row]
               for row in rgba]
        table, xor_bits = b"", pack_rows(xor, 32)
    else:
        mask = [[1 if p[3] < 128 else 0 for p in row] for row in rgba]
        rgb = [[p[:3] if not m else (0, 0, 0) for p, m in zip(row, mrow)]
               for row, mrow in zip(rgba, mask)]
        entries = 1 << bpp
        if bpp == 4:
            palette = emblem_palette_16()
            indices = map_to_palette(rgb, palette)
        else:
            palette, indices = quantise(rgb, entries, [(0, 0, 0)])
        table, xor_bits = colour_table(palette, entries), pack_rows(indices, bpp)
    and_bits = pack_rows(mask, 1)
    header = info_header(size, size * 2, bpp, len(xor_bits) + len(and_bits),
                         0 if bpp == 32 else 1 << bpp)
    return header + table + xor_bits + and_bits


def ico_file(formats):
    images = [icon_image(size, bpp) for size, bpp in formats]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for (size, bpp), data in zip(formats, images):
        colours = 16 if bpp == 4 else 0
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0,
                                 1, bpp, len(data), offset)
        offset += len(data)
    return directory + b"".join(images)


APP_ICON = [(16, 8), (32, 8), (16, 32), (48, 32)]
WINDOW_ICON = [(48, 4), (32, 4), (16, 4), (48, 8), (32, 8), (16, 8)]


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_images.py OUTDIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    outputs = {"banner.bmp": bmp_file(render_banner()),
               "app.ico": ico_file(APP_ICON),
               "window.ico": ico_file(WINDOW_ICON)}
    for name, data in outputs.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
