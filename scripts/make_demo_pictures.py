#!/usr/bin/env python3
"""Paints the demo workspace's liveries: for each aircraft one bitmap laid out
as a texture sheet is (the fuselage's side with its windows, cheatline, tail
and registration above, a wing seen from above below), in the Bitmaps folder
under the name the program gives a converted texture (`dc3.oaf.bmp` for the
texture `dc3.oaf`). The textures are made from them with the converter
(scripts/wine_env.sh, make_demo_workspace); this script paints only.

Usage: make_demo_pictures.py WORKSPACE"""
import os
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFont

FONT_FILES = ("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",)


def font(size):
    for path in FONT_FILES:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def vertical_gradient(draw, box, top, middle, bottom):
    """A cylinder's shading: light at the top, brightest a third of the way
    down, darker towards the belly."""
    left, upper, right, lower = box
    for y in range(upper, lower):
        t = (y - upper) / max(1, lower - upper - 1)
        colour = mix(top, middle, t / 0.35) if t < 0.35 else mix(middle, bottom, (t - 0.35) / 0.65)
        draw.line([(left, y), (right, y)], fill=colour)


def horizontal_gradient(draw, box, near, far):
    left, upper, right, lower = box
    for x in range(left, right):
        draw.line([(x, upper), (x, lower)], fill=mix(near, far, (x - left) / max(1, right - left - 1)))


def paint_livery(scheme, size):
    """One texture sheet, drawn at 4 times the size and reduced, so that the
    edges are smooth as a painter's would be."""
    scale = 4
    width, height = size[0] * scale, size[1] * scale
    sheet = Image.new("RGB", (width, height), scheme["sky"])
    draw = ImageDraw.Draw(sheet)
    s = lambda value: round(value * width / 256)  # noqa: E731  (layout in 256ths of the sheet's width)
    t = lambda value: round(value * height / 256)  # noqa: E731

    # Fuselage: a long body with a rounded nose and a tapering tail cone.
    body_top, body_bottom = t(40), t(112)
    body = Image.new("L", (width, height), 0)
    shape = ImageDraw.Draw(body)
    shape.rounded_rectangle([s(6), body_top, s(196), body_bottom], radius=t(34), fill=255)
    shape.polygon([(s(170), body_top), (s(250), t(62)), (s(250), t(80)), (s(170), body_bottom)], fill=255)
    paint = Image.new("RGB", (width, height))
    vertical_gradient(ImageDraw.Draw(paint), (0, body_top, width, body_bottom), *scheme["body"])
    sheet.paste(paint, (0, 0), body)

    # Tail fin and rudder above the tail cone.
    fin = [(s(200), t(44)), (s(222), t(8)), (s(246), t(6)), (s(250), t(62))]
    draw.polygon(fin, fill=scheme["tail"])
    draw.line([(s(236), t(8)), (s(240), t(62))], fill=mix(scheme["tail"], (0, 0, 0), 0.45), width=scale)
    draw.ellipse([s(222), t(18), s(238), t(34)], fill=scheme["logo"])

    # Cheatline along the windows, with a thin line of the second colour.
    stripe = Image.new("RGB", (width, height), scheme["stripe"])
    band = Image.new("L", (width, height), 0)
    ImageDraw.Draw(band).polygon([(s(14), t(68)), (s(250), t(66)), (s(250), t(76)), (s(10), t(80))], fill=255)
    sheet.paste(stripe, (0, 0), ImageChops.multiply(band, body))
    thin = Image.new("L", (width, height), 0)
    ImageDraw.Draw(thin).line([(s(10), t(84)), (s(250), t(79))], fill=255, width=t(2))
    sheet.paste(Image.new("RGB", (width, height), scheme["trim"]), (0, 0), ImageChops.multiply(thin, body))

    # Cockpit glazing, cabin windows and the door.
    draw.polygon([(s(14), t(56)), (s(30), t(50)), (s(34), t(62)), (s(14), t(64))], fill=(40, 55, 80))
    for x in range(46, 168, 13):
        draw.rounded_rectangle([s(x), t(56), s(x + 7), t(64)], radius=s(2), fill=(35, 45, 70))
        draw.line([(s(x + 1), t(57)), (s(x + 5), t(57))], fill=(150, 175, 210), width=scale)
    draw.rounded_rectangle([s(172), t(52), s(184), t(96)], radius=s(2), outline=mix(scheme["body"][1], (0, 0, 0), 0.5),
                           width=scale)

    # Registration on the rear fuselage.
    letters = font(t(20))
    draw.text((s(92), t(90)), scheme["registration"], font=letters, fill=scheme["letters"], anchor="mm")

    # A wing seen from above: tapering planform, shaded chordwise, with its
    # aileron hinge line, a roundel or the registration again.
    wing = [(s(6), t(150)), (s(250), t(164)), (s(250), t(206)), (s(6), t(242))]
    wing_mask = Image.new("L", (width, height), 0)
    ImageDraw.Draw(wing_mask).polygon(wing, fill=255)
    wing_paint = Image.new("RGB", (width, height))
    wing_draw = ImageDraw.Draw(wing_paint)
    for y in range(t(150), t(242)):
        shade = (y - t(150)) / max(1, t(242) - t(150))
        wing_draw.line([(0, y), (width, y)], fill=mix(scheme["wing"][0], scheme["wing"][1], shade))
    sheet.paste(wing_paint, (0, 0), wing_mask)
    draw.line([(s(120), t(217)), (s(250), t(199))], fill=mix(scheme["wing"][1], (0, 0, 0), 0.4), width=scale)
    draw.line([(s(120), t(217)), (s(120), t(228))], fill=mix(scheme["wing"][1], (0, 0, 0), 0.4), width=scale)
    draw.polygon([(s(228), t(163)), (s(250), t(164)), (s(250), t(172)), (s(228), t(171))], fill=scheme["stripe"])
    if scheme.get("roundel"):
        for radius, colour in zip((22, 15, 7), scheme["roundel"]):
            draw.ellipse([s(176 - radius * 0.7), t(186 - radius), s(176 + radius * 0.7), t(186 + radius)], fill=colour)
    else:
        draw.text((s(110), t(194)), scheme["registration"], font=font(t(26)), fill=scheme["letters"], anchor="mm")

    # The cheatline's colour fading into the wing's, for the stabiliser.
    horizontal_gradient(draw, (s(6), t(122), s(250), t(140)), scheme["stripe"], scheme["wing"][0])
    return sheet.resize(size, Image.LANCZOS)


