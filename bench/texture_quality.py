#!/usr/bin/python3
"""How good the textures look: Lumivane with and without its options beside
ImageMagick and Pillow, on pictures this script paints.

Pictures: liveries with thin lines and lettering at 1024 x 1024 and 512 x 512,
smooth gradients with shading (a sky, a shaded body at 600 x 400), and two
photograph-like pictures (clouds, a lit landscape at 800 x 600).

Error of a texture: the mean CIEDE2000 difference between (a) the source
averaged to 256 x 256 in sRGB values (Pillow's resize with BOX) and (b) the
texture, both blurred with a Gaussian of sigma 1 texture pixel (what the eye
sees from a little distance).

Ways: lumivane-convert as it is, with --smooth, with --dither and with both;
ImageMagick (convert -resize 256x256! -dither FloydSteinberg -remap PALETTE);
Pillow (resize BOX, then quantize to the palette with FLOYDSTEINBERG). All
use the texture palette, companion/texture_palette.pal.

Time: for each picture, COPIES files of it converted file to file (read,
convert, write the 65,536 bytes) by lumivane-convert -j 1 with both options
and without, and by Pillow (BOX and dithered quantize) in this process; RUNS
runs in turn, ms per file as median [lowest - highest], the ratio Pillow /
lumivane of each run (wall and CPU time: the machine may be shared), and
the minor page faults per file of each.

    bench/texture_quality.py [--no-build] [--runs N] [--copies N] [--work DIR] [--picture PNG]

--picture writes the before-and-after picture of the user guide (a piece of
the 1024 livery: the source, the texture as it is, the texture with both
options) and stops. Uses Debian's python3-pil, python3-numpy and
imagemagick; builds lumivane-convert (Release) in build/core-bench unless
--no-build is given.
"""
import argparse
import math
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "core-bench")
CONVERT = os.path.join(BUILD, "bin", "lumivane-convert")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def build():
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-DLUMIVANE_SANITIZE=OFF", "-DLUMIVANE_BENCH=ON",
                    "-DCMAKE_BUILD_TYPE=Release"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "-j2", "--target", "lumivane-convert"], check=True, stdout=subprocess.DEVNULL)


def palette_colours():
    with open(os.path.join(ROOT, "companion", "texture_palette.pal")) as pal:
        numbers = [int(n) for n in pal.read().split()[3:3 + 768]]
    return np.array(numbers, dtype=np.uint8).reshape(256, 3)


# ---------------------------------------------------------------- pictures

def font(size):
    try:
        return ImageFont.truetype(FONT, size)
    except OSError:
        return ImageFont.load_default()


def livery(side):
    """A texture sheet: shaded fuselage with cheat lines, windows, registration
    letters and small lettering, a thin diagonal line, a panelled wing."""
    s = side / 1024
    y = np.linspace(0, 1, side)[:, None, None]
    cream = np.array([236, 228, 200]) * (1.04 - 0.12 * y)
    image = Image.fromarray(np.broadcast_to(cream, (side, side, 3)).clip(0, 255).astype(np.uint8))
    # The fuselage band, shaded as a cylinder.
    top, bottom = int(300 * s), int(560 * s)
    across = np.linspace(-1, 1, bottom - top)[:, None, None]
    body = np.array([178, 38, 52]) * (0.55 + 0.45 * np.sqrt(1 - across ** 2 * 0.9))
    image.paste(Image.fromarray(np.broadcast_to(body, (bottom - top, side, 3)).clip(0, 255).astype(np.uint8)), (0, top))
    draw = ImageDraw.Draw(image)
    # Cheat lines of 4, 2 and 1 pixels at 1024.
    for at, width, colour in ((280, 4, (20, 30, 110)), (290, 2, (212, 175, 55)), (572, 1, (20, 30, 110)),
                              (580, 2, (212, 175, 55)), (588, 4, (20, 30, 110))):
        draw.rectangle([0, int(at * s), side, int(at * s) + max(1, int(width * s)) - 1], fill=colour)
    # Passenger windows.
    for x in range(60, 1000, 36):
        draw.rounded_rectangle([int(x * s), int(330 * s), int((x + 14) * s), int(350 * s)], radius=max(1, int(4 * s)),
                               fill=(30, 40, 60))
    # Registration and titles.
    draw.text((int(90 * s), int(380 * s)), "N-F98LV", font=font(int(150 * s)), fill=(250, 250, 250))
    draw.text((int(96 * s), int(528 * s)), "LUMIVANE AIR  -  CITY OF QUILLOMAR", font=font(int(22 * s)), fill=(240, 230, 120))
    # A wing with panel lines, and a thin diagonal line across the sheet.
    wing_top = int(700 * s)
    draw.rectangle([int(40 * s), wing_top, int(980 * s), int(980 * s)], fill=(196, 200, 206))
    for x in range(80, 980, 60):
        draw.line([(int(x * s), wing_top), (int(x * s), int(980 * s))], fill=(120, 124, 130), width=1)
    for y_line in range(740, 980, 48):
        draw.line([(int(40 * s), int(y_line * s)), (int(980 * s), int(y_line * s))], fill=(120, 124, 130), width=1)
    draw.text((int(300 * s), int(800 * s)), "N-F98LV", font=font(int(110 * s)), fill=(20, 30, 110))
    draw.line([(0, int(1000 * s)), (side, int(640 * s))], fill=(10, 10, 10), width=max(1, int(3 * s)))
    return image


