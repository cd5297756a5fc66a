#include "AdText.h"
#include "app/core/AdSearch.h"
#include "base/IntText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace zuneigo;
using zuneigo::test::AdLines;
using zuneigo::test::MakeAd;

namespace {

AdDatabase Database(const std::vector<AdValues>& ads, const std::string& tail = "")
{
    std::string text;
    for (const auto& ad : ads)
        text += AdLines(ad);
    AdDatabase db;
    db.AppendText(text + tail);
    return db;
}

// A man seeking a woman, age 25 to 45, 150 km around (136, 120).
SearchCriteria ManSeekingWoman()
{
    SearchCriteria c;
    c.SearcherIsMan = true;
    c.SearcherSeeksMan = false;
    c.VonAge = 25;
    c.BisAge = 45;
    c.UmKreis = 150;
    c.Position = {136, 120};
    return c;
}

std::vector<std::string> Names(const AdDatabase& db, const std::vector<std::size_t>& rows)
{
    std::vector<std::string> names;
    for (auto k : rows)
        names.emplace_back(db.Field(k, AdField::Name));
    return names;
}

} // namespace

TEST(AdSearch, ComparesTheGendersCrosswise)
{
    const auto db = Database({
        MakeAd("0", "1", "30", "136", "120", "woman seeking man"),
        MakeAd("1", "0", "30", "136", "120", "man seeking woman"),
        MakeAd("0", "0", "30", "136", "120", "woman seeking woman"),
        MakeAd("1", "1", "30", "136", "120", "man seeking man"),
    });
    EXPECT_EQ(Names(db, SearchAds(db, ManSeekingWoman())), (std::vector<std::string>{"woman seeking man"}));

    auto womanSeekingMan = ManSeekingWoman();
    womanSeekingMan.SearcherIsMan = false;
    womanSeekingMan.SearcherSeeksMan = true;
    EXPECT_EQ(Names(db, SearchAds(db, womanSeekingMan)), (std::vector<std::string>{"man seeking woman"}));

    auto womanSeekingWoman = ManSeekingWoman();
    womanSeekingWoman.SearcherIsMan = false;
    EXPECT_EQ(Names(db, SearchAds(db, womanSeekingWoman)), (std::vector<std::string>{"woman seeking woman"}));
}

TEST(AdSearch, FlagsMustBeExactlyTheText)
{
    const auto db = Database({
        MakeAd("0 ", "1", "30", "136", "120", "blank after flag"),
        MakeAd("0", " 1", "30", "136", "120", "blank before flag"),
        MakeAd("00", "1", "30", "136", "120", "two zeros"),
        MakeAd("", "1", "30", "136", "120", "empty flag"),
        MakeAd("0", "1", "30", "136", "120", "exact"),
    });
    EXPECT_EQ(Names(db, SearchAds(db, ManSeekingWoman())), (std::vector<std::string>{"exact"}));
}

TEST(AdSearch, AgeBoundsAreInclusiveAndAgesFollowTheIntegerRules)
{
    const auto db = Database({
        MakeAd("0", "1", "24", "136", "120", "24"),
        MakeAd("0", "1", "25", "136", "120", "25"),
        MakeAd("0", "1", "45", "136", "120", "45"),
        MakeAd("0", "1", "46", "136", "120", "46"),
        MakeAd("0", "1", "  +30", "136", "120", "blanks and sign"),
        MakeAd("0", "1", "$1E", "136", "120", "hex 30"),
        MakeAd("0", "1", "30 ", "136", "120", "trailing blank"),
        MakeAd("0", "1", "", "136", "120", "empty age"),
        MakeAd("0", "1", "dreissig", "136", "120", "word"),
        MakeAd("0", "1", "4294967326", "136", "120", "overflows to 30 when wrapped"),
        MakeAd("0", "1", "000000030", "136", "120", "nine digits"),
        MakeAd("0", "1", "0000000030", "136", "120", "ten digits"),
        MakeAd("0", "1", "-", "136", "120", "sign only"),
        MakeAd("0", "1", "3-0", "136", "120", "inner sign"),
    });
    EXPECT_EQ(Names(db, SearchAds(db, ManSeekingWoman())),
              (std::vector<std::string>{"ten digits", "nine digits", "hex 30", "blanks and sign", "45", "25"}));

    auto reversed = ManSeekingWoman();
    reversed.VonAge = 45;
    reversed.BisAge = 25;
    EXPECT_TRUE(SearchAds(db, reversed).empty());
}

