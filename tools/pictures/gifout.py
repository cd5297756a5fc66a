"""Writing the pictures: palette images saved by PIL's GIF encoder as GIF89a."""
from PIL import Image


def palette_image(width, height, palette, fill=0):
    """A new palette image; palette is a list of (r, g, b), at most 256 of them."""
    image = Image.new("P", (width, height), fill)
    flat = bytearray()
    for rgb in palette:
        flat.extend(rgb)
    image.putpalette(bytes(flat))
    return image


def quantize(rgb_image, colours, transparent_mask=None, transparent_rgb=None):
    """An RGB rendering reduced to at most `colours` palette entries. Pixels under
    transparent_mask (an "L" image, 255 = transparent) get an entry of their own,
    index 0, whose colour is transparent_rgb; returns (image, transparent index)."""
    reduced = rgb_image.convert("RGB").quantize(colors=colours - (1 if transparent_mask else 0),
                                                method=Image.Quantize.MEDIANCUT,
                                                dither=Image.Dither.NONE)
    palette = reduced.getpalette()[: 3 * (colours - (1 if transparent_mask else 0))]
    entries = [tuple(palette[i:i + 3]) for i in range(0, len(palette), 3)]
    if not transparent_mask:
        out = palette_image(*rgb_image.size, entries)
        out.putdata(list(reduced.getdata()))
        return out, None
    # Keep the transparent colour unique: a reader leaves out every pixel of that colour.
    entries = [rgb if rgb != transparent_rgb else (rgb[0], rgb[1], rgb[2] ^ 1) for rgb in entries]
    out = palette_image(*rgb_image.size, [transparent_rgb] + entries)
    mask = list(transparent_mask.getdata())
    out.putdata([0 if m >= 128 else i + 1 for i, m in zip(reduced.getdata(), mask)])
    return out, 0


def save_gif(image, path, transparent=None):
    """Saves a palette image as GIF89a; transparent is a palette index or None."""
    image.info["version"] = b"89a"
    options = {}
    if transparent is not None:
        options["transparency"] = transparent
    # Rows in plain order: nothing here is shown while it loads.
    image.save(path, format="GIF", optimize=False, interlace=False, **options)
    with open(path, "rb") as f:
        if f.read(6) != b"GIF89a":
            raise RuntimeError(path + ": the encoder did not write GIF89a")