def sky(side):
    """A clear sky from deep blue to a pale horizon, with the glow of the sun."""
    y = np.linspace(0, 1, side)[:, None]
    x = np.linspace(0, 1, side)[None, :]
    top, horizon = np.array([38, 88, 168]), np.array([205, 222, 238])
    t = (y ** 1.4)[..., None]
    colour = top * (1 - t) + horizon * t
    glow = np.exp(-((x - 0.7) ** 2 + (y - 0.85) ** 2) / 0.05)[..., None]
    colour = colour * (1 - 0.6 * glow) + np.array([255, 244, 214]) * 0.6 * glow
    return Image.fromarray(colour.clip(0, 255).astype(np.uint8))


def shaded_body(width, height):
    """A silver fuselage lit from above on a dusk background: smooth shading only."""
    y = np.linspace(-1, 1, height)[:, None]
    x = np.linspace(-1, 1, width)[None, :]
    background = np.array([70, 60, 96]) * (1 - 0.3 * y[..., None]) + np.array([40, 30, 10]) * (x[..., None] + 1) / 2
    inside = (y / 0.55) ** 2 + (x / 0.95) ** 8 < 1
    normal = np.clip(y / 0.55, -1, 1)
    light = 0.25 + 0.75 * np.clip(np.sqrt(1 - normal ** 2) * 0.8 - normal * 0.45, 0, 1)
    body = np.array([190, 196, 206]) * light[..., None] + np.array([30, 20, 0]) * (x[..., None] + 1) / 2
    colour = np.where(inside[..., None], body, background)
    return Image.fromarray(colour.clip(0, 255).astype(np.uint8))


def fractal_noise(width, height, seed, octaves=7):
    rng = np.random.default_rng(seed)
    total = np.zeros((height, width))
    for octave in range(octaves):
        cells = 2 ** (octave + 2)
        grid = Image.fromarray((rng.random((cells, cells)) * 255).astype(np.uint8))
        total += np.asarray(grid.resize((width, height), Image.BICUBIC), dtype=float) / 255 * 0.55 ** octave
    return (total - total.min()) / (total.max() - total.min())


def clouds(side):
    noise = fractal_noise(side, side, 7)
    y = np.linspace(0, 1, side)[:, None, None]
    sky_colour = np.array([52, 110, 190]) * (1 - y) + np.array([150, 190, 230]) * y
    cover = np.clip((noise - 0.45) * 3, 0, 1)[..., None]
    shade = (0.75 + 0.25 * noise)[..., None]
    colour = sky_colour * (1 - cover) + np.array([250, 250, 252]) * shade * cover
    return Image.fromarray(colour.clip(0, 255).astype(np.uint8))


def landscape(width, height):
    """Hills coloured by height and lit from the west, a hazy sky above."""
    ground = fractal_noise(width, height, 11)
    slope = np.gradient(ground, axis=1) * width / 8
    light = np.clip(0.8 - slope, 0.35, 1.2)[..., None]
    low, mid, high = np.array([60, 110, 45]), np.array([140, 130, 80]), np.array([235, 235, 240])
    h = ground[..., None]
    colour = np.where(h < 0.55, low + (mid - low) * h / 0.55, mid + (high - mid) * (h - 0.55) / 0.45) * light
    y = np.linspace(0, 1, height)[:, None, None]
    skyline = (0.3 + 0.15 * fractal_noise(width, 1, 12, 5))[None, :, :].transpose(0, 1, 2)
    haze = np.array([170, 195, 225]) * (1 - y * 0.3)
    colour = np.where(y < skyline.reshape(1, width, 1), haze, colour)
    return Image.fromarray(colour.clip(0, 255).astype(np.uint8))


