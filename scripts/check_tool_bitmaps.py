#!/usr/bin/python3
"""Makes bitmaps with the paint tools at hand (ImageMagick's convert and
Pillow), converts each to a texture with lumivane-convert, and checks every
texture pixel: it must be the nearest texture palette colour (ties to the
lowest index) of the source pixel the whole-pixel stretch picks.

    scripts/check_tool_bitmaps.py LUMIVANE_CONVERT

Exits non-zero, naming the file, when a tool's file is refused, when it is not
the kind of bitmap it was made to be, or when any texture pixel is wrong.
"""
import os
import random
import struct
import subprocess
import sys
import tempfile

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SIDE = 256


def texture_palette():
    with open(os.path.join(ROOT, "companion", "texture_palette.pal")) as pal:
        numbers = [int(n) for n in pal.read().split()[3:3 + 768]]
    return [tuple(numbers[i:i + 3]) for i in range(0, 768, 3)]


def stretched(source, target, rows):
    """The source position (from the left or the top) each target position shows."""
    if source <= target:
        return [(2 * t + 1) * source // (2 * target) for t in range(target)]
    if rows:  # of the source rows that fall on one target row, the first stays
        return [(2 * t * source + target) // (2 * target) for t in range(target)]
    return [(2 * (t + 1) * source - target) // (2 * target) for t in range(target)]


def widened(value, width):
    """A channel at 8 bits: its bits repeated below it, or its top 8 bits."""
    if width == 0:
        return 0
    if width > 8:
        return value >> (width - 8)
    return min(255, value * 256 // ((1 << width) - 1))


def headers(path):
    with open(path, "rb") as f:
        data = f.read()
    offset, size = struct.unpack_from("<II", data, 10)
    if size == 12:
        width, height, _, bits = struct.unpack_from("<HHHH", data, 18)
        return data, offset, size, width, height, bits, 0
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    return data, offset, size, width, height, bits, compression


def bit_field_pixels(path):
    """The colours of a 16- or 32-bit BI_BITFIELDS file, rows from the top."""
    data, offset, _, width, height, bits, _ = headers(path)
    masks = struct.unpack_from("<III", data, 54)  # behind a 40-byte header or inside a larger one
    stride = (width * bits + 31) // 32 * 4
    rows = []
    for y in range(abs(height)):
        stored = y if height < 0 else abs(height) - 1 - y
        row = []
        for x in range(width):
            at = offset + stored * stride + x * bits // 8
            value = struct.unpack_from("<H" if bits == 16 else "<I", data, at)[0]
            row.append(tuple(widened((value & m) >> ((m & -m).bit_length() - 1), bin(m).count("1")) if m else 0
                             for m in masks))
        rows.append(row)
    return rows


def pillow_pixels(path):
    with Image.open(path) as image:
        rgb = image.convert("RGB")
        return [[rgb.getpixel((x, y)) for x in range(rgb.width)] for y in range(rgb.height)]


def expected_texture(rows, palette, cache):
    height, width = len(rows), len(rows[0])
    columns, from_top = stretched(width, SIDE, False), stretched(height, SIDE, True)

    def nearest(colour):
        if colour not in cache:
            r, g, b = colour
            cache[colour] = min(range(256), key=lambda i: ((palette[i][0] - r) ** 2 + (palette[i][1] - g) ** 2
                                                           + (palette[i][2] - b) ** 2, i))
        return cache[colour]

    texture = bytearray(SIDE * SIDE)
    for y in range(SIDE):  # the texture's rows are stored bottom row first
        source_row = rows[from_top[y]]
        for x in range(SIDE):
            texture[(SIDE - 1 - y) * SIDE + x] = nearest(source_row[columns[x]])
    return bytes(texture)


def source_picture(width, height, alpha=False):
    """A few hundred random colours scattered by a pattern over the picture."""
    chance = random.Random(width * 1000 + height)
    colours = [(chance.randrange(256), chance.randrange(256), chance.randrange(256)) for _ in range(400)]
    image = Image.new("RGBA" if alpha else "RGB", (width, height))
    image.putdata([colours[(x * 31 + y * 17 + x * y) % 400] + ((x * 7 + y) % 256,) * alpha
                   for y in range(height) for x in range(width)])
    return image


def made_files(work):
    """(file, header size, bits, compression, decoder) for each bitmap a tool wrote."""
    for width, height in ((300, 90), (97, 601)):
        name = "%dx%d" % (width, height)
        png, png_alpha = os.path.join(work, name + ".png"), os.path.join(work, name + "-alpha.png")
        source_picture(width, height).save(png)
        source_picture(width, height, alpha=True).save(png_alpha)
        made = [
            ("im-default", [png], 124, 24, 0, pillow_pixels),
            ("im-rgb565", ["-define", "bmp:subtype=RGB565", png], 124, 16, 3, bit_field_pixels),
            ("im-alpha", [png_alpha], 124, 32, 3, bit_field_pixels),
            ("im-rle8", [png, "-colors", "200", "-compress", "RLE"], 124, 8, 1, pillow_pixels),
            ("im-v3-rle8", [png, "-colors", "100", "-type", "Palette", "BMP3:"], 40, 8, 1, pillow_pixels),
            ("im-4bit", [png, "-colors", "16", "-type", "Palette", "-compress", "None"], 124, 4, 0, pillow_pixels),
            ("im-1bit", [png, "-monochrome"], 108, 1, 0, pillow_pixels),
            ("im-os2", [png, "BMP2:"], 12, 24, 0, pillow_pixels),
        ]
        for kind, arguments, size, bits, compression, decoder in made:
            path = os.path.join(work, "%s-%s.bmp" % (kind, name))
            if arguments[-1].endswith(":"):
                arguments = arguments[:-1] + [arguments[-1] + path]
            else:
                arguments = arguments + [path]
            subprocess.run(["convert"] + arguments, check=True)
            yield path, size, bits, compression, decoder
        with Image.open(png) as image:
            image.save(os.path.join(work, "pillow-rgb-%s.bmp" % name))
            image.quantize(77).save(os.path.join(work, "pillow-palette-%s.bmp" % name))
        yield os.path.join(work, "pillow-rgb-%s.bmp" % name), 40, 24, 0, pillow_pixels
        yield os.path.join(work, "pillow-palette-%s.bmp" % name), 40, 8, 0, pillow_pixels


def main():
    convert = sys.argv[1]
    palette = texture_palette()
    cache = {}
    failures = 0
    with tempfile.TemporaryDirectory(prefix="lumivane-tool-bitmaps-") as work:
        textures = os.path.join(work, "textures")
        os.makedirs(textures)
        for path, size, bits, compression, decoder in made_files(work):
            name = os.path.basename(path)
            _, _, got_size, _, _, got_bits, got_compression = headers(path)
            if (got_size, got_bits, got_compression) != (size, bits, compression):
                print("%s: made as header %d, %d bits, compression %d; expected %d, %d, %d"
                      % (name, got_size, got_bits, got_compression, size, bits, compression))
                failures += 1
                continue
            run = subprocess.run([convert, "to-af", "--force", "--out", textures, path], capture_output=True, text=True)
            if run.returncode != 0:
                print("%s: lumivane-convert failed: %s" % (name, run.stderr.strip()))
                failures += 1
                continue
            with open(os.path.join(textures, name + ".af"), "rb") as f:
                texture = f.read()
            expected = expected_texture(decoder(path), palette, cache)
            wrong = sum(1 for a, b in zip(texture, expected) if a != b) + abs(len(texture) - len(expected))
            print("%s: header %d, %d bits, compression %d: %d of %d texture pixels wrong"
                  % (name, size, bits, compression, wrong, len(expected)))
            failures += wrong != 0
    print("%d files failed" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