TEST(AdSearch, RadiusIsInclusiveAndMeasuredBetweenMarkerCorners)
{
    // 41 pixels are 149.49 km; 42 pixels are 153.14 km.
    const auto db = Database({
        MakeAd("0", "1", "30", "177", "120", "41 right"),
        MakeAd("0", "1", "30", "136", "78", "42 up"),
        MakeAd("0", "1", "30", "107", "149", "29 left 29 down"), // 41.01 px
        MakeAd("0", "1", "30", "-4", "-4", "map corner"),
    });
    auto c = ManSeekingWoman();
    c.UmKreis = 149;
    EXPECT_TRUE(SearchAds(db, c).empty());
    c.UmKreis = 150;
    EXPECT_EQ(Names(db, SearchAds(db, c)), (std::vector<std::string>{"29 left 29 down", "41 right"}));
    c.UmKreis = 154;
    EXPECT_EQ(Names(db, SearchAds(db, c)), (std::vector<std::string>{"29 left 29 down", "42 up", "41 right"}));

    // A distance equal to the radius matches: with radius 0 that is the same position.
    c.UmKreis = 0;
    c.Position = {-4, -4};
    EXPECT_EQ(Names(db, SearchAds(db, c)), (std::vector<std::string>{"map corner"}));
    c.Position = {-4, -3};
    EXPECT_TRUE(SearchAds(db, c).empty());
}

TEST(AdSearch, AgreesWithTheDistanceRuleAroundEveryRadius)
{
    // Every position of a square around the marker, against radii from 0 to 200 km: the
    // result list holds exactly the ads whose distance is at most the radius.
    std::vector<AdValues> ads;
    for (int dy = -60; dy <= 60; ++dy)
        for (int dx = -60; dx <= 60; ++dx)
            ads.push_back(MakeAd("0", "1", "30", std::to_string(100 + dx), std::to_string(100 + dy)));
    const auto db = Database(ads);
    auto c = ManSeekingWoman();
    c.Position = {100, 100};
    for (int radius = -1; radius <= 200; radius += 1) {
        c.UmKreis = radius;
        const auto rows = SearchAds(db, c);
        std::vector<std::size_t> expected;
        for (std::size_t k = ads.size(); k-- > 0;) {
            const MapPoint p{std::stoi(ads[k][12]), std::stoi(ads[k][13])};
            if (!(DistanceKm(p, c.Position) > radius))
                expected.push_back(k);
        }
        ASSERT_EQ(rows, expected) << radius << " km";
        for (std::size_t k = 0; k < ads.size(); k += 97)
            ASSERT_EQ(RecordMatches(db, k, c), std::find(expected.begin(), expected.end(), k) != expected.end());
    }
    EXPECT_FALSE(RecordMatches(db, ads.size(), c));
}

TEST(AdSearch, SkipsRecordsThatDoNotConvertAndGoesOn)
{
    const auto db = Database({
        MakeAd("0", "1", "30", "136", "120", "first"),
        MakeAd("0", "1", "30", "x", "120", "bad x"),
        MakeAd("0", "1", "30", "136", "", "empty y"),
        MakeAd("0", "1", "30", "136", "120 ", "y with trailing blank"),
        MakeAd("0", "1", "30", "0x88", "$78", "hex position"),
        MakeAd("0", "1", "30", "136", "120", "last"),
    });
    EXPECT_EQ(Names(db, SearchAds(db, ManSeekingWoman())), (std::vector<std::string>{"last", "hex position", "first"}));
}

TEST(AdSearch, FarPositionsDoNotWrapAround)
{
    // Differences taken in 32 bits would wrap 2147483647 - (-4) to a small distance.
    const auto db = Database({
        MakeAd("0", "1", "30", "2147483647", "-2147483648", "far"),
        MakeAd("0", "1", "30", "-2147483648", "2147483647", "far too"),
    });
    auto c = ManSeekingWoman();
    c.Position = {-4, 4};
    c.UmKreis = 1000;
    EXPECT_TRUE(SearchAds(db, c).empty());
}