def pictures():
    return [("livery 1024x1024", livery(1024)), ("livery 512x512", livery(512)), ("sky 1024x1024", sky(1024)),
            ("shaded body 600x400", shaded_body(600, 400)), ("clouds 1024x1024", clouds(1024)),
            ("landscape 800x600", landscape(800, 600))]


# ---------------------------------------------------------------- the error

def gaussian_blur(rgb, sigma=1.0):
    radius = int(math.ceil(4 * sigma))
    kernel = np.exp(-np.arange(-radius, radius + 1) ** 2 / (2 * sigma * sigma))
    kernel /= kernel.sum()
    out = rgb.astype(float)
    for axis in (0, 1):
        padded = np.pad(out, [(radius, radius) if a == axis else (0, 0) for a in range(3)], mode="reflect")
        out = sum(kernel[i] * np.take(padded, range(i, i + out.shape[axis]), axis=axis) for i in range(len(kernel)))
    return out


def srgb_to_lab(rgb):
    c = rgb / 255.0
    linear = np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)
    to_xyz = np.array([[0.4124564, 0.3575761, 0.1804375], [0.2126729, 0.7151522, 0.0721750], [0.0193339, 0.1191920, 0.9503041]])
    t = linear @ to_xyz.T / np.array([0.95047, 1.0, 1.08883])
    f = np.where(t > (6 / 29) ** 3, np.cbrt(t), t / (3 * (6 / 29) ** 2) + 4 / 29)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]), 200 * (f[..., 1] - f[..., 2])], axis=-1)


def ciede2000(lab1, lab2):
    """Sharma, Wu and Dalal's formulation."""
    L1, a1, b1 = lab1[..., 0], lab1[..., 1], lab1[..., 2]
    L2, a2, b2 = lab2[..., 0], lab2[..., 1], lab2[..., 2]
    c_bar = (np.hypot(a1, b1) + np.hypot(a2, b2)) / 2
    g = 0.5 * (1 - np.sqrt(c_bar ** 7 / (c_bar ** 7 + 25.0 ** 7)))
    a1p, a2p = (1 + g) * a1, (1 + g) * a2
    c1p, c2p = np.hypot(a1p, b1), np.hypot(a2p, b2)
    h1p = np.where((a1p == 0) & (b1 == 0), 0, np.degrees(np.arctan2(b1, a1p)) % 360)
    h2p = np.where((a2p == 0) & (b2 == 0), 0, np.degrees(np.arctan2(b2, a2p)) % 360)
    chroma_zero = c1p * c2p == 0
    dh = h2p - h1p
    dh = np.where(chroma_zero, 0, np.where(dh > 180, dh - 360, np.where(dh < -180, dh + 360, dh)))
    d_l, d_c = L2 - L1, c2p - c1p
    d_h = 2 * np.sqrt(c1p * c2p) * np.sin(np.radians(dh / 2))
    l_bar, cp_bar = (L1 + L2) / 2, (c1p + c2p) / 2
    h_sum = h1p + h2p
    h_bar = np.where(chroma_zero, h_sum, np.where(np.abs(h1p - h2p) <= 180, h_sum / 2,
                                                  np.where(h_sum < 360, (h_sum + 360) / 2, (h_sum - 360) / 2)))
    t = (1 - 0.17 * np.cos(np.radians(h_bar - 30)) + 0.24 * np.cos(np.radians(2 * h_bar)) +
         0.32 * np.cos(np.radians(3 * h_bar + 6)) - 0.20 * np.cos(np.radians(4 * h_bar - 63)))
    d_theta = 30 * np.exp(-((h_bar - 275) / 25) ** 2)
    r_c = 2 * np.sqrt(cp_bar ** 7 / (cp_bar ** 7 + 25.0 ** 7))
    s_l = 1 + 0.015 * (l_bar - 50) ** 2 / np.sqrt(20 + (l_bar - 50) ** 2)
    s_c = 1 + 0.045 * cp_bar
    s_h = 1 + 0.015 * cp_bar * t
    r_t = -np.sin(np.radians(2 * d_theta)) * r_c
    return np.sqrt((d_l / s_l) ** 2 + (d_c / s_c) ** 2 + (d_h / s_h) ** 2 + r_t * (d_c / s_c) * (d_h / s_h))


