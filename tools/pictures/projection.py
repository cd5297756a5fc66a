"""The map's projection: the one place that turns latitude and longitude into
pixels of resources/map.gif. The picture and the city table in app/core/MapCities.h
are both drawn through it, so a city's table position is where its dot is.

Lambert conformal conic on a sphere, standard parallels 48 deg 40' and 53 deg 40'
(they bracket Germany, so the scale error inside it stays below 0.2 %), at the
program's map scale of 0.274266667 pixels per kilometre.
"""
import math

PIXELS_PER_KM = 0.274266667
EARTH_RADIUS_KM = 6371.0
STANDARD_PARALLEL_1 = 48.0 + 40.0 / 60.0
STANDARD_PARALLEL_2 = 53.0 + 40.0 / 60.0
ORIGIN_LAT = 51.0
ORIGIN_LON = 10.5
# Pixel position of (ORIGIN_LAT, ORIGIN_LON); chosen so Germany sits centred.
ORIGIN_X = 99.5
ORIGIN_Y = 135.5

MAP_WIDTH = 196
MAP_HEIGHT = 260


def _t(lat_deg):
    return math.tan(math.pi / 4 + math.radians(lat_deg) / 2)


_N = (math.log(math.cos(math.radians(STANDARD_PARALLEL_1)) / math.cos(math.radians(STANDARD_PARALLEL_2)))
      / math.log(_t(STANDARD_PARALLEL_2) / _t(STANDARD_PARALLEL_1)))
_F = math.cos(math.radians(STANDARD_PARALLEL_1)) * _t(STANDARD_PARALLEL_1) ** _N / _N
_RHO0 = EARTH_RADIUS_KM * _F / _t(ORIGIN_LAT) ** _N


def project_km(lat, lon):
    """(east, north) in kilometres from the origin point."""
    rho = EARTH_RADIUS_KM * _F / _t(lat) ** _N
    theta = _N * math.radians(lon - ORIGIN_LON)
    return rho * math.sin(theta), _RHO0 - rho * math.cos(theta)


def to_map(lat, lon):
    """Continuous map position: the point lies in pixel (floor(x), floor(y))."""
    east, north = project_km(lat, lon)
    return ORIGIN_X + east * PIXELS_PER_KM, ORIGIN_Y - north * PIXELS_PER_KM


def to_pixel(lat, lon):
    x, y = to_map(lat, lon)
    return math.floor(x), math.floor(y)


def cone_constant():
    return _N


def describe():
    """One line naming the projection and its constants, for generated files."""
    return ("Lambert conformal conic on a sphere of radius %g km, standard parallels %.6f and %.6f N, "
            "origin %g N %g E at map position (%g, %g), %.9f pixels per km"
            % (EARTH_RADIUS_KM, STANDARD_PARALLEL_1, STANDARD_PARALLEL_2, ORIGIN_LAT, ORIGIN_LON,
               ORIGIN_X, ORIGIN_Y, PIXELS_PER_KM))
