#!/usr/bin/python3
"""Checks Lumivane's artwork files: size, bit depth, palette, compression,
row order and file layout of every bitmap and of the icon, and that each
pressed button picture is darker than its normal one and every button
carries a label.

Usage: check_artwork.py ART_DIR
Prints one line per fault and exits with 1 when there is any.
Needs only the Python standard library.
"""

import os
import re
import struct
import sys

# file name: (width, height, bits per pixel)
BITMAPS = {
    "background.bmp": (516, 214, 8),
    "menu_mark.bmp": (13, 13, 4),
}
BUTTONS = {
    "about": (80, 40), "af_to_bmp": (80, 40), "bmp_to_af": (80, 40),
    "setup": (80, 40), "exit": (41, 86), "about_ok": (59, 33),
    "browse": (63, 31), "setup_ok": (75, 47), "setup_cancel": (75, 47),
    "gallery_ok": (44, 35),
}
for _stem, (_w, _h) in BUTTONS.items():
    BITMAPS[_stem + ".bmp"] = (_w, _h, 8)
    BITMAPS[_stem + "_pressed.bmp"] = (_w, _h, 8)
ICON = "lumivane.ico"

# Label ink is dark navy; the frame and bevel are never this dark.
INK_LUMA = 70
MIN_INK_PIXELS = 12


class Fault(Exception):
    pass


def stride(width, bits):
    return (width * bits + 31) // 32 * 4


def parse_info(data, at, what):
    if len(data) < at + 40:
        raise Fault(f"{what}: too short for a 40-byte info header")
    (size, width, height, planes, bits, compression, image_size,
     _xppm, _yppm, used, _important) = struct.unpack_from("<IiiHHIIiiII",
                                                          data, at)
    if size != 40:
        raise Fault(f"{what}: info header is {size} bytes, not 40")
    if planes != 1:
        raise Fault(f"{what}: {planes} planes, not 1")
    if compression != 0:
        raise Fault(f"{what}: compression {compression}, not BI_RGB (0)")
    return width, height, bits, image_size, used


