#include "AdText.h"
#include "app/core/AdSearch.h"
#include "fuzz/PlainAds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace zuneigo;
using zuneigo::test::AdLines;
using zuneigo::test::MakeAd;

namespace {

// A man seeking a woman, age 25 to 45, 150 km around (136, 120).
const SearchCriteria ManSeekingWoman{.SearcherIsMan = true, .SearcherSeeksMan = false, .VonAge = 25, .BisAge = 45};

AdDatabase Database(const std::vector<AdValues>& ads, const std::string& tail = "")
{
    std::string text;
    for (const auto& ad : ads)
        text += AdLines(ad);
    AdDatabase db;
    db.AppendText(text + tail);
    return db;
}

std::vector<std::string> Names(const AdDatabase& db, const std::vector<std::size_t>& rows)
{
    std::vector<std::string> names;
    for (auto k : rows)
        names.emplace_back(db.Field(k, AdField::Name));
    return names;
}

} // namespace

TEST(AdSearch, FieldsFollowTheExactTextAndTheIntegerRules)
{
    struct Row {
        const char *isMan, *seeksMan, *age, *x, *y;
        bool match;
        const char* name;
    };
    const Row rows[] = {
        {"0", "1", "30", "136", "120", true, "woman seeking man"},
        {"1", "0", "30", "136", "120", false, "man seeking woman"},
        {"0", "0", "30", "136", "120", false, "woman seeking woman"},
        {"1", "1", "30", "136", "120", false, "man seeking man"},
        {"0 ", "1", "30", "136", "120", false, "blank after flag"},
        {"0", " 1", "30", "136", "120", false, "blank before flag"},
        {"00", "1", "30", "136", "120", false, "two zeros"},
        {"", "1", "30", "136", "120", false, "empty flag"},
        {"0", "1", "24", "136", "120", false, "24"},
        {"0", "1", "25", "136", "120", true, "25"},
        {"0", "1", "45", "136", "120", true, "45"},
        {"0", "1", "46", "136", "120", false, "46"},
        {"0", "1", "  +30", "136", "120", true, "blanks and sign"},
        {"0", "1", "$1E", "136", "120", true, "hex 30"},
        {"0", "1", "30 ", "136", "120", false, "trailing blank"},
        {"0", "1", "", "136", "120", false, "empty age"},
        {"0", "1", "dreissig", "136", "120", false, "word"},
        {"0", "1", "4294967326", "136", "120", false, "overflows to 30 when wrapped"},
        {"0", "1", "000000030", "136", "120", true, "nine digits"},
        {"0", "1", "0000000030", "136", "120", true, "ten digits"},
        {"0", "1", "-", "136", "120", false, "sign only"},
        {"0", "1", "3-0", "136", "120", false, "inner sign"},
        {"0", "1", "30", "x", "120", false, "bad x"},
        {"0", "1", "30", "136", "", false, "empty y"},
        {"0", "1", "30", "136", "120 ", false, "y with trailing blank"},
        {"0", "1", "30", "0x88", "$78", true, "hex position"}};
    std::vector<AdValues> ads;
    std::vector<std::string> expected;
    for (const Row& r : rows) {
        ads.push_back(MakeAd(r.isMan, r.seeksMan, r.age, r.x, r.y, r.name));
        if (r.match)
            expected.insert(expected.begin(), r.name);
    }
    const auto db = Database(ads);
    EXPECT_EQ(Names(db, SearchAds(db, ManSeekingWoman)), expected);
    for (std::size_t k = 0; k < std::size(rows); ++k)
        EXPECT_EQ(RecordMatches(db, k, ManSeekingWoman), rows[k].match) << rows[k].name;

    // The genders are compared crosswise.
    auto c = ManSeekingWoman;
    c.SearcherIsMan = false;
    EXPECT_EQ(Names(db, SearchAds(db, c)), (std::vector<std::string>{"woman seeking woman"}));
    c.SearcherSeeksMan = true;
    EXPECT_EQ(Names(db, SearchAds(db, c)), (std::vector<std::string>{"man seeking woman"}));
    c = ManSeekingWoman;
    std::swap(c.VonAge, c.BisAge);
    EXPECT_TRUE(SearchAds(db, c).empty()) << "reversed age bounds";
}

