#include "AdText.h"
#include "app/core/ResultDots.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace zuneigo;

namespace {

// A result list of ads at the given marker positions, in list order (the search lists
// the last record first); the search reaches far enough to take every one of them.
ResultRows RowsAt(const std::vector<std::pair<std::string, std::string>>& positions)
{
    std::string text;
    for (auto p = positions.rbegin(); p != positions.rend(); ++p)
        text += test::AdLines(test::MakeAd("0", "1", "19", p->first, p->second));
    AdDatabase db;
    db.AppendText(text);
    SearchCriteria everywhere;
    everywhere.UmKreis = 1000000000;
    return ResultRows(db, everywhere);
}

} // namespace

TEST(ResultDots, DotsSitOnTheMarkerCentresOnThePictureOnly)
{
    const struct {
        const char* x;
        const char* y;
        std::optional<MapPoint> dot;
    } cases[] = {
        {"136", "120", MapPoint{140, 124}},
        {"-4", "-4", MapPoint{0, 0}},       // the picture's top-left pixel
        {"191", "255", MapPoint{195, 259}}, // its bottom-right pixel
        {"-5", "100", std::nullopt},        // one pixel left of the picture
        {"192", "100", std::nullopt},       // one pixel right of it
        {"100", "-5", std::nullopt},
        {"100", "256", std::nullopt},
        {"65546", "10", std::nullopt}, // far out: must not wrap onto the picture as (10, 10)
        {"10", "-65526", std::nullopt},
        {"+07", " 8", MapPoint{11, 12}}, // the integer rules of the rest of the record
    };
    std::vector<std::pair<std::string, std::string>> positions;
    for (const auto& c : cases)
        positions.emplace_back(c.x, c.y);
    const ResultRows rows = RowsAt(positions);
    const ResultDots dots(rows);
    ASSERT_EQ(dots.Count(), std::size(cases));
    for (std::size_t row = 0; row < dots.Count(); ++row) {
        SCOPED_TRACE(std::string(cases[row].x) + ", " + cases[row].y);
        EXPECT_EQ(dots.Dot(row), cases[row].dot);
    }
    EXPECT_EQ(dots.Dot(dots.Count()), std::nullopt); // no row, no dot
}

TEST(ResultDots, CoverageCountsOverlappingDotsAndStopsAtTheEdges)
{
    // Two dots on one place, one beside it, one in the top-left corner, and one whose centre
    // is just off the picture: none of it is drawn, not even its edge reaching onto it.
    const ResultDots dots(RowsAt({{"50", "60"}, {"50", "60"}, {"51", "60"}, {"-4", "-4"}, {"-5", "0"}}));
    const struct {
        int x, y;
        std::uint32_t count;
    } pixels[] = {
        {53, 64, 2}, {54, 64, 3}, {55, 63, 3}, {56, 65, 1}, // the pair covers x 53 to 55, the third 54 to 56
        {57, 64, 0},
        {52, 64, 0},
        {54, 66, 0},
        {54, 62, 0}, // and nothing beyond
        {0, 0, 1},
        {1, 1, 1},
        {2, 0, 0},
        {0, 2, 0}, // the corner dot
        {0, 4, 0}, // the dot off the picture
    };
    for (const auto& p : pixels)
        EXPECT_EQ(dots.CoverageAt(p.x, p.y), p.count) << p.x << ", " << p.y;
    // Nothing else is covered: three whole dots, and the corner dot's four pixels inside.
    const std::vector<std::uint32_t>& all = dots.Coverage();
    EXPECT_EQ(std::accumulate(all.begin(), all.end(), std::uint64_t{0}), 3u * 9u + 4u);
}

TEST(ResultDots, PositionsReadWhateverTheLineBreaks)
{
    // Read from each row's end: a break of any kind ends the position.
    std::string text;
    const char* breaks[] = {"\n", "\r", "\r\n", "\r"};
    for (int i = 0; i < 4; ++i)
        text += test::AdLines(test::MakeAd("0", "1", "19", std::to_string(10 * i), std::to_string(20 + i)), breaks[i]);
    AdDatabase db;
    db.AppendText(text);
    SearchCriteria everywhere;
    everywhere.UmKreis = 1000;
    const ResultDots dots{ResultRows(db, everywhere)};
    ASSERT_EQ(dots.Count(), 4u);
    for (std::size_t row = 0; row < 4; ++row) // the last record is the first row
        EXPECT_EQ(dots.Dot(row), (MapPoint{static_cast<std::int32_t>(10 * (3 - row) + 4), static_cast<std::int32_t>(20 + (3 - row) + 4)}));
}