def check_ciede2000():
    """Three pairs of Sharma, Wu and Dalal's test data."""
    pairs = [((50, 2.6772, -79.7751), (50, 0, -82.7485), 2.0425), ((50, 2.5, 0), (73, 25, -18), 27.1492),
             ((60.2574, -34.0099, 36.2677), (60.4626, -34.1751, 39.4387), 1.2644)]
    for first, second, expected in pairs:
        got = float(ciede2000(np.array(first, dtype=float), np.array(second, dtype=float)))
        assert abs(got - expected) < 1e-4, (first, second, got, expected)


def error(source, texture_rgb):
    reference = np.asarray(source.resize((256, 256), Image.BOX), dtype=float)
    blurred = [srgb_to_lab(gaussian_blur(picture)) for picture in (reference, texture_rgb)]
    return float(ciede2000(*blurred).mean())


# ---------------------------------------------------------------- the ways

def read_texture(path, colours):
    indices = np.frombuffer(open(path, "rb").read(), dtype=np.uint8).reshape(256, 256)[::-1]  # bottom row first
    return colours[indices].astype(float)


def lumivane(source_path, out, options):
    subprocess.run([CONVERT, "to-af", "--force", "--quiet", "--out", out] + options + [source_path], check=True)
    return os.path.join(out, os.path.basename(source_path) + ".af")


def imagemagick(source_path, out, palette_png):
    target = os.path.join(out, "imagemagick.png")
    subprocess.run(["convert", source_path, "-resize", "256x256!", "-dither", "FloydSteinberg", "-remap", palette_png,
                    "-type", "TrueColor", target], check=True)
    return np.asarray(Image.open(target).convert("RGB"), dtype=float)


def pillow_texture(image, palette_image):
    return image.resize((256, 256), Image.BOX).quantize(palette=palette_image, dither=Image.Dither.FLOYDSTEINBERG)


WAYS = [("today", []), ("--smooth", ["--smooth"]), ("--dither", ["--dither"]), ("both", ["--smooth", "--dither"])]


# ---------------------------------------------------------------- time

def usage(who):
    """CPU seconds (user and system) and minor page faults so far."""
    used = resource.getrusage(who)
    return used.ru_utime + used.ru_stime, used.ru_minflt


def time_lumivane(files, out, options):
    """Wall ms, CPU ms and page faults per file; the process's start is counted in."""
    (cpu, faults), wall = usage(resource.RUSAGE_CHILDREN), time.perf_counter()
    subprocess.run([CONVERT, "to-af", "--force", "--quiet", "-j", "1", "--out", out] + options + files, check=True)
    (cpu_after, faults_after), wall_after = usage(resource.RUSAGE_CHILDREN), time.perf_counter()
    return ((wall_after - wall) / len(files) * 1e3, (cpu_after - cpu) / len(files) * 1e3, (faults_after - faults) / len(files))


def time_pillow(files, out, palette_image):
    (cpu, faults), wall = usage(resource.RUSAGE_SELF), time.perf_counter()
    for path in files:
        with Image.open(path) as image:
            texture = pillow_texture(image, palette_image)
        with open(os.path.join(out, os.path.basename(path) + ".af"), "wb") as f:
            f.write(texture.transpose(Image.FLIP_TOP_BOTTOM).tobytes())
    (cpu_after, faults_after), wall_after = usage(resource.RUSAGE_SELF), time.perf_counter()
    return ((wall_after - wall) / len(files) * 1e3, (cpu_after - cpu) / len(files) * 1e3, (faults_after - faults) / len(files))


def spread(values):
    return "%6.2f [%5.2f-%5.2f]" % (statistics.median(values), min(values), max(values))


# ---------------------------------------------------------------- the guide's picture