TEST(AdSearch, RadiusIsInclusiveAndMeasuredBetweenMarkerCorners)
{
    // 41 pixels are 149.49 km; 42 pixels are 153.14 km.
    const auto db = Database({MakeAd("0", "1", "30", "177", "120", "41 right"),
                              MakeAd("0", "1", "30", "136", "78", "42 up"),
                              MakeAd("0", "1", "30", "107", "149", "29 left 29 down"), // 41.01 px
                              MakeAd("0", "1", "30", "-4", "-4", "map corner"),
                              MakeAd("0", "1", "30", "2147483647", "-2147483648", "far, wraps in 32 bits"),
                              MakeAd("0", "1", "30", "-2147483648", "2147483647", "far too")});
    auto c = ManSeekingWoman;
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
    c.Position = {-4, 4};
    c.UmKreis = 1000;
    EXPECT_EQ(Names(db, SearchAds(db, c)), (std::vector<std::string>{"map corner", "29 left 29 down", "42 up", "41 right"}));
}

TEST(AdSearch, AgreesWithTheDistanceRuleAroundEveryRadius)
{
    // Every position of a square around the marker, against radii from 0 to 200 km.
    std::vector<AdValues> ads;
    for (int dy = -60; dy <= 60; ++dy)
        for (int dx = -60; dx <= 60; ++dx)
            ads.push_back(MakeAd("0", "1", "30", std::to_string(100 + dx), std::to_string(100 + dy)));
    const auto db = Database(ads);
    const auto lines = db.Lines();
    auto c = ManSeekingWoman;
    c.Position = {100, 100};
    for (int radius = -1; radius <= 200; radius += 1) {
        c.UmKreis = radius;
        const auto expected = plain::Search(lines, c);
        ASSERT_EQ(SearchAds(db, c), expected) << radius << " km";
        for (std::size_t k = 0; k < ads.size(); k += 97)
            ASSERT_EQ(RecordMatches(db, k, c), std::find(expected.begin(), expected.end(), k) != expected.end());
    }
    EXPECT_FALSE(RecordMatches(db, ads.size(), c));
}

TEST(AdSearch, ListsMatchesInReverseDatabaseOrderAndIgnoresPartialRecords)
{
    auto partial = AdLines(MakeAd("0", "1", "30", "136", "120", "partial"));
    partial.resize(partial.find("120\r\n")); // 13 lines and the start of the 14th
    const auto db = Database({MakeAd("0", "1", "30", "136", "120", "a"),
                              MakeAd("1", "0", "30", "136", "120", "skip"),
                              MakeAd("0", "1", "30", "136", "120", "b"),
                              MakeAd("0", "1", "30", "136", "120", "c")},
                             partial);
    ASSERT_EQ(db.RecordCount(), 4u);
    const auto once = SearchAds(db, ManSeekingWoman);
    EXPECT_EQ(Names(db, once), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(SearchAds(db, ManSeekingWoman), once);
    EXPECT_EQ(SearchDoneText(once.size()), "Die Suche wurde beendet. Es wurden 3 passende Anzeigen gefunden.");
    EXPECT_EQ(SearchDoneText(0), "Die Suche wurde beendet. Es wurden 0 passende Anzeigen gefunden.");
    EXPECT_TRUE(SearchAds(AdDatabase{}, ManSeekingWoman).empty());
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
            EXPECT_EQ(Names(db, SearchAds(db, ManSeekingWoman)), (std::vector<std::string>{"near"}))
                << "break " << lineBreak.size() << " final " << finalBreak;
        }
    }
}