def read_bmp(path, name, want_w, want_h, want_bits):
    """Returns (palette, rows of indices, top row first)."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 14 or data[:2] != b"BM":
        raise Fault(f"{name}: not a BMP file (no 'BM' signature)")
    file_size, _r1, _r2, offset = struct.unpack_from("<IHHI", data, 2)
    if file_size != len(data):
        raise Fault(f"{name}: header says {file_size} bytes, "
                    f"file has {len(data)}")
    width, height, bits, image_size, used = parse_info(data, 14, name)
    if height <= 0:
        raise Fault(f"{name}: height {height}: rows must be bottom-up")
    if (width, height, bits) != (want_w, want_h, want_bits):
        raise Fault(f"{name}: {width} x {height} at {bits} bits per pixel, "
                    f"expected {want_w} x {want_h} at {want_bits}")
    colours = 1 << bits
    if used not in (0, colours):
        raise Fault(f"{name}: palette of {used} colours, "
                    f"expected the full {colours}")
    if offset != 14 + 40 + 4 * colours:
        raise Fault(f"{name}: pixels start at {offset}, expected "
                    f"{14 + 40 + 4 * colours} after a {colours}-colour table")
    row = stride(width, bits)
    if image_size not in (0, row * height):
        raise Fault(f"{name}: image size {image_size}, "
                    f"expected {row * height}")
    if len(data) < offset + row * height:
        raise Fault(f"{name}: pixel data cut short")
    palette = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i])
               for i in range(colours)]
    rows = []
    for y in range(height - 1, -1, -1):
        raw = data[offset + y * row: offset + y * row + row]
        if bits == 8:
            rows.append(list(raw[:width]))
        else:
            rows.append([(raw[x // 2] >> (4 - 4 * (x % 2))) & 15
                         for x in range(width)])
    return palette, rows


def luma(rgb):
    r, g, b = rgb
    return 0.299 * r + 0.587 * g + 0.114 * b


def mean_luma(palette, rows):
    total = sum(luma(palette[i]) for row in rows for i in row)
    return total / (len(rows) * len(rows[0]))


def ink_pixels(palette, rows):
    inner = [row[2:-2] for row in rows[2:-2]]
    return sum(1 for row in inner for i in row if luma(palette[i]) < INK_LUMA)


def check_icon(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 22:
        raise Fault(f"{ICON}: too short for an icon directory")
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if (reserved, kind, count) != (0, 1, 1):
        raise Fault(f"{ICON}: directory says reserved {reserved}, type "
                    f"{kind}, {count} images; expected 0, 1 (icon), 1")
    w, h, colours, _res, planes, bits, size, at = struct.unpack_from(
        "<BBBBHHII", data, 6)
    if (w, h, colours, bits) != (32, 32, 16, 4):
        raise Fault(f"{ICON}: entry is {w} x {h}, {colours} colours, "
                    f"{bits} bits; expected 32 x 32, 16 colours, 4 bits")
    if planes not in (0, 1):
        raise Fault(f"{ICON}: entry has {planes} planes")
    if at + size != len(data):
        raise Fault(f"{ICON}: image of {size} bytes at {at} does not end "
                    f"the {len(data)}-byte file")
    width, height, dib_bits, _img, used = parse_info(data, at, ICON)
    if (width, height, dib_bits) != (32, 64, 4):
        raise Fault(f"{ICON}: image header {width} x {height} at {dib_bits} "
                    f"bits; expected 32 x 64 (picture and mask) at 4")
    if used not in (0, 16):
        raise Fault(f"{ICON}: palette of {used} colours, expected 16")
    want = 40 + 16 * 4 + stride(32, 4) * 32 + stride(32, 1) * 32
    if size != want:
        raise Fault(f"{ICON}: image is {size} bytes, expected {want}")


def check_resource_script(art_dir):
    """Every file the resource script names must be one checked here."""
    rc = os.path.join(os.path.dirname(os.path.abspath(art_dir)),
                      "bitmaps.rc")
    if not os.path.exists(rc):
        return []
    with open(rc, encoding="latin-1") as f:
        named = re.findall(r'"art/([^"]+)"', f.read())
    known = set(BITMAPS) | {ICON}
    return [f"bitmaps.rc names art/{n}, which is not checked here"
            for n in named if n not in known]


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: check_artwork.py ART_DIR\n")
        return 2
    art = argv[1]
    faults = check_resource_script(art)
    pictures = {}
    for name, (w, h, bits) in sorted(BITMAPS.items()):
        path = os.path.join(art, name)
        try:
            if not os.path.exists(path):
                raise Fault(f"{name}: missing")
            pictures[name] = read_bmp(path, name, w, h, bits)
        except Fault as fault:
            faults.append(str(fault))
    for stem in sorted(BUTTONS):
        normal, pressed = stem + ".bmp", stem + "_pressed.bmp"
        if normal not in pictures or pressed not in pictures:
            continue
        for name in (normal, pressed):
            ink = ink_pixels(*pictures[name])
            if ink < MIN_INK_PIXELS:
                faults.append(f"{name}: only {ink} dark label pixels; "
                              "is the label missing?")
        light = mean_luma(*pictures[normal])
        dark = mean_luma(*pictures[pressed])
        if dark >= light:
            faults.append(f"{pressed}: mean brightness {dark:.1f} is not "
                          f"below the normal picture's {light:.1f}")
    try:
        path = os.path.join(art, ICON)
        if not os.path.exists(path):
            raise Fault(f"{ICON}: missing")
        check_icon(path)
    except Fault as fault:
        faults.append(str(fault))
    for fault in faults:
        print("artwork fault:", fault)
    if faults:
        print(f"{len(faults)} artwork fault(s) in {art}")
        return 1
    print(f"artwork ok: {len(BITMAPS)} bitmaps and the icon in {art}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