def guide_picture(path, work, colours):
    source = livery(1024)
    source_path = os.path.join(work, "livery.bmp")
    source.save(source_path)
    box = (24, 64, 184, 150)  # texture pixels: cheat lines, windows, registration, small lettering
    zoom = 2
    pieces = [source.resize((256, 256), Image.BOX)]
    for options in ([], ["--smooth", "--dither"]):
        rgb = read_texture(lumivane(source_path, work, options), colours)
        pieces.append(Image.fromarray(rgb.astype(np.uint8)))
    width, height = (box[2] - box[0]) * zoom, (box[3] - box[1]) * zoom
    label_height = 16
    sheet = Image.new("RGB", (3 * width + 2 * 6, height + label_height), (255, 255, 255))
    draw = ImageDraw.Draw(sheet)
    for i, (piece, label) in enumerate(zip(pieces, ("picture (area mean)", "texture, options off", "--smooth --dither"))):
        crop = piece.crop(box).resize((width, height), Image.NEAREST)
        sheet.paste(crop, (i * (width + 6), label_height))
        draw.text((i * (width + 6) + 2, 2), label, font=font(11), fill=(0, 0, 0))
    sheet.save(path, optimize=True)
    print("wrote", path)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--no-build", action="store_true")
    for number, default in (("--runs", 5), ("--copies", 20)):
        parser.add_argument(number, type=int, default=default)
    for path in ("--work", "--picture"):
        parser.add_argument(path)
    args = parser.parse_args()
    check_ciede2000()
    if not args.no_build:
        build()
    work = args.work or tempfile.mkdtemp(prefix="lumivane-quality-")
    os.makedirs(work, exist_ok=True)
    colours = palette_colours()
    palette_image = Image.new("P", (1, 1))
    palette_image.putpalette(colours.flatten().tolist())
    palette_png = os.path.join(work, "palette.png")
    Image.fromarray(colours.reshape(16, 16, 3)).save(palette_png)
    try:
        if args.picture:
            guide_picture(args.picture, work, colours)
            return 0
        named = []
        for name, image in pictures():
            path = os.path.join(work, name.split()[0] + "_" + name.split()[-1] + ".bmp")
            image.save(path)
            named.append((name, path, image))

        print("Mean CIEDE2000 between the source averaged to 256 x 256 and the texture, both blurred (sigma 1);")
        print("lower is better. The last column: both options over the lowest of the other ways.")
        header = ["picture"] + [way for way, _ in WAYS] + ["ImageMagick", "Pillow", "both/best"]
        print("%-22s" % header[0] + "".join("%12s" % h for h in header[1:]))
        for name, path, image in named:
            errors = [error(image, read_texture(lumivane(path, work, options), colours)) for _, options in WAYS]
            errors.append(error(image, imagemagick(path, work, palette_png)))
            errors.append(error(image, np.asarray(pillow_texture(image, palette_image).convert("RGB"), dtype=float)))
            best_other = min(errors[:3] + errors[4:])
            print("%-22s" % name + "".join("%12.3f" % e for e in errors) + "%12.3f" % (errors[3] / best_other))
            sys.stdout.flush()

        print()
        print("Time per file, read + convert + write, %d copies of each picture, %d runs in turn: ms median" % (args.copies, args.runs))
        print("[lowest-highest]; ratio = Pillow / lumivane with both options, per run (higher is better for us);")
        print("CPU counts user and system time; minor page faults per file.")
        print("%-22s %-4s %21s %21s %21s %20s" % ("picture", "", "lumivane today", "lumivane both", "Pillow BOX+FS", "ratio"))
        for name, path, image in named:
            folder = os.path.join(work, "copies-" + os.path.basename(path))
            out = os.path.join(work, "out-" + os.path.basename(path))
            os.makedirs(folder, exist_ok=True)
            os.makedirs(out, exist_ok=True)
            files = []
            for i in range(args.copies):
                files.append(os.path.join(folder, "copy%02d.bmp" % i))
                shutil.copyfile(path, files[-1])
            today, both, pillow = [], [], []
            for _ in range(args.runs):
                for f in files:
                    open(f, "rb").read()
                today.append(time_lumivane(files, out, []))
                both.append(time_lumivane(files, out, ["--smooth", "--dither"]))
                pillow.append(time_pillow(files, out, palette_image))
            for kind, at in (("wall", 0), ("CPU", 1)):
                print("%-22s %-4s %21s %21s %21s %20s" % (
                    name if at == 0 else "", kind, spread([t[at] for t in today]), spread([t[at] for t in both]),
                    spread([t[at] for t in pillow]), spread([p[at] / b[at] for p, b in zip(pillow, both)])))
            print("%-22s %-4s %21.1f %21.1f %21.1f" % ("", "flts", statistics.median(t[2] for t in today),
                                                      statistics.median(t[2] for t in both), statistics.median(t[2] for t in pillow)))
            sys.stdout.flush()
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
