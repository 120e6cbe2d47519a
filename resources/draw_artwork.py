#!/usr/bin/python3
"""Draws Lumivane's artwork: the window background, the bitmap buttons,
the program icon and the system-menu mark.

Usage: draw_artwork.py OUTPUT_DIR

Everything is drawn here from shapes and the DejaVu fonts; the bitmaps are
written by our own BMP and ICO writers so that bit depth, palette size and
row order are exactly what the resource compiler and LoadBitmap expect
(8 bits per pixel with a 256-entry palette for the background and buttons,
4 bits with 16 entries for the icon and the menu mark; uncompressed,
bottom-up, 40-byte info header).
"""

import math
import os
import random
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

# The dialog background of Setup and the gallery.
PALE_YELLOW = (244, 237, 176)
# The light blue of the banner lines' offset copy.
BANNER_BLUE = (100, 190, 255)


# ---------------------------------------------------------------- writers

def _row_bytes(indices, bits):
    if bits == 8:
        data = bytes(indices)
    else:  # 4 bits: two pixels per byte, high nibble first
        padded = list(indices) + [0] * (len(indices) % 2)
        data = bytes((padded[i] << 4) | padded[i + 1]
                     for i in range(0, len(padded), 2))
    stride = (len(data) + 3) // 4 * 4
    return data + b"\0" * (stride - len(data))


def _colour_table(palette, bits):
    entries = 1 << bits
    if len(palette) > entries:
        raise ValueError(f"{len(palette)} colours do not fit in {bits} bits")
    full = list(palette) + [(0, 0, 0)] * (entries - len(palette))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in full)


def _dib(width, height, bits, palette, rows, header_height=None,
         extra=b""):
    """Info header, colour table and bottom-up pixel rows (+ extra bytes)."""
    pixels = b"".join(_row_bytes(rows[y], bits)
                      for y in range(height - 1, -1, -1)) + extra
    header = struct.pack("<IiiHHIIiiII", 40, width,
                         header_height or height, 1, bits, 0, len(pixels),
                         3780, 3780, 1 << bits, 0)
    return header + _colour_table(palette, bits) + pixels


def write_bmp(path, width, height, bits, palette, rows):
    dib = _dib(width, height, bits, palette, rows)
    offset = 14 + 40 + 4 * (1 << bits)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(dib), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + dib)


