"""The map of Germany (resources/map.gif) and the table of its large cities
(app/core/MapCities.h), both drawn through projection.py."""
import textwrap
from collections import Counter

from PIL import Image, ImageDraw

import gifout
import projection as proj

# Palette of the map; the test and the program's code tell the regions apart by
# these exact colours.
SEA = (160, 200, 236)
NEIGHBOUR = (240, 238, 230)
NEIGHBOUR_LINE = (168, 168, 160)
GERMANY = (252, 230, 160)
GERMANY_BORDER = (72, 52, 36)
CITY = (40, 40, 96)
PALETTE = [SEA, NEIGHBOUR, NEIGHBOUR_LINE, GERMANY, GERMANY_BORDER, CITY, (255, 255, 255), (0, 0, 0)]
I_SEA, I_NEIGHBOUR, I_NEIGHBOUR_LINE, I_GERMANY, I_BORDER, I_CITY = range(6)

# Fills are drawn this many times finer and reduced by majority, so coasts and
# borders keep their true course instead of the coarse polygon rasterizer's.
SUPERSAMPLE = 4

# The large cities: name (Windows-1252 text as a Python str), latitude, longitude of
# the city centre.
CITIES = [
    ("Berlin", 52.5200, 13.4050),
    ("Hamburg", 53.5511, 9.9937),
    ("M\u00fcnchen", 48.1374, 11.5755),
    ("K\u00f6ln", 50.9375, 6.9603),
    ("Frankfurt am Main", 50.1109, 8.6821),
    ("Stuttgart", 48.7758, 9.1829),
    ("D\u00fcsseldorf", 51.2277, 6.7735),
    ("Leipzig", 51.3397, 12.3731),
    ("Dortmund", 51.5136, 7.4653),
    ("Bremen", 53.0793, 8.8017),
    ("Dresden", 51.0504, 13.7373),
    ("Hannover", 52.3759, 9.7320),
    ("N\u00fcrnberg", 49.4521, 11.0767),
    ("Kiel", 54.3233, 10.1228),
    ("Rostock", 54.0924, 12.0991),
    ("Freiburg im Breisgau", 47.9990, 7.8421),
]

# Longitude and latitude box around the map: polygons wholly outside it are left out
# (the projection of far-away land would only waste time and could wrap around).
LON_RANGE = (-2.0, 24.0)
LAT_RANGE = (43.0, 59.0)


def _in_window(ring):
    lons = [p[0] for p in ring]
    lats = [p[1] for p in ring]
    return (max(lons) >= LON_RANGE[0] and min(lons) <= LON_RANGE[1]
            and max(lats) >= LAT_RANGE[0] and min(lats) <= LAT_RANGE[1])


def _project_ring(ring, scale=1):
    # Pillow puts integer coordinates on pixel centres; our pixel (i, j) spans
    # [i, i+1) x [j, j+1), hence the half-pixel shift.
    return [((x * scale) - 0.5, (y * scale) - 0.5)
            for x, y in (proj.to_map(lat, lon) for lon, lat in ring)]


def _country_polygons(topology):
    germany, neighbours = [], []
    for geometry in topology.geometries("countries"):
        name = geometry.get("properties", {}).get("name")
        polygons = [p for p in topology.polygons(geometry) if p and _in_window(p[0])]
        (germany if name == "Germany" else neighbours).extend(polygons)
    if not germany:
        raise RuntimeError("the boundary data has no country named Germany")
    return germany, neighbours


def _fill_polygons(image, polygons, index, scale):
    # Each polygon goes through a mask of its own: outer ring in, holes (enclaves,
    # lakes) out, so a hole keeps whatever was drawn there before.
    for outer, *holes in polygons:
        mask = Image.new("L", image.size, 0)
        draw = ImageDraw.Draw(mask)
        draw.polygon(_project_ring(outer, scale), fill=255)
        for hole in holes:
            draw.polygon(_project_ring(hole, scale), fill=0)
        image.paste(index, (0, 0, image.width, image.height), mask)