SCHEMES = {
    # name of the bitmap: (size, scheme)
    "beech18.raf.bmp": ((256, 256), {
        "sky": (214, 222, 230), "body": ((250, 250, 252), (235, 238, 242), (150, 158, 170)),
        "stripe": (22, 60, 150), "trim": (220, 170, 30), "tail": (22, 60, 150), "logo": (220, 170, 30),
        "letters": (22, 60, 150), "registration": "N80Q", "wing": ((235, 238, 242), (170, 178, 190))}),
    "dc3.oaf.bmp": ((256, 256), {
        "sky": (200, 205, 210), "body": ((232, 234, 238), (200, 205, 212), (110, 116, 126)),
        "stripe": (190, 25, 35), "trim": (30, 30, 60), "tail": (190, 25, 35), "logo": (245, 245, 245),
        "letters": (30, 30, 60), "registration": "NC1945", "wing": ((215, 218, 224), (140, 146, 156))}),
    "cub.af.bmp": ((512, 512), {
        "sky": (210, 225, 235), "body": ((255, 236, 120), (245, 205, 40), (170, 125, 10)),
        "stripe": (25, 25, 25), "trim": (25, 25, 25), "tail": (245, 205, 40), "logo": (25, 25, 25),
        "letters": (25, 25, 25), "registration": "N3721K", "wing": ((255, 225, 80), (200, 150, 20))}),
    "spitfire.af.bmp": ((256, 256), {
        "sky": (170, 180, 160), "body": ((120, 130, 90), (95, 105, 70), (150, 160, 150)),
        "stripe": (200, 190, 140), "trim": (200, 190, 140), "tail": (110, 85, 60), "logo": (200, 40, 40),
        "letters": (40, 40, 40), "registration": "MH434", "wing": ((95, 105, 70), (110, 85, 60)),
        "roundel": ((230, 190, 40), (30, 50, 140), (200, 40, 40))}),
}


def main(workspace):
    bitmaps = os.path.join(workspace, "Bitmaps")
    os.makedirs(bitmaps, exist_ok=True)
    os.makedirs(os.path.join(workspace, "Textures"), exist_ok=True)
    for name, (size, scheme) in SCHEMES.items():
        paint_livery(scheme, size).save(os.path.join(bitmaps, name))
    # One 8-bit bitmap as paint programs save them with their own palette.
    small = paint_livery(SCHEMES["dc3.oaf.bmp"][1], (200, 200)).convert("P", palette=Image.ADAPTIVE, colors=256)
    small.save(os.path.join(bitmaps, "dc3_8bit.bmp"))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "demo")
