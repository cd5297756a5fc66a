"""The maker's logo: a blue disc with a white "B" and an orange swoosh, 32 x 32 for
the about box and 16 x 16 for the homepage button."""
from PIL import Image, ImageDraw, ImageFont

import gifout
from icons import BACKGROUND

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
BLUE_DARK = (16, 40, 120)
BLUE = (40, 96, 200)
ORANGE = (255, 152, 24)
WHITE = (255, 255, 255)


def render(size):
    s = 16  # drawn this many times larger and reduced
    big = size * s
    layer = Image.new("RGBA", (big, big), BACKGROUND + (0,))
    draw = ImageDraw.Draw(layer)
    draw.ellipse([0, 0, big - 1, big - 1], fill=BLUE_DARK + (255,))
    inset = big // 16
    draw.ellipse([inset, inset, big - 1 - inset, big - 1 - inset], fill=BLUE + (255,))
    # The swoosh: a thick arc under the letter.
    draw.arc([big * 0.12, big * 0.10, big * 0.92, big * 0.86], start=20, end=160,
             fill=ORANGE + (255,), width=max(s, big // 11))
    font = ImageFont.truetype(FONT, int(big * 0.66))
    left, top, right, bottom = draw.textbbox((0, 0), "B", font=font)
    x = (big - (right - left)) // 2 - left
    y = (big - (bottom - top)) // 2 - top - big // 20
    draw.text((x, y), "B", font=font, fill=WHITE + (255,))

    small = layer.resize((size, size), Image.Resampling.LANCZOS)
    alpha = small.getchannel("A")
    flat = Image.new("RGB", (size, size), BACKGROUND)
    flat.paste(small.convert("RGB"), (0, 0), alpha)
    outside = alpha.point(lambda v: 255 if v < 64 else 0)
    return gifout.quantize(flat, 32 if size >= 32 else 16, outside, BACKGROUND)


def generate(out_dir):
    for size, name in ((32, "logo.gif"), (16, "logo-small.gif")):
        image, transparent = render(size)
        gifout.save_gif(image, out_dir + "/" + name, transparent)
