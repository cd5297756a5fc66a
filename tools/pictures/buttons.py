"""The four 101 x 30 picture buttons of the bottom bar: Ueber and Ende, each in a
normal form (blue letters on a light grey rounded face) and a pressed form (yellow
letters on a darker grey face)."""
from PIL import Image, ImageDraw, ImageFont

import gifout

WIDTH, HEIGHT = 101, 30
# Drawn this many times larger and reduced, for smooth round corners and letters.
SCALE = 4
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
# The corners outside the rounded face: transparent, and the bar's grey where a
# viewer ignores transparency.
OUTSIDE = (212, 208, 200)

NORMAL = {
    "outline": (104, 104, 112), "top": (246, 246, 246), "bottom": (200, 200, 204),
    "highlight": (255, 255, 255), "letters": (16, 48, 176), "shadow": (255, 255, 255),
    "offset": 0,
}
PRESSED = {
    "outline": (56, 56, 64), "top": (112, 112, 118), "bottom": (150, 150, 156),
    "highlight": (96, 96, 102), "letters": (255, 216, 0), "shadow": (40, 40, 40),
    "offset": 1,
}


def _face(style):
    w, h, s = WIDTH * SCALE, HEIGHT * SCALE, SCALE
    radius = 8 * s
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, w - 1, h - 1], radius=radius, fill=255)

    gradient = Image.new("RGB", (w, h))
    draw = ImageDraw.Draw(gradient)
    for y in range(h):
        t = y / (h - 1)
        draw.line([(0, y), (w, y)], fill=tuple(round(a + (b - a) * t) for a, b in zip(style["top"], style["bottom"])))
    face = Image.new("RGB", (w, h), OUTSIDE)
    face.paste(gradient, (0, 0), mask)
    draw = ImageDraw.Draw(face)
    draw.rounded_rectangle([s, s, w - 1 - s, h - 1 - s], radius=radius - s, outline=style["highlight"], width=s)
    draw.rounded_rectangle([0, 0, w - 1, h - 1], radius=radius, outline=style["outline"], width=s)
    return face, mask


def _letters(face, word, style):
    s = SCALE
    font = ImageFont.truetype(FONT, 17 * s)
    draw = ImageDraw.Draw(face)
    left, top, right, bottom = draw.textbbox((0, 0), word, font=font)
    x = (face.width - (right - left)) // 2 - left + style["offset"] * s
    y = (face.height - (bottom - top)) // 2 - top + style["offset"] * s
    draw.text((x + s, y + s), word, font=font, fill=style["shadow"])
    draw.text((x, y), word, font=font, fill=style["letters"])


def render(word, style):
    face, mask = _face(style)
    _letters(face, word, style)
    small = face.resize((WIDTH, HEIGHT), Image.Resampling.LANCZOS)
    small_mask = mask.resize((WIDTH, HEIGHT), Image.Resampling.BOX)
    # Corner pixels that are mostly outside the face become transparent.
    outside = small_mask.point(lambda v: 255 if v < 96 else 0)
    return gifout.quantize(small, 64, outside, OUTSIDE)


PICTURES = [
    ("ueberbtn.gif", "Ueber", NORMAL),
    ("ueberbtn2.gif", "Ueber", PRESSED),
    ("endebtn.gif", "Ende", NORMAL),
    ("endebtndown.gif", "Ende", PRESSED),
]


def generate(out_dir):
    for name, word, style in PICTURES:
        image, transparent = render(word, style)
        gifout.save_gif(image, out_dir + "/" + name, transparent)
