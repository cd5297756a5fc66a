#include "AdText.h"
#include "app/core/ResultDots.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace zuneigo;

namespace {

struct Ad {
    const char *x, *y;
    const char* lineBreak = "\r\n";
};

// The result list of ads at these marker positions, in list order (the search lists the
// last record first); the search reaches far enough to take every one of them.
ResultDots DotsOf(const std::vector<Ad>& ads)
{
    std::string text;
    for (auto ad = ads.rbegin(); ad != ads.rend(); ++ad)
        text += test::AdLines(test::MakeAd("0", "1", "19", ad->x, ad->y), ad->lineBreak);
    AdDatabase db;
    db.AppendText(text);
    SearchCriteria everywhere;
    everywhere.UmKreis = 1000000000;
    return ResultDots(ResultRows(db, everywhere));
}

} // namespace

TEST(ResultDots, DotsSitOnTheMarkerCentresOnThePictureOnly)
{
    const struct {
        Ad ad;
        std::optional<MapPoint> dot;
    } cases[] = {
        {{"136", "120"}, MapPoint{140, 124}},
        {{"-4", "-4"}, MapPoint{0, 0}},       // the picture's top-left pixel
        {{"191", "255"}, MapPoint{195, 259}}, // its bottom-right pixel
        {{"-5", "100"}, std::nullopt},        // one pixel left of the picture
        {{"192", "100"}, std::nullopt},       // one pixel right of it
        {{"100", "-5"}, std::nullopt},
        {{"100", "256"}, std::nullopt},
        {{"65546", "10"}, std::nullopt},        // far out: must not wrap onto the picture as (10, 10)
        {{"+07", " 8"}, MapPoint{11, 12}},      // the integer rules of the rest of the record
        {{"20", "30", "\n"}, MapPoint{24, 34}}, // the position is read from the row's end,
        {{"21", "31", "\r"}, MapPoint{25, 35}}, // whatever its line breaks
    };
    std::vector<Ad> ads;
    for (const auto& c : cases)
        ads.push_back(c.ad);
    const ResultDots dots = DotsOf(ads);
    ASSERT_EQ(dots.Count(), std::size(cases));
    for (std::size_t row = 0; row < dots.Count(); ++row)
        EXPECT_EQ(dots.Dot(row), cases[row].dot) << cases[row].ad.x << ", " << cases[row].ad.y;
}

TEST(ResultDots, CoverageCountsOverlappingDotsAndStopsAtTheEdges)
{
    // Two dots on one place, one beside it, one in the top-left corner, and one whose centre
    // is just off the picture: none of it is drawn, not even its edge reaching onto it.
    const ResultDots dots = DotsOf({{"50", "60"}, {"50", "60"}, {"51", "60"}, {"-4", "-4"}, {"-5", "0"}});
    const struct {
        int x, y;
        std::uint32_t count;
    } pixels[] = {{53, 64, 2}, {54, 64, 3}, {55, 63, 3}, {56, 65, 1}, {57, 64, 0}, {54, 66, 0}, {0, 0, 1}, {1, 1, 1}, {2, 0, 0}, {0, 4, 0}};
    for (const auto& p : pixels)
        EXPECT_EQ(dots.CoverageAt(p.x, p.y), p.count) << p.x << ", " << p.y;
    // Nothing else: three whole dots of 3 x 3 pixels, and the corner dot's four inside.
    const std::vector<std::uint32_t>& all = dots.Coverage();
    EXPECT_EQ(std::accumulate(all.begin(), all.end(), std::uint64_t{0}), 3u * 9u + 4u);
}
