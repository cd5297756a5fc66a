// The map of Germany and its city table: the table's positions are where the cities are
// drawn, they lie in Germany, and the country's area fits the scale. (Distances between
// the cities against the globe are checked with the map scale in tests/app/core.)
#include "app/core/MapCities.h"
#include "PilPicture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

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

} // namespace

TEST(MapCities, TableHasDistinctNamedCitiesInsideTheMap)
{
    EXPECT_GE(MapCities.size(), 12u);
    std::set<std::string> names;
    std::set<std::pair<int, int>> positions;
    for (const MapCity& city : MapCities) {
        EXPECT_TRUE(names.insert(city.Name).second) << city.Name;
        EXPECT_TRUE(positions.insert({city.X, city.Y}).second) << city.Name;
        // Germany spans about 47.3 to 55.1 N and 5.9 to 15.0 E.
        EXPECT_TRUE(city.Lat > 47.2 && city.Lat < 55.1 && city.Lon > 5.8 && city.Lon < 15.1) << city.Name;
        // The city's dot (3 x 3) and the pixels around it lie on the map.
        EXPECT_TRUE(city.X >= 2 && city.X < 196 - 2 && city.Y >= 2 && city.Y < 260 - 2) << city.Name;
    }
    for (const char* name : {"Berlin", "Hamburg", "M\374nchen", "K\xF6ln", "Frankfurt am Main", "Stuttgart", "Dresden", "Kiel"})
        EXPECT_NE(FindMapCity(name), nullptr) << name;
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
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                EXPECT_EQ(map.At(city.X + dx, city.Y + dy), kCityDot) << dx << "," << dy;
        // ... and just outside it the country is Germany.
        for (const auto& [dx, dy] : {std::pair{2, 0}, {-2, 0}, {0, 2}, {0, -2}})
            EXPECT_EQ(map.At(city.X + dx, city.Y + dy), kGermany) << dx << "," << dy;
    }
}

TEST(MapPicture, GermanysAreaMatchesTheScale)
{
    const auto map = DecodeWithPil(test::SourceDir() + "/resources/map.gif");
    ASSERT_EQ(map.Colour.size(), 196u * 260u);
    std::map<std::tuple<int, int, int>, int> counts;
    for (const Rgb& c : map.Colour)
        ++counts[{c.R, c.G, c.B}];
    auto count = [&](Rgb c) { return counts[{c.R, c.G, c.B}]; };
    // Only the map's own colours appear.
    const int known = count(kGermany) + count(kGermanyBorder) + count(kCityDot) + count(kSea) + count(kNeighbour) + count(Rgb{168, 168, 160});
    EXPECT_EQ(known, 196 * 260);
    // Germany covers 357,000 km2; its border line runs half inside, half outside.
    const double germanyPixels = count(kGermany) + count(kCityDot) + count(kGermanyBorder) / 2.0;
    const double expected = 357022.0 * kPixelsPerKm * kPixelsPerKm;
    EXPECT_NEAR(germanyPixels, expected, 0.03 * expected);
    EXPECT_GT(count(kSea), 2000);       // North Sea and Baltic
    EXPECT_GT(count(kNeighbour), 8000); // the countries around
    // The frame leaves room around the country: no Germany on the outermost pixels.
    for (int x = 0; x < 196; ++x)
        EXPECT_TRUE(map.At(x, 0) != kGermany && map.At(x, 259) != kGermany) << x;
    for (int y = 0; y < 260; ++y)
        EXPECT_TRUE(map.At(0, y) != kGermany && map.At(195, y) != kGermany) << y;
}
