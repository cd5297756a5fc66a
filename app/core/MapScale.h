#pragma once
// Map geometry: positions are integer pixels of the 196 x 260 map image (origin top-left,
// y downwards). A marker's position is the top-left corner of its 9 x 9 box.
#include <cstdint>

namespace zuneigo {

inline constexpr double PixelsPerKm = 0.274266667;
inline constexpr int MapWidth = 196;
inline constexpr int MapHeight = 260;
inline constexpr int MarkerSize = 9;
inline constexpr int MarkerOffset = 4; // from the box's corner to the marker's centre

struct MapPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    friend bool operator==(const MapPoint&, const MapPoint&) = default;
};

// Diameter in pixels of the radius circle: trunc(km * PixelsPerKm * 2). A negative radius
// gives no circle rather than a box of negative size.
std::int32_t CircleDiameter(std::int32_t km);

// Top-left corner of a circle of the given diameter centred on the marker at marker.
MapPoint CentredCircle(MapPoint marker, std::int32_t diameter);

// Marker position after a click at (x, y) on the map: the marker's centre on the point.
MapPoint MarkerForMapClick(std::int32_t x, std::int32_t y);

// Marker position after a click at (x, y) inside the circle's box (relative to the box).
// With the circle centred on the marker this equals a map click on the same point.
MapPoint MarkerForCircleClick(MapPoint marker, std::int32_t diameter, std::int32_t x, std::int32_t y);

// Distance in km between two marker positions. The differences are taken in 64 bits, so
// far-out positions stay far away instead of wrapping around.
double DistanceKm(MapPoint a, MapPoint b);

} // namespace zuneigo
