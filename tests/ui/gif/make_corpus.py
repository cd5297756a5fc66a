"""Writes a corpus of GIF pictures made by real encoders (Python's PIL, ImageMagick's
convert, giflib's gifbuild and giftool) into the folder given as the only argument.

Usage: /usr/bin/python3 make_corpus.py OUTDIR
"""
import os
import random
import subprocess
import sys

from PIL import Image

out = sys.argv[1]
rng = random.Random(20261208)


def path(name):
    return os.path.join(out, name)


def noise_image(w, h, colours):
    im = Image.new("P", (w, h))
    im.putdata([rng.randrange(colours) for _ in range(w * h)])
    pal = []
    for i in range(256):
        pal += [rng.randrange(256), rng.randrange(256), rng.randrange(256)]
    im.putpalette(pal)
    return im


def smooth_image(w, h, colours):
    # Gradients with runs, so the LZW table holds long strings.
    im = Image.new("P", (w, h))
    im.putdata([((x // 3 + y // 5) * colours // max(1, (w // 3 + h // 5))) % colours
                for y in range(h) for x in range(w)])
    im.putpalette([(i * 37) % 256 for i in range(768)])
    return im


# --- PIL -------------------------------------------------------------------
for colours, (w, h) in [(2, (37, 23)), (4, (64, 48)), (16, (101, 30)), (128, (196, 260)), (256, (300, 211))]:
    for interlace in (0, 1):
        noise_image(w, h, colours).save(path(f"pil_noise_{colours}c_i{interlace}.gif"), interlace=interlace)
        smooth_image(w, h, colours).save(path(f"pil_smooth_{colours}c_i{interlace}.gif"), interlace=interlace)

# PIL writes GIF87a when nothing needs 89a.
noise_image(20, 20, 16).save(path("pil_87a.gif"))
for w, h in [(1, 1), (1, 5000), (5000, 1)]:
    smooth_image(w, h, 16).save(path(f"pil_{w}x{h}.gif"))
    noise_image(w, h, 256).save(path(f"pil_noise_{w}x{h}.gif"))

# Transparency, comment, delay, disposal and a loop count.
noise_image(50, 40, 8).save(path("pil_transparent.gif"), transparency=3, comment=b"Made for the reader's tests",
                            duration=130, disposal=2, loop=7)

# Animation: frames with their own colour tables, smaller than the screen and offset
# (PIL crops each frame to what changed), transparency and a loop.
frames = []
base = noise_image(80, 60, 64).convert("RGB")
for k in range(4):
    f = base.copy()
    for y in range(10 + 5 * k, 30 + 5 * k):
        for x in range(20 + 7 * k, 45 + 7 * k):
            f.putpixel((x, y), ((k * 60) % 256, 255 - k * 40, (x * y) % 256))
    frames.append(f.quantize(colors=[256, 64, 32, 128][k]))
frames[0].save(path("pil_anim.gif"), save_all=True, append_images=frames[1:], duration=[50, 80, 120, 30], loop=0,
               disposal=[0, 1, 2, 1], optimize=False)
frames[0].save(path("pil_anim_interlaced.gif"), save_all=True, append_images=frames[1:], duration=40, loop=2,
               interlace=1)

# --- ImageMagick -----------------------------------------------------------
convert = "/usr/bin/convert"


def magick(*args):
    subprocess.run([convert, *args], check=True)


magick("-size", "200x150", "plasma:fractal", "-colors", "256", "-interlace", "GIF", path("im_plasma_256_i.gif"))
magick("-size", "200x150", "plasma:fractal", "-colors", "256", "-interlace", "none", path("im_plasma_256.gif"))
magick("-size", "123x77", "xc:gray", "+noise", "Random", "-colors", "128", path("im_noise_128.gif"))
magick("-size", "64x64", "gradient:red-blue", "-colors", "4", "-interlace", "GIF", path("im_gradient_4_i.gif"))
magick("-size", "64x64", "gradient:black-white", "-monochrome", path("im_mono.gif"))
magick("-size", "90x40", "plasma:fractal", "-colors", "16", "gif87:" + path("im_87a.gif"))
magick("-size", "40x30", "xc:none", "-fill", "red", "-draw", "circle 20,15 20,5", path("im_transparent.gif"))
magick("-size", "60x50", "plasma:fractal", "-colors", "32", "-set", "comment", "ImageMagick comment line",
       path("im_comment.gif"))
magick("-size", "1x5", "gradient:white-black", "-colors", "5", "-interlace", "GIF", path("im_1x5_i.gif"))
magick("-size", "3x17", "gradient:yellow-green", "-colors", "8", "-interlace", "GIF", path("im_3x17_i.gif"))
# Frames offset in a larger screen, each with its own colours, delays, disposal and loop.
magick("-dispose", "Background", "-delay", "25", "-loop", "4",
       "(", "-size", "70x50", "plasma:fractal", "-colors", "200", "-repage", "100x80+0+0", ")",
       "(", "-size", "30x20", "gradient:blue-yellow", "-colors", "16", "-repage", "100x80+40+35", ")",
       "(", "-size", "25x25", "xc:green", "-fill", "white", "-draw", "point 3,3", "-repage", "100x80+7+50", ")",
       "+remap", path("im_anim_offsets.gif"))

# --- giflib's tools --------------------------------------------------------
gifbuild = "/usr/bin/gifbuild"
giftool = "/usr/bin/giftool"


def build(name, text):
    r = subprocess.run([gifbuild], input=text.encode("latin-1"), capture_output=True, check=True)
    with open(path(name), "wb") as f:
        f.write(r.stdout)


screen = ("screen width 8\nscreen height 6\nscreen colors 4\nscreen background 1\nscreen map\n"
          "\trgb 000 000 000 is 0\n\trgb 255 000 000 is 1\n\trgb 000 255 000 is 2\n\trgb 000 000 255 is 3\nend\n")
image = "image # 1\nimage left 0\nimage top 0\nimage bits 8 by 6\n" + "".join(
    "".join(str((x + y) % 4) for x in range(8)) + "\n" for y in range(6))
build("gb_comments.gif", screen + "comment\nbefore the image\nend\n" + image
      + "comment\nfirst comment\nsecond line\nend\ncomment\nlast comment\nend\n")
build("gb_plaintext.gif", screen + "graphics control\n\ttransparent index 2\n\tdelay 9\nend\n"
      + "plaintext\n0123456789ab\nHello\nend\n" + image)
build("gb_netscape.gif", screen + "netscape loop 12\n" + image)
build("gb_extension.gif", screen + "extension ff\nXMP DataXMP\nsome data\nend\n" + image)
build("gb_local.gif", screen + image.replace("image bits", "image map\n\trgb 010 020 030 is 0\n\trgb 040 050 060 is 1\n"
                                                            "\trgb 070 080 090 is 2\n\trgb 100 110 120 is 3\nend\nimage bits"))


def tool(name, src, *args):
    with open(path(src), "rb") as f:
        data = f.read()
    r = subprocess.run([giftool, *args], input=data, capture_output=True, check=True)
    with open(path(name), "wb") as f:
        f.write(r.stdout)


# giflib re-encodes the pictures with its own encoder.
tool("gt_interlaced.gif", "pil_noise_256c_i0.gif", "-i", "1")
tool("gt_anim_deinterlaced.gif", "pil_anim_interlaced.gif", "-i", "0")
