#!/usr/bin/env python3
"""Draws the demo workspace's sample pictures: a few bitmaps a repainter might
keep, and a few AF textures (256 x 256 palette indices, bottom row first)."""
import math
import os
import sys

from PIL import Image, ImageDraw

def livery(width, height, body, stripe, tail):
    picture = Image.new("RGB", (width, height), (200, 205, 210))
    draw = ImageDraw.Draw(picture)
    for y in range(height):
        shade = int(40 * y / height)
        draw.line([(0, y), (width, y)], fill=(body[0] - shade // 2, body[1] - shade // 2, body[2] - shade // 3))
    draw.rectangle([0, height * 0.42, width, height * 0.52], fill=stripe)
    draw.rectangle([0, height * 0.54, width, height * 0.58], fill=tail)
    for x in range(int(width * 0.08), int(width * 0.9), max(6, width // 18)):
        draw.ellipse([x, height * 0.3, x + width // 40 + 3, height * 0.3 + height // 25 + 3], fill=(40, 50, 70))
    draw.polygon([(width * 0.82, height * 0.05), (width * 0.97, height * 0.05), (width * 0.97, height * 0.4)], fill=tail)
    return picture

def texture_indices(seed):
    """A 256 x 256 texture in the program's palette: a 6x6x6 colour cube
    (indices 0-215, r*36 + g*6 + b) and a grey ramp above it."""
    rows = bytearray()
    for y in range(256):  # bottom row first, as the file stores it
        for x in range(256):
            r = (x * 6 // 256 + seed) % 6
            g = (y * 6 // 256) % 6
            b = (int(3 + 2.5 * math.sin((x + y + seed * 40) / 30.0))) % 6
            if (x // 32 + y // 32) % 4 == seed % 4:
                rows.append(216 + (x * 40 // 256))
            else:
                rows.append(r * 36 + g * 6 + b)
    return bytes(rows)

def main(workspace):
    bitmaps = os.path.join(workspace, "Bitmaps")
    textures = os.path.join(workspace, "Textures")
    os.makedirs(bitmaps, exist_ok=True)
    os.makedirs(textures, exist_ok=True)
    livery(256, 256, (235, 235, 240), (200, 30, 40), (20, 40, 120)).save(os.path.join(bitmaps, "dc3_fuselage.bmp"))
    livery(512, 256, (250, 210, 60), (30, 30, 30), (0, 110, 60)).save(os.path.join(bitmaps, "cub_wing.bmp"))
    livery(128, 128, (120, 160, 200), (255, 255, 255), (200, 80, 20)).save(os.path.join(bitmaps, "tail.bmp"))
    small = livery(200, 120, (90, 90, 100), (250, 200, 0), (250, 250, 250)).convert("P", palette=Image.ADAPTIVE, colors=256)
    small.save(os.path.join(bitmaps, "panel_8bit.bmp"))
    for seed, name in enumerate(["beech18.oaf", "ford_trimotor.raf", "spitfire.af"]):
        with open(os.path.join(textures, name), "wb") as out:
            out.write(texture_indices(seed))

if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "demo")