TEST(AdSearch, ListsMatchesInReverseDatabaseOrderAndIgnoresPartialRecords)
{
    auto partial = AdLines(MakeAd("0", "1", "30", "136", "120", "partial"));
    partial.resize(partial.find("120\r\n")); // 13 lines and the start of the 14th
    const auto db = Database({
        MakeAd("0", "1", "30", "136", "120", "a"),
        MakeAd("1", "0", "30", "136", "120", "skip"),
        MakeAd("0", "1", "30", "136", "120", "b"),
        MakeAd("0", "1", "30", "136", "120", "c"),
    }, partial);
    ASSERT_EQ(db.RecordCount(), 4u);
    const auto once = SearchAds(db, ManSeekingWoman());
    EXPECT_EQ(Names(db, once), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(SearchAds(db, ManSeekingWoman()), once);
    EXPECT_EQ(SearchDoneText(once.size()), "Die Suche wurde beendet. Es wurden 3 passende Anzeigen gefunden.");
    EXPECT_EQ(SearchDoneText(0), "Die Suche wurde beendet. Es wurden 0 passende Anzeigen gefunden.");
    EXPECT_TRUE(SearchAds(AdDatabase{}, ManSeekingWoman()).empty());
}

TEST(AdSearch, ReadsPositionsWhateverTheBreaks)
{
    // The last record's final break may be CR, LF, CR LF or missing.
    for (const std::string lineBreak : {"\r\n", "\n", "\r"}) {
        for (const bool finalBreak : {true, false}) {
            std::string text = AdLines(MakeAd("0", "1", "30", "", "120", "empty x"), lineBreak) +
                               AdLines(MakeAd("0", "1", "30", "136", "", "empty y"), lineBreak) +
                               AdLines(MakeAd("0", "1", "30", "137", "121", "near"), lineBreak);
            if (!finalBreak)
                text.resize(text.size() - lineBreak.size());
            AdDatabase db;
            db.AppendText(text);
            ASSERT_EQ(db.RecordCount(), 3u);
            EXPECT_EQ(Names(db, SearchAds(db, ManSeekingWoman())), (std::vector<std::string>{"near"}))
                << "break " << lineBreak.size() << " final " << finalBreak;
        }
    }
}

TEST(AdSearch, AgreesWithAPlainSearchOverMixedRecords)
{
    // Records of every length, with the break of each line drawn from CR LF, CR and LF,
    // fields that do and do not convert, long and empty names and positions: the search
    // must list what a plain search over plainly split lines lists.
    std::mt19937 random(11);
    const std::vector<std::string> flags = {"1", "0", "1", "0", "1", "0", "", " 1", "10"};
    const std::vector<std::string> ages = {"30", "25", "45", "7", "46", "", "$1E", " 30", "x"};
    const std::vector<std::string> positions = {"130", "128", "110", "140", "100", "", "-4", "0x82", " 131", "x"};
    const std::vector<std::string> breaks = {"\r\n", "\r", "\n"};
    const auto pick = [&](const std::vector<std::string>& list) { return list[random() % list.size()]; };
    std::string text;
    for (int k = 0; k < 3000; ++k) {
        AdValues ad = MakeAd(pick(flags), pick(flags), pick(ages), pick(positions), pick(positions),
                             std::string(1 + random() % 40, 'n'));
        for (int i : {4, 5, 6, 7, 8, 9, 10, 11})
            ad[static_cast<std::size_t>(i)].resize(random() % 3 == 0 ? 0 : ad[static_cast<std::size_t>(i)].size());
        for (const auto& value : ad) {
            // An LF right after a lone CR would join it into one break and shift the record.
            const bool afterCr = !text.empty() && text.back() == '\r';
            text += value + (afterCr && value.empty() ? std::string("\r") : pick(breaks));
        }
    }
    AdDatabase db;
    db.AppendText(text);
    const auto lines = zuneigo::test::ReferenceLines(text);
    ASSERT_EQ(db.RecordCount(), lines.size() / 14);

    auto c = ManSeekingWoman();
    c.Position = {130, 110};
    c.VonAge = 7;
    c.BisAge = 45;
    for (const bool isMan : {true, false}) {
        c.SearcherIsMan = isMan;
        c.SearcherSeeksMan = !isMan;
        std::vector<std::size_t> expected;
        for (std::size_t k = lines.size() / 14; k-- > 0;) {
            const auto field = [&](int i) { return lines[k * 14 + static_cast<std::size_t>(i)]; };
            const auto age = TryStrToInt(field(3));
            const auto x = TryStrToInt(field(12));
            const auto y = TryStrToInt(field(13));
            if (field(1) == FlagText(!isMan) && field(2) == FlagText(isMan) && age && *age >= c.VonAge &&
                *age <= c.BisAge && x && y && !(DistanceKm({*x, *y}, c.Position) > c.UmKreis))
                expected.push_back(k);
        }
        EXPECT_GT(expected.size(), 100u);
        EXPECT_EQ(SearchAds(db, c), expected);
    }
}
