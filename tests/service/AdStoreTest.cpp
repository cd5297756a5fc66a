// The database file: torn tails are cut at opening; the demo
// database is deterministic, covers every age and gender pairing, and sits on the map.
#include "app/core/MapCities.h"
#include "service/AdStore.h"
#include "service/DemoDatabase.h"
#include "service/DemoPlaces.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string_view>

using namespace zuneigo;
using namespace zuneigo::service;

namespace {

std::string Record(const std::string& tag)
{
    std::string r;
    for (int i = 0; i < AdFieldCount; ++i)
        r += tag + std::to_string(i) + "\r\n";
    return r;
}

} // namespace

TEST(AdStore, OpeningCutsATornTailBackToTheLastWholeRecord)
{
    struct Case {
        std::string content;
        std::string kept;
    };
    const std::string a = Record("a"), b = Record("b");
    const Case cases[] = {
        {"", ""},
        {a + b, a + b},
        {a + b.substr(0, 40), a},           // a crash in the middle of a line
        {a + b.substr(0, b.size() - 1), a}, // only the last LF missing
        {"x\n", ""}};
    for (const Case& c : cases) {
        test::TempDir dir;
        test::WriteFile(dir.File("db"), c.content);
        TAdStore store(dir.File("db"));
        EXPECT_EQ(test::ReadFile(dir.File("db")), c.kept);
        EXPECT_EQ(store.CutBytes(), c.content.size() - c.kept.size());
        EXPECT_EQ(store.Size(), c.kept.size());
        EXPECT_EQ(store.RecordCount(), c.kept.size() / a.size());
    }
}

TEST(DemoDatabase, CoversAgesAndPairingsAndIsDeterministic)
{
    const std::string text = DemoDatabase(500);
    EXPECT_EQ(text, DemoDatabase(500));
    EXPECT_EQ(DemoDatabase(10), text.substr(0, DemoDatabase(10).size()));
    std::uint64_t records = 0;
    EXPECT_EQ(WholeRecordsEnd(text.data(), text.size(), &records), text.size());
    EXPECT_EQ(records, 500u);
    std::set<int> ages;
    std::set<std::string> pairings;
    std::size_t pos = 0;
    for (int r = 0; r < 500; ++r) {
        std::string f[AdFieldCount];
        for (auto& v : f) {
            const auto end = text.find("\r\n", pos);
            v = text.substr(pos, end - pos);
            pos = end + 2;
        }
        ages.insert(std::stoi(f[Age]));
        pairings.insert(f[IsMan] + f[SeeksMan]);
        EXPECT_NE(f[Contact].find("@example."), std::string::npos) << f[Contact];
        const int x = std::stoi(f[PosX]), y = std::stoi(f[PosY]);
        EXPECT_TRUE(x >= -4 && x < 192 && y >= -4 && y < 256) << x << "," << y;
    }
    EXPECT_EQ(ages.size(), 63u);
    EXPECT_EQ(*ages.begin(), 18);
    EXPECT_EQ(*ages.rbegin(), 80);
    EXPECT_EQ(pairings.size(), 4u);
}

TEST(DemoDatabase, PlacesLandWhereTheMapDrawsTheSameCities)
{
    int matched = 0;
    for (const MapCity& city : MapCities) {
        for (const DemoPlace& p : DemoPlaces) {
            if (std::string_view(p.Name) != city.Name) continue;
            // Both come from one projection; the sources' coordinates differ by a few km.
            EXPECT_NEAR(p.X + 4, city.X, 2) << city.Name;
            EXPECT_NEAR(p.Y + 4, city.Y, 2) << city.Name;
            ++matched;
        }
    }
    EXPECT_GE(matched, 12);
}

TEST(DemoDatabase, PlacesCarryTheirGermanNames)
{
    for (const DemoPlace& p : DemoPlaces)
        for (std::string_view foreign : {"Munich", "Cologne", "Nuremberg", "Hanover", "Meissen", "Zulpich"})
            EXPECT_NE(p.Name, foreign);
}
