"""The small pictures, drawn pixel by pixel: the two 16 x 16 tab pictures, the
18 x 19 check mark of the submit button with its grey disabled form, and the
16 x 16 picture of the download button. '.' is the transparent background."""
import gifout

# The transparent background's colour where a viewer ignores transparency.
BACKGROUND = (212, 208, 200)

COLOURS = {
    "k": (0, 0, 0),
    "K": (64, 64, 64),
    "w": (255, 255, 255),
    "l": (200, 200, 200),
    "g": (128, 128, 128),
    "y": (255, 224, 32),
    "o": (184, 128, 0),
    "b": (64, 144, 255),
    "B": (0, 32, 160),
    "n": (0, 0, 128),
    "s": (248, 200, 160),
    "S": (200, 136, 96),
    "G": (0, 160, 0),
    "D": (0, 96, 0),
    "L": (96, 224, 96),
    "c": (112, 176, 216),
    "C": (40, 88, 136),
    "v": (184, 224, 248),
}

# "Person suchen": a blue arrow pointing up and right out of a yellow frame. The
# frame is drawn here; the arrow is laid over it by _search_picture().
SEARCH_FRAME = [
    "................",
    "................",
    "................",
    "................",
    "oooooooooooo....",
    "oyyyyyyyyyyo....",
    "oyyyyyyyyyyo....",
    "oyywwwwwwyyo....",
    "oyywwwwwwyyo....",
    "oyywwwwwwyyo....",
    "oyywwwwwwyyo....",
    "oyywwwwwwyyo....",
    "oyywwwwwwyyo....",
    "oyyyyyyyyyyo....",
    "oyyyyyyyyyyo....",
    "oooooooooooo....",
]


def _in_arrow(x, y):
    head = x - y >= 9 and x <= 15 and y >= 0
    shaft = 14 <= x + y <= 16 and -7 <= x - y < 9
    return head or shaft


def _search_picture():
    rows = [list(r) for r in SEARCH_FRAME]
    for y in range(16):
        for x in range(16):
            if _in_arrow(x, y):
                edge = any(not (0 <= x + dx < 16 and 0 <= y + dy < 16) or not _in_arrow(x + dx, y + dy)
                           for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                rows[y][x] = "B" if edge else "b"
    return ["".join(r) for r in rows]


# "Person eintragen": a hand with a pen over a sheet with lines.
TAB_ENTRY = [
    "kkkkkkkkkkk.....",
    "kwwwwwwwwwk.....",
    "kwggggggwwk.....",
    "kwwwwwwwwwk...nn",
    "kwggggggwwk..nBn",
    "kwwwwwwwwwk.nBn.",
    "kwgggggwwwknBn..",
    "kwwwwwwwwwnBn...",
    "kwggggwwwnBnSS..",
    "kwwwwwwwkBnSssS.",
    "kwgggwwwSnssssS.",
    "kwwwwwwSssssssS.",
    "kwwwwwwSsssssS..",
    "kwwwwwwwSSsssS..",
    "kkkkkkkkkkSSS...",
    "................",
]

# The submit button's check mark, 18 x 19.
CHECK = [
    "..................",
    "..................",
    "..................",
    "..................",
    "..............DD..",
    ".............DGGD.",
    "............DGLGD.",
    "...........DGLGD..",
    "..........DGLGD...",
    "..DD.....DGLGD....",
    ".DGGD...DGLGD.....",
    ".DGLGD.DGLGD......",
    "..DGLGDGLGD.......",
    "...DGLGLGD........",
    "....DGLGD.........",
    ".....DGD..........",
    "......D...........",
    "..................",
    "..................",
]

# The download button: a database cylinder with a green arrow coming down into it.
DOWNLOAD = [
    "......DDDD......",
    "......DLGD......",
    "......DLGD......",
    "......DLGD......",
    "...DDDDLGDDDD...",
    "....DGLLGGGD....",
    ".....DGLGGD.....",
    "..CCCCDGGDCCCC..",
    ".CvvvvvDDvvvvvC.",
    ".CcvvvvvvvvvvcC.",
    ".CCcccccccccCCC.",
    ".CvCCCCCCCCCCcC.",
    ".CccvvvvvvvvccC.",
    ".CCcccccccccCCC.",
    ".CvCCCCCCCCCCcC.",
    "..CCCCCCCCCCCC..",
]


def _grid_image(rows, colour_of):
    height, width = len(rows), len(rows[0])
    if any(len(r) != width for r in rows):
        raise ValueError("picture rows differ in length")
    letters = sorted({ch for row in rows for ch in row if ch != "."})
    palette = [BACKGROUND] + [colour_of(ch) for ch in letters]
    # Pad to a power of two: the file's colour table has that size anyway.
    size = 2
    while size < len(palette):
        size *= 2
    palette += [(0, 0, 0)] * (size - len(palette))
    image = gifout.palette_image(width, height, palette, 0)
    image.putdata([0 if ch == "." else letters.index(ch) + 1 for row in rows for ch in row])
    return image


def _disabled(rows):
    """The grey disabled form: the shape in grey, with a white copy one pixel down
    and to the right, as a disabled push button shows its picture."""
    height, width = len(rows), len(rows[0])
    out = [["."] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            if rows[y][x] != "." and y + 1 < height and x + 1 < width:
                out[y + 1][x + 1] = "w"
    for y in range(height):
        for x in range(width):
            if rows[y][x] != ".":
                out[y][x] = "g"
    return ["".join(r) for r in out]


def _save(rows, path):
    gifout.save_gif(_grid_image(rows, COLOURS.__getitem__), path, transparent=0)


def generate(out_dir):
    _save(_search_picture(), out_dir + "/tab-suchen.gif")
    _save(TAB_ENTRY, out_dir + "/tab-eintragen.gif")
    _save(CHECK, out_dir + "/check.gif")
    _save(_disabled(CHECK), out_dir + "/check-disabled.gif")
    _save(DOWNLOAD, out_dir + "/download.gif")