def _reduce_by_majority(fine, width, height, scale):
    data = fine.load()
    out = gifout.palette_image(width, height, PALETTE)
    pixels = out.load()
    for y in range(height):
        for x in range(width):
            votes = Counter(data[x * scale + i, y * scale + j] for j in range(scale) for i in range(scale))
            pixels[x, y] = votes.most_common(1)[0][0]
    return out


def city_table():
    """[(name, x, y, lat, lon)] with (x, y) the pixel the city centre lies in."""
    return [(name,) + proj.to_pixel(lat, lon) + (lat, lon) for name, lat, lon in CITIES]


def render_map(topology):
    germany, neighbours = _country_polygons(topology)
    w, h, s = proj.MAP_WIDTH, proj.MAP_HEIGHT, SUPERSAMPLE
    fine = gifout.palette_image(w * s, h * s, PALETTE, I_SEA)
    _fill_polygons(fine, neighbours, I_NEIGHBOUR, s)
    _fill_polygons(fine, germany, I_GERMANY, s)
    image = _reduce_by_majority(fine, w, h, s)

    draw = ImageDraw.Draw(image)
    for polygon in neighbours:
        for ring in polygon:
            draw.line(_project_ring(ring + ring[:1]), fill=I_NEIGHBOUR_LINE, width=1)
    for polygon in germany:
        for ring in polygon:
            draw.line(_project_ring(ring + ring[:1]), fill=I_BORDER, width=1)
    for _, x, y, _, _ in city_table():
        draw.rectangle([x - 1, y - 1, x + 1, y + 1], fill=I_CITY)
    return image


def _c_string(text):
    """A C++ string literal of the text's Windows-1252 bytes."""
    parts, current, last_was_hex = [], "", False
    for byte in text.encode("cp1252"):
        ch = chr(byte)
        if byte >= 0x80 or byte < 0x20 or ch in '"\\':
            current += "\\x%02X" % byte
            last_was_hex = True
            continue
        if last_was_hex and ch in "0123456789abcdefABCDEF":
            # A hex escape would swallow this digit: close the literal and open another.
            parts.append(current)
            current = ""
        current += ch
        last_was_hex = False
    parts.append(current)
    return " ".join('"%s"' % p for p in parts)


def write_city_header(path):
    rows = city_table()
    lines = [
        "#pragma once",
        "// Generated by tools/pictures/generate together with resources/map.gif; do not edit.",
        "// The large cities of the map of Germany: X, Y is the map pixel (196 x 260, origin",
        "// top-left, y downwards) that holds the city centre at Lat, Lon (degrees). A marker",
        "// whose centre is on the city has its top-left corner at (X - 4, Y - 4).",
    ] + ["// " + line for line in textwrap.wrap("Projection (tools/pictures/projection.py): " + proj.describe(), 86)] + [
        "#include <array>",
        "#include <string_view>",
        "",
        "namespace zuneigo {",
        "",
        "struct MapCity {",
        "    const char* Name; // Windows-1252",
        "    int X;",
        "    int Y;",
        "    double Lat;",
        "    double Lon;",
        "};",
        "",
        "inline constexpr std::array<MapCity, %d> MapCities = {{" % len(rows),
    ]
    for name, x, y, lat, lon in rows:
        lines.append("    {%s, %d, %d, %.4f, %.4f}," % (_c_string(name), x, y, lat, lon))
    lines += [
        "}};",
        "",
        "// The city of that name, or nullptr.",
        "inline const MapCity* FindMapCity(std::string_view name)",
        "{",
        "    for (const MapCity& city : MapCities) {",
        "        if (name == city.Name) {",
        "            return &city;",
        "        }",
        "    }",
        "    return nullptr;",
        "}",
        "",
        "} // namespace zuneigo",
        "",
    ]
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines))


def generate(topology, map_path, header_path):
    gifout.save_gif(render_map(topology), map_path)
    write_city_header(header_path)
