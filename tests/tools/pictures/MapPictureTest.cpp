// The map of Germany and its city table: the scale holds across the country, the
// table's positions are where the cities are drawn, and they lie in Germany.
#include "app/core/MapCities.h"
#include "PilPicture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace zuneigo;
using zuneigo::test::DecodeWithPil;
using zuneigo::test::Rgb;

namespace {

constexpr double kPixelsPerKm = 0.274266667;
constexpr Rgb kGermany{252, 230, 160};
constexpr Rgb kGermanyBorder{72, 52, 36};
constexpr Rgb kCityDot{40, 40, 96};
constexpr Rgb kSea{160, 200, 236};
constexpr Rgb kNeighbour{240, 238, 230};

double GreatCircleKm(const MapCity& a, const MapCity& b)
{
    constexpr double kEarthRadiusKm = 6371.0;
    const double rad = std::acos(-1.0) / 180.0;
    const double dLat = (b.Lat - a.Lat) * rad;
    const double dLon = (b.Lon - a.Lon) * rad;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(a.Lat * rad) * std::cos(b.Lat * rad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadiusKm * std::asin(std::sqrt(h));
}

double MapKm(const MapCity& a, const MapCity& b)
{
    return std::hypot(double(a.X - b.X), double(a.Y - b.Y)) / kPixelsPerKm;
}

const std::vector<std::string> kCheckedCities = {
    "Berlin", "Hamburg", "M\xFC" "nchen", "K\xF6ln", "Frankfurt am Main",
    "Stuttgart", "Dresden", "Kiel", "Freiburg im Breisgau",
};

} // namespace

TEST(MapCities, DistancesOnTheMapMatchGreatCircles)
{
    std::vector<const MapCity*> cities;
    for (const std::string& name : kCheckedCities) {
        const MapCity* city = FindMapCity(name);
        ASSERT_NE(city, nullptr) << name;
        cities.push_back(city);
    }
    double worstRatio = 0;
    for (std::size_t i = 0; i < cities.size(); ++i) {
        for (std::size_t j = i + 1; j < cities.size(); ++j) {
            const double truth = GreatCircleKm(*cities[i], *cities[j]);
            const double onMap = MapKm(*cities[i], *cities[j]);
            const double allowed = std::max(0.02 * truth, 8.0);
            EXPECT_NEAR(onMap, truth, allowed) << cities[i]->Name << " - " << cities[j]->Name;
            worstRatio = std::max(worstRatio, std::abs(onMap - truth) / allowed);
        }
    }
    // Berlin to München is about 504 km: the scale is the program's, not a near miss.
    EXPECT_NEAR(GreatCircleKm(*FindMapCity("Berlin"), *FindMapCity("M\xFC" "nchen")), 504, 3);
    RecordProperty("worst_share_of_tolerance", std::to_string(worstRatio));
}

TEST(MapCities, TableHasDistinctNamedCitiesInsideTheMap)
{
    EXPECT_GE(MapCities.size(), 12u);
    std::set<std::string> names;
    std::set<std::pair<int, int>> positions;
    for (const MapCity& city : MapCities) {
        EXPECT_TRUE(names.insert(city.Name).second) << city.Name;
        EXPECT_TRUE(positions.insert({city.X, city.Y}).second) << city.Name;
        // Germany spans about 47.3 to 55.1 N and 5.9 to 15.0 E.
        EXPECT_GT(city.Lat, 47.2) << city.Name;
        EXPECT_LT(city.Lat, 55.1) << city.Name;
        EXPECT_GT(city.Lon, 5.8) << city.Name;
        EXPECT_LT(city.Lon, 15.1) << city.Name;
        // The city's dot (3 x 3) and the pixels around it lie on the map.
        EXPECT_GE(city.X, 2) << city.Name;
        EXPECT_LT(city.X, 196 - 2) << city.Name;
        EXPECT_GE(city.Y, 2) << city.Name;
        EXPECT_LT(city.Y, 260 - 2) << city.Name;
    }
    EXPECT_EQ(FindMapCity("Atlantis"), nullptr);
    EXPECT_EQ(FindMapCity("Muenchen"), nullptr); // names are Windows-1252, not transcribed
}

TEST(MapPicture, EveryCityDotLiesInGermany)
{
    const auto map = DecodeWithPil(test::SourceDir() + "/resources/map.gif");
    ASSERT_EQ(map.Width, 196);
    ASSERT_EQ(map.Height, 260);
    for (const MapCity& city : MapCities) {
        SCOPED_TRACE(city.Name);
        // The dot is drawn on the table's pixel ...
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                EXPECT_EQ(map.At(city.X + dx, city.Y + dy), kCityDot) << dx << "," << dy;
            }
        }
        // ... and just outside it the country is Germany.
        EXPECT_EQ(map.At(city.X + 2, city.Y), kGermany);
        EXPECT_EQ(map.At(city.X - 2, city.Y), kGermany);
        EXPECT_EQ(map.At(city.X, city.Y + 2), kGermany);
        EXPECT_EQ(map.At(city.X, city.Y - 2), kGermany);
    }
}

TEST(MapPicture, GermanysAreaMatchesTheScale)
{
    const auto map = DecodeWithPil(test::SourceDir() + "/resources/map.gif");
    ASSERT_EQ(map.Colour.size(), 196u * 260u);
    std::map<std::tuple<int, int, int>, int> counts;
    for (const Rgb& c : map.Colour) {
        ++counts[{c.R, c.G, c.B}];
    }
    auto count = [&](Rgb c) { return counts[{c.R, c.G, c.B}]; };
    // Only the map's own colours appear.
    const int known = count(kGermany) + count(kGermanyBorder) + count(kCityDot) + count(kSea)
        + count(kNeighbour) + count(Rgb{168, 168, 160});
    EXPECT_EQ(known, 196 * 260);
    // Germany covers 357,000 km2; its border line runs half inside, half outside.
    const double germanyPixels = count(kGermany) + count(kCityDot) + count(kGermanyBorder) / 2.0;
    const double expected = 357022.0 * kPixelsPerKm * kPixelsPerKm;
    EXPECT_NEAR(germanyPixels, expected, 0.03 * expected);
    EXPECT_GT(count(kSea), 2000);       // North Sea and Baltic
    EXPECT_GT(count(kNeighbour), 8000); // the countries around
    // The frame leaves room around the country: no Germany on the outermost pixels.
    for (int x = 0; x < 196; ++x) {
        EXPECT_NE(map.At(x, 0), kGermany);
        EXPECT_NE(map.At(x, 259), kGermany);
    }
    for (int y = 0; y < 260; ++y) {
        EXPECT_NE(map.At(0, y), kGermany);
        EXPECT_NE(map.At(195, y), kGermany);
    }
}