TEST(AdSearch, AgreesWithAPlainSearchOverMixedRecords)
{
    // Records of every length, with the break of each line drawn from CR LF, CR and LF,
    // fields that do and do not convert, long and empty names and positions.
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
    const auto lines = plain::Lines(text);
    ASSERT_EQ(db.RecordCount(), lines.size() / 14);

    auto c = ManSeekingWoman;
    c.Position = {130, 110};
    c.VonAge = 7;
    for (const bool isMan : {true, false}) {
        c.SearcherIsMan = isMan;
        c.SearcherSeeksMan = !isMan;
        const auto expected = plain::Search(lines, c);
        EXPECT_GT(expected.size(), 100u);
        EXPECT_EQ(SearchAds(db, c), expected);
    }
}

TEST(AdSearch, ValuesBeyondSixteenBitsMatchAsTheyRead)
{
    // The search keeps short values compactly; longer ones must still compare exactly.
    const auto db = Database({MakeAd("0", "1", "40000", "136", "120", "old"),
                              MakeAd("0", "1", "30", "40136", "120", "far east"),
                              MakeAd("0", "1", "30", "136", "-32769", "far north"),
                              MakeAd("0", "1", "-32768", "136", "120", "shortest")});
    auto c = ManSeekingWoman;
    c.VonAge = -40000;
    c.BisAge = 40000;
    c.UmKreis = 200000;
    EXPECT_EQ(Names(db, SearchAds(db, c)), (std::vector<std::string>{"shortest", "far north", "far east", "old"}));
    c.BisAge = 39999;
    c.UmKreis = 145000; // 40000 px are 145843 km, 32889 px 119916 km
    EXPECT_EQ(Names(db, SearchAds(db, c)), (std::vector<std::string>{"shortest", "far north"}));
    c.Position = {40136, 120};
    c.UmKreis = 0;
    EXPECT_EQ(Names(db, SearchAds(db, c)), (std::vector<std::string>{"far east"}));
}

TEST(AdSearch, TwoThreadSearchKeepsTheListOrder)
{
    const std::size_t saved = ParallelSearchMin;
    const std::size_t savedSlice = SearchJobRecords;
    ParallelSearchMin = 1;
    SearchJobRecords = 3;
    std::mt19937 random(5);
    for (int round = 0; round < 200; ++round) {
        std::vector<AdValues> ads;
        const std::size_t count = random() % 40;
        for (std::size_t k = 0; k < count; ++k)
            ads.push_back(MakeAd(random() % 2 ? "0" : "1", "1", std::to_string(20 + random() % 40),
                                 std::to_string(random() % 300), "120", "ad" + std::to_string(k)));
        const auto db = Database(ads);
        std::string text;
        for (const auto& ad : ads)
            text += AdLines(ad);
        ASSERT_EQ(SearchAds(db, ManSeekingWoman), plain::Search(plain::Lines(text), ManSeekingWoman)) << round;
    }
    ParallelSearchMin = saved;
    SearchJobRecords = savedSlice;
}

TEST(AdSearch, ShortNumbersNextToDigitLikeBytesReadAsThePlainRules)
{
    // Bytes just outside '0'..'9' (/ and :), digits in every place of a four-byte read, and
    // texts shorter than that read at the very start of the database.
    const char* texts[] = {"5", "/5", "5/", ":5", "5:", "9999", "999:", "/999", "0", "00", "0000", "1234", "12 4",
                           "-1", "-9999", "+7", "10000", "7\x80", "\xB5", "2:3"};
    std::string text = "\n0\n1\n7\n"; // a first record whose age begins 5 bytes into the text
    for (int i = 0; i < 10; ++i)
        text += "\n";
    for (const char* age : texts)
        for (const char* x : {"3", "/3", "136", "13:"})
            text += AdLines(MakeAd("0", "1", age, x, "120"));
    AdDatabase db;
    db.AppendText(text);
    auto c = ManSeekingWoman;
    c.VonAge = -20000;
    c.BisAge = 20000;
    c.UmKreis = 1000;
    ASSERT_EQ(SearchAds(db, c), plain::Search(plain::Lines(text), c));
    EXPECT_EQ(SearchAds(db, c).size(), 10u * 2); // ten ages and two positions convert
}
