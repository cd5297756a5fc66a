#include "app/core/MapScale.h"

#include <cmath>

namespace zuneigo {

std::int32_t CircleDiameter(std::int32_t km)
{
    if (km <= 0)
        return 0;
    // Truncation, not rounding: 150 km gives 82 pixels (82.28), 443 km gives 243.
    return static_cast<std::int32_t>(std::trunc(static_cast<double>(km) * PixelsPerKm * 2));
}

MapPoint CentredCircle(MapPoint marker, std::int32_t diameter)
{
    // Integer division truncates toward zero, as the marker box and circle are laid out.
    return {marker.X + MarkerSize / 2 - diameter / 2, marker.Y + MarkerSize / 2 - diameter / 2};
}

MapPoint MarkerForMapClick(std::int32_t x, std::int32_t y)
{
    return {x - MarkerOffset, y - MarkerOffset};
}

MapPoint MarkerForCircleClick(MapPoint marker, std::int32_t diameter, std::int32_t x, std::int32_t y)
{
    return {marker.X + x - diameter / 2, marker.Y + y - diameter / 2};
}

double DistanceKm(MapPoint a, MapPoint b)
{
    const double dx = static_cast<double>(static_cast<std::int64_t>(a.X) - b.X);
    const double dy = static_cast<double>(static_cast<std::int64_t>(a.Y) - b.Y);
    return std::sqrt(dx * dx + dy * dy) / PixelsPerKm;
}

} // namespace zuneigo