def write_ico(path, size, palette, rows, transparent_rows):
    """One 4-bit image; transparent pixels must use the black index 0."""
    mask_rows = []
    for y in range(size - 1, -1, -1):
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if transparent_rows[y][x] else 0)
        data = bits.to_bytes(size // 8, "big")
        mask_rows.append(data + b"\0" * ((len(data) + 3) // 4 * 4 - len(data)))
    dib = _dib(size, size, 4, palette, rows, header_height=2 * size,
               extra=b"".join(mask_rows))
    # An icon's info header counts no colours and takes the table as full.
    dib = dib[:32] + struct.pack("<I", 0) + dib[36:]
    head = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(dib), 22)
    with open(path, "wb") as f:
        f.write(head + entry + dib)


def to_indexed(image, colours):
    """Palette and rows of indices; exact when the picture has few enough
    colours, otherwise a median-cut palette without dithering (dither
    patterns turn into noise when the program stretches the bitmap)."""
    image = image.convert("RGB")
    used = image.getcolors(colours)
    if used is not None:
        palette = sorted(c for _, c in used)
        index = {c: i for i, c in enumerate(palette)}
        px = image.load()
        rows = [[index[px[x, y]] for x in range(image.width)]
                for y in range(image.height)]
        return palette, rows
    q = image.quantize(colors=colours, method=Image.Quantize.MEDIANCUT,
                       dither=Image.Dither.NONE)
    flat = q.getpalette()[:3 * colours]
    palette = [tuple(flat[i:i + 3]) for i in range(0, len(flat), 3)]
    px = q.load()
    rows = [[px[x, y] for x in range(q.width)] for y in range(q.height)]
    return palette, rows


def save_8bit(image, path):
    palette, rows = to_indexed(image, 256)
    write_bmp(path, image.width, image.height, 8, palette, rows)


# ---------------------------------------------------------------- helpers

def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def shade(colour, factor):
    return tuple(max(0, min(255, round(c * factor))) for c in colour)


def smoothstep(t):
    t = max(0.0, min(1.0, t))
    return t * t * (3 - 2 * t)


def gradient(width, height, stops):
    """Vertical gradient through (position 0..1, colour) stops."""
    img = Image.new("RGB", (width, height))
    draw = ImageDraw.Draw(img)
    for y in range(height):
        t = y / (height - 1)
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                draw.line([(0, y), (width - 1, y)],
                          fill=lerp(c0, c1, smoothstep((t - p0) / (p1 - p0))))
                break
    return img


# ---------------------------------------------------------------- background

# The background is drawn at twice the size it shows at in the main window
# (about 624 x 362 pixels: 416 x 223 dialog units) and then reduced to the
# bitmap's 516 x 214, so that shapes keep their proportions once the window
# stretches the bitmap again.
SHOWN_W, SHOWN_H = 624, 362
SCALE = 2


def airliner_outline():
    """Side view of an airliner, nose to the right, 100 units long, y up."""
    body = []
    # upper line from the tail cone over the cabin to the nose
    for i in range(0, 101, 2):
        x = i
        if x < 16:
            top = 5.0 + 0.06 * (16 - x)
        elif x < 88:
            top = 5.0
        else:
            top = 5.0 * math.sqrt(max(0.0, 1 - ((x - 88) / 12) ** 2)) + 0.2
        body.append((x, top))
    # lower line back from the nose, rising into the tail cone
    for i in range(100, -1, -2):
        x = i
        if x > 88:
            bottom = -4.6 * math.sqrt(max(0.0, 1 - ((x - 88) / 12) ** 2))
        elif x > 24:
            bottom = -4.6
        else:
            bottom = -4.6 + 7.6 * ((24 - x) / 24) ** 1.4
        body.append((x, bottom))
    fin = [(25, 4.5), (11, 22), (4.5, 22.5), (2.5, 20), (5, 4.5)]
    stabiliser = [(17, 2.2), (4, 5.2), (1.5, 4.6), (9, 1.2)]
    wing = [(58, -3.0), (33, -9.6), (30, -9.9), (36, -3.4)]
    nacelle = [(60 + 7 * math.cos(a / 20 * math.pi),
                -7.6 + 2.4 * math.sin(a / 20 * math.pi)) for a in range(40)]
    pylon = [(56, -3.5), (52, -6), (58, -6), (60, -3.5)]
    return [body, fin, stabiliser, wing, nacelle, pylon]


def draw_airliner(draw, x0, y0, length, angle_deg, fill):
    a = math.radians(angle_deg)
    s = length / 100.0
    for part in airliner_outline():
        pts = []
        for ux, uy in part:
            px, py = ux * s, -uy * s
            pts.append((x0 + px * math.cos(a) + py * math.sin(a),
                        y0 - px * math.sin(a) + py * math.cos(a)))
        draw.polygon(pts, fill=fill)


def draw_background(path):
    w, h = SHOWN_W * SCALE, SHOWN_H * SCALE
    horizon = 0.70
    sky = gradient(w, h, [
        (0.00, (84, 132, 196)),
        (0.30, (128, 171, 223)),
        (0.58, (194, 216, 240)),
        (horizon, (238, 238, 236)),
        (0.78, (246, 238, 222)),
        (1.00, (234, 232, 238)),
    ])

    # A cloud deck below the horizon in a few layers, far to near: each
    # layer's puffs are bright on top and shade to a faint lavender lower
    # down, so the nearer layer stands out against the one behind it. The
    # banner lines sit on it: black text over pale cloud.
    rnd = random.Random(98)
    base = horizon * h
    layers = [  # depth of the layer below the horizon, puff radius, haze
        (6, 44, 0.55), (30, 70, 0.35), (64, 100, 0.15), (112, 140, 0.0)]
    for depth, radius, haze in layers:
        depth, radius = depth * SCALE, radius * SCALE
        puffs = []
        x = -rnd.uniform(0, radius)
        while x < w + radius:
            puffs.append((x, radius * rnd.uniform(0.45, 1.25)))
            x += radius * rnd.uniform(0.5, 1.2)
        shade_depth = radius * 0.8
        bright = lerp((255, 255, 255), (238, 238, 236), haze)
        shadow = lerp((230, 232, 243), (236, 236, 240), haze)
        strip = Image.new("RGB", (1, h))
        sd = ImageDraw.Draw(strip)
        for y in range(h):
            sd.point((0, y), fill=lerp(bright, shadow,
                                       smoothstep(y / shade_depth)))
        layer = Image.new("RGB", (w, h), bright)
        cover = Image.new("L", (w, h), 0)
        cd = ImageDraw.Draw(cover)
        for x in range(w):
            bump = 0.0
            for cx, r in puffs:
                if abs(x - cx) < r:
                    bump = max(bump, math.sqrt(1 - ((x - cx) / r) ** 2) * r)
            top = round(base + depth - bump * 0.26)
            layer.paste(strip.crop((0, 0, 1, h - top)), (x, top))
            cd.line([(x, top), (x, h)], fill=255)
        cover = cover.filter(ImageFilter.GaussianBlur(4 * SCALE))
        layer = layer.filter(ImageFilter.GaussianBlur(1.5 * SCALE))
        sky = Image.composite(layer, sky, cover)

    # A faint airliner climbing high on the right, with its contrail: in
    # the top strip the About box leaves free and inside the empty
    # Destination pane before a texture is shown.
    trail = Image.new("L", (w, h), 0)
    td = ImageDraw.Draw(trail)
    nose_x, tail_y = 470 * SCALE, 64 * SCALE
    plane_len = 84 * SCALE
    climb = 7.0
    tail_x = nose_x - plane_len
    slope = math.tan(math.radians(climb))
    start_x = 210 * SCALE
    for i in range(200):
        t = i / 199
        x = start_x + (tail_x - start_x) * t
        y = tail_y + 0.06 * plane_len + (tail_x - x) * slope
        r = (2.2 + 1.8 * (1 - t)) * SCALE
        td.ellipse([x - r, y - r * 0.8, x + r, y + r * 0.8],
                   fill=round(150 * t ** 1.5))
    trail = trail.filter(ImageFilter.GaussianBlur(2 * SCALE))
    sky = Image.composite(Image.new("RGB", (w, h), (248, 250, 255)), sky,
                          trail)

    plane = Image.new("L", (w, h), 0)
    draw_airliner(ImageDraw.Draw(plane), tail_x, tail_y, plane_len, climb,
                  fill=255)
    plane = plane.filter(ImageFilter.GaussianBlur(0.6 * SCALE))
    sky = Image.composite(Image.new("RGB", (w, h), (52, 84, 134)), sky,
                          plane.point(lambda v: v * 0.42))

    save_8bit(sky.resize((516, 214), Image.Resampling.LANCZOS), path)


# ---------------------------------------------------------------- buttons

# One family for every push button: a dark frame, a two-step bevel and a
# steel-blue face, the label in dark navy with a light copy one pixel lower
# and to the right (the same motif as the banner lines). Pressed: the bevel
# inverts, the face is darker and shaded the other way, the label moves one
# pixel down and right.
FRAME = (30, 46, 74)
LIGHT_OUTER, LIGHT_INNER = (248, 251, 255), (214, 227, 243)
DARK_OUTER, DARK_INNER = (70, 92, 128), (112, 136, 172)
FACE_TOP, FACE_BOTTOM = (194, 213, 236), (142, 171, 210)
INK = (16, 30, 54)
INK_ECHO = (232, 241, 252)


def bevel(draw, w, h, top_left, bottom_right):
    for i, (tl, br) in enumerate(zip(top_left, bottom_right), start=1):
        draw.line([(i, i), (w - 1 - i, i)], fill=tl)
        draw.line([(i, i), (i, h - 1 - i)], fill=tl)
        draw.line([(i, h - 1 - i), (w - 1 - i, h - 1 - i)], fill=br)
        draw.line([(w - 1 - i, i), (w - 1 - i, h - 1 - i)], fill=br)


def button_face(w, h, pressed):
    if pressed:
        img = gradient(w, h, [(0.0, shade(FACE_BOTTOM, 0.86)),
                              (1.0, shade(FACE_TOP, 0.90))])
    else:
        img = gradient(w, h, [(0.0, FACE_TOP), (1.0, FACE_BOTTOM)])
    draw = ImageDraw.Draw(img)
    draw.rectangle([0, 0, w - 1, h - 1], outline=FRAME)
    if pressed:
        bevel(draw, w, h, (DARK_OUTER, DARK_INNER), (LIGHT_INNER, FACE_TOP))
    else:
        bevel(draw, w, h, (LIGHT_OUTER, LIGHT_INNER), (DARK_OUTER, DARK_INNER))
    return img, draw


def cap_height(font):
    left, top, right, bottom = font.getbbox("H", anchor="ls")
    return -top


def draw_label(draw, lines, w, h, size, shift):
    """Centres the lines (cap heights, not descenders, are centred)."""
    font = ImageFont.truetype(FONT_BOLD, size)
    cap = cap_height(font)
    gap = round(cap * 0.8)
    block = len(lines) * cap + (len(lines) - 1) * gap
    baseline = (h - block) // 2 + cap
    for text in lines:
        width = round(font.getlength(text))
        x = (w - width) // 2 + shift
        y = baseline + shift
        draw.text((x + 1, y + 1), text, font=font, fill=INK_ECHO, anchor="ls")
        draw.text((x, y), text, font=font, fill=INK, anchor="ls")
        baseline += cap + gap


def draw_button(path_normal, path_pressed, w, h, lines, size):
    for path, pressed in ((path_normal, False), (path_pressed, True)):
        img, draw = button_face(w, h, pressed)
        draw_label(draw, lines, w, h, size, 1 if pressed else 0)
        save_8bit(img, path)


BUTTONS = [
    # file stem, width, height, label lines, font size in pixels
    ("about", 80, 40, ["About"], 13),
    ("af_to_bmp", 80, 40, ["AF to BMP"], 12),
    ("bmp_to_af", 80, 40, ["BMP to AF"], 12),
    ("setup", 80, 40, ["Setup"], 13),
    ("exit", 41, 86, ["E", "X", "I", "T"], 13),
    ("about_ok", 59, 33, ["OK"], 13),
    ("browse", 63, 31, ["Browse"], 12),
    ("setup_ok", 75, 47, ["OK"], 14),
    ("setup_cancel", 75, 47, ["CANCEL"], 13),
    ("gallery_ok", 44, 35, ["OK"], 13),
]


# ---------------------------------------------------------------- icon

# The icon's own 16 colours; index 0 must stay black, since transparent
# pixels of an icon are black under a set mask bit.
ICON_PALETTE = [
    (0, 0, 0), (22, 36, 66), (44, 74, 122), (72, 112, 170),
    (108, 150, 206), (150, 186, 228), (196, 218, 242), (255, 255, 255),
    (168, 176, 190), (110, 118, 134), (206, 52, 44), (246, 196, 48),
    (64, 160, 84), (236, 128, 40), (232, 236, 242), (128, 64, 150),
]


def draw_icon(path):
    big = 256
    k = big / 32
    img = Image.new("RGB", (big, big), (0, 0, 0))
    alpha = Image.new("L", (big, big), 0)
    ImageDraw.Draw(alpha).rounded_rectangle([0, 0, big - 1, big - 1],
                                            radius=6 * k, fill=255)
    tile = gradient(big, big, [(0.0, (60, 100, 160)), (0.55, (120, 165, 220)),
                               (1.0, (196, 218, 242))])
    img.paste(tile, (0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([0, 0, big - 1, big - 1], radius=6 * k,
                        outline=(22, 36, 66), width=round(k))

    # An airliner from above, nose to the upper right.
    def plane(fill, grow):
        cx, cy, ang = 13 * k, 14 * k, math.radians(-45)

        def p(x, y):  # plane units: x along the body (nose +), y across
            return (cx + (x * math.cos(ang) - y * math.sin(ang)) * k,
                    cy + (x * math.sin(ang) + y * math.cos(ang)) * k)
        g = grow
        body = [p(-10 - g, -1.3 - g), p(7, -1.7 - g), p(10.5 + g, 0),
                p(7, 1.7 + g), p(-10 - g, 1.3 + g)]
        wings = [p(3.5 + g, 0), p(-3 - g, -10.5 - g), p(-6 - g, -10.5 - g),
                 p(-3.5 - g, 0), p(-6 - g, 10.5 + g), p(-3 - g, 10.5 + g)]
        tail = [p(-6.5 + g, 0), p(-10 - g, -4.5 - g), p(-11.5 - g, -4.5 - g),
                p(-11 - g, 0), p(-11.5 - g, 4.5 + g), p(-10 - g, 4.5 + g)]
        for poly in (body, wings, tail):
            d.polygon(poly, fill=fill)
    plane((22, 36, 66), 1.0)
    plane((255, 255, 255), 0.0)

    # Four colour chips in the lower right: the repaint.
    chips = [((206, 52, 44), 0, 0), ((246, 196, 48), 1, 0),
             ((64, 160, 84), 0, 1), ((72, 112, 170), 1, 1)]
    x0, y0, cell = 21 * k, 21 * k, 4 * k
    d.rectangle([x0 - k, y0 - k, x0 + 2 * cell + k - 1, y0 + 2 * cell + k - 1],
                fill=(22, 36, 66))
    for colour, cx, cy in chips:
        d.rectangle([x0 + cx * cell, y0 + cy * cell,
                     x0 + (cx + 1) * cell - 1 - (k if cx == 0 else 0),
                     y0 + (cy + 1) * cell - 1 - (k if cy == 0 else 0)],
                    fill=colour)

    small = img.resize((32, 32), Image.Resampling.BOX)
    small_alpha = alpha.resize((32, 32), Image.Resampling.BOX)
    pal_img = Image.new("P", (1, 1))
    pal_img.putpalette([v for c in ICON_PALETTE for v in c] +
                       [0] * (768 - 3 * len(ICON_PALETTE)))
    q = small.quantize(palette=pal_img, dither=Image.Dither.NONE)
    qp, ap = q.load(), small_alpha.load()
    rows, clear = [], []
    for y in range(32):
        rows.append([qp[x, y] if ap[x, y] >= 128 else 0 for x in range(32)])
        clear.append([ap[x, y] < 128 for x in range(32)])
    write_ico(path, 32, ICON_PALETTE, rows, clear)


# ---------------------------------------------------------------- menu mark

def draw_menu_mark(path):
    """A 3 x 3 grid of colour chips in a dark frame: 13 x 13, 16 colours.
    Fully opaque, so it looks the same on a plain or a highlighted menu."""
    frame = (22, 36, 66)
    chips = [(206, 52, 44), (246, 196, 48), (64, 160, 84),
             (72, 112, 170), (255, 255, 255), (236, 128, 40),
             (128, 64, 150), (150, 186, 228), (110, 118, 134)]
    palette = [frame] + chips
    rows = [[0] * 13 for _ in range(13)]
    for i in range(9):
        cx, cy = i % 3, i // 3
        for y in range(3):
            for x in range(3):
                rows[1 + cy * 4 + y][1 + cx * 4 + x] = 1 + i
    write_bmp(path, 13, 13, 4, palette, rows)


# ---------------------------------------------------------------- main

def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: draw_artwork.py OUTPUT_DIR\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    draw_background(os.path.join(out, "background.bmp"))
    for stem, w, h, lines, size in BUTTONS:
        draw_button(os.path.join(out, stem + ".bmp"),
                    os.path.join(out, stem + "_pressed.bmp"), w, h, lines, size)
    draw_icon(os.path.join(out, "lumivane.ico"))
    draw_menu_mark(os.path.join(out, "menu_mark.bmp"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
