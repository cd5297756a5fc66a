#include "app/core/MapCities.h"
#include "app/core/MapScale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace zuneigo;

TEST(MapScale, CircleDiameterTruncates)
{
    const std::pair<int, int> cases[] = {{0, 0}, {1, 0}, {2, 1}, {16, 8}, {17, 9}, {150, 82}, {443, 243}, {1000, 548}};
    for (const auto& [km, diameter] : cases)
        EXPECT_EQ(CircleDiameter(km), diameter) << km << " km";
    // A typed value above the field's maximum is used as typed.
    EXPECT_EQ(CircleDiameter(2000), 1097);
    EXPECT_EQ(CircleDiameter(-5), 0);
    EXPECT_GT(CircleDiameter(INT32_MAX), 0);
}

TEST(MapScale, CircleIsCentredOnTheMarker)
{
    EXPECT_EQ(CentredCircle({136, 120}, CircleDiameter(150)), (MapPoint{99, 83}));
    EXPECT_EQ(CentredCircle({136, 120}, 0), (MapPoint{140, 124}));
    EXPECT_EQ(CentredCircle({-4, -4}, 9), (MapPoint{-4, -4}));
    EXPECT_EQ(CentredCircle({0, 0}, 548), (MapPoint{-270, -270}));
}

TEST(MapScale, ClicksPutTheMarkerCentreOnThePoint)
{
    EXPECT_EQ(MarkerForMapClick(0, 0), (MapPoint{-4, -4}));
    EXPECT_EQ(MarkerForMapClick(140, 124), (MapPoint{136, 120}));

    // A click inside the circle's box lands where a click on the map at the same point
    // would, for even and odd diameters, and for a circle larger than the map.
    for (int km : {2, 17, 150, 443, 1000}) {
        const MapPoint marker{50, 70};
        const int d = CircleDiameter(km);
        const MapPoint circle = CentredCircle(marker, d);
        for (const MapPoint click : {MapPoint{0, 0}, MapPoint{d / 2, d / 2}, MapPoint{d - 1, 3}}) {
            const MapPoint moved = MarkerForCircleClick(marker, d, click.X, click.Y);
            EXPECT_EQ(moved, MarkerForMapClick(circle.X + click.X, circle.Y + click.Y)) << km << " km";
            // ...and the circle follows, still centred.
            EXPECT_EQ(CentredCircle(moved, d), (MapPoint{moved.X + 4 - d / 2, moved.Y + 4 - d / 2}));
        }
    }
}

TEST(MapScale, DistanceInKilometres)
{
    EXPECT_DOUBLE_EQ(DistanceKm({0, 0}, {0, 0}), 0.0);
    EXPECT_NEAR(DistanceKm({0, 0}, {3, 4}), 5 / 0.274266667, 1e-9);
    EXPECT_DOUBLE_EQ(DistanceKm({3, 4}, {0, 0}), DistanceKm({0, 0}, {-3, -4}));
    // The map's diagonal is about 1187 km.
    EXPECT_NEAR(DistanceKm({0, 0}, {MapWidth, MapHeight}), 1187.2, 0.1);
    EXPECT_GT(DistanceKm({INT32_MAX, 0}, {INT32_MIN, 0}), 1e10);
}

TEST(MapScale, DistancesBetweenLargeCitiesMatchTheGlobe)
{
    // Great-circle distances against the map's: the scale and the city table must agree
    // to a couple of per cent plus a pixel of rounding at each end.
    const auto greatCircle = [](const MapCity& a, const MapCity& b) {
        const double rad = 3.14159265358979323846 / 180;
        const double h = std::pow(std::sin((b.Lat - a.Lat) * rad / 2), 2) +
            std::cos(a.Lat * rad) * std::cos(b.Lat * rad) * std::pow(std::sin((b.Lon - a.Lon) * rad / 2), 2);
        return 2 * 6371 * std::asin(std::sqrt(h));
    };
    for (const MapCity& a : MapCities) {
        for (const MapCity& b : MapCities) {
            const double globe = greatCircle(a, b);
            const double map = DistanceKm(MarkerForMapClick(a.X, a.Y), MarkerForMapClick(b.X, b.Y));
            EXPECT_NEAR(map, globe, 0.02 * globe + 2 * 1.5 / PixelsPerKm) << a.Name << " - " << b.Name;
            // Between the dots themselves the table is closer still.
            EXPECT_NEAR(std::hypot(a.X - b.X, a.Y - b.Y) / PixelsPerKm, globe, std::max(0.02 * globe, 8.0)) << a.Name << " - " << b.Name;
        }
    }
    // Berlin to München is about 504 km: the scale is the program's, not a near miss.
    EXPECT_NEAR(greatCircle(*FindMapCity("Berlin"), *FindMapCity("M\374nchen")), 504, 3);
}
