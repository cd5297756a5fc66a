#include "AdText.h"
#include "app/core/ResultColumns.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace zuneigo;

TEST(ResultRows, CellsFollowTheColumnsAndOutliveTheDatabase)
{
    // Every field distinct and the title empty: a column reading the wrong field or a lost
    // empty cell shows. The lone CR ending the first row must not swallow the empty name
    // after it, which follows an LF only in the rows' order.
    const AdValues ad = {"", "0", "1", "19", "168", "55", "1", "rot", "braun", "Tanzen", "", "eva@x.de", "136", "120"};
    AdDatabase db;
    db.AppendText(test::AdLines(ad, "\n") + test::AdLines(test::MakeAd("1", "1", "19", "136", "120")) +
                  test::AdLines(ad, "\r"));
    const ResultRows rows(db, SearchCriteria{});
    db.Clear();
    ASSERT_EQ(rows.Count(), 2u);
    const std::vector<std::string> cells = {"", "19", "168", "55", "1", "", "rot", "braun", "Tanzen", "eva@x.de", "136", "120"};
    for (std::size_t r = 0; r < 2; ++r)
        for (int c = 0; c < ResultColumnCount; ++c)
            EXPECT_EQ(rows.Cell(r, c), cells[static_cast<std::size_t>(c)]) << r << ", " << c;
}

TEST(ResultRows, LongRowsGiveTheSameCells)
{
    // Rows past the located size take another way to their cells; each break kind, and a
    // last line without a break, must come out as in a short row.
    const std::string longText(ResultRows::LocatedRowBytes, 'x');
    AdValues ad = test::MakeAd("0", "1", "19", "136", "120");
    ad[AdField::Name] = "Eva" + longText;
    ad[AdField::Contact] = "eva@x.de";
    ad[AdField::Activities] = "";
    for (const char* br : {"\r\n", "\r", "\n"}) {
        SCOPED_TRACE(br);
        AdDatabase db;
        std::string text = test::AdLines(ad, br);
        text.resize(text.size() - std::strlen(br));
        db.AppendText(test::AdLines(ad, br) + text);
        const ResultRows rows(db, SearchCriteria{});
        ASSERT_EQ(rows.Count(), 2u);
        for (std::size_t r = 0; r < 2; ++r)
            for (int c = 0; c < ResultColumnCount; ++c)
                EXPECT_EQ(rows.Cell(r, c), ad[ResultColumns[static_cast<std::size_t>(c)].Field]) << r << ", " << c;
    }
}

namespace {

// Eight ads, every second one 40 years old, so an 18-20 search matches half of them and an
// 18-100 one all; the last two are long rows, so either search holds one.
std::string EightAds()
{
    std::string text;
    for (int i = 0; i < 8; ++i) {
        AdValues ad = test::MakeAd("0", "1", i % 2 ? "40" : "19", "136", "120", "Eva" + std::to_string(i));
        if (i >= 6)
            ad[AdField::Title] = std::string(ResultRows::LocatedRowBytes, static_cast<char>('a' + i));
        text += test::AdLines(ad, i % 3 ? "\n" : "\r\n");
    }
    return text;
}

SearchCriteria UpTo(std::int32_t bisAge)
{
    SearchCriteria c;
    c.BisAge = bisAge;
    return c;
}

} // namespace

TEST(ResultRows, SearchReadsTheDatabaseInPlace)
{
    AdDatabase db;
    db.AppendText(EightAds());
    const ResultRows rows(db, UpTo(100));
    ASSERT_EQ(rows.Count(), 8u);
    EXPECT_EQ(rows.HeldBytes(), 0u);
    for (std::size_t r = 0; r < rows.Count(); ++r)
        EXPECT_EQ(rows.RowText(r).data(), db.RecordText(7 - r).data()) << r;
}

TEST(ResultRows, StayEqualWhateverHappensToTheDatabase)
{
    const std::string text = EightAds();
    std::string refill;
    while (refill.size() < 4 * text.size())
        refill += test::AdLines(test::MakeAd("1", "0", "19", "1", "1", "Udo"));
    using Change = std::function<void(std::unique_ptr<AdDatabase>&)>;
    // Appending may move the bytes, so the rows copy; otherwise they may keep the old ones.
    const std::vector<std::tuple<const char*, Change, bool>> ways = {
        {"emptied and refilled", [&](auto& db) { db->Clear(); db->AppendText(refill); }, false},
        {"appended to", [&](auto& db) { db->AppendText(refill); }, true},
        {"given more bytes", [&](auto& db) { db->AppendBytes(std::vector<char>(refill.begin(), refill.end())); }, true},
        {"destroyed", [&](auto& db) { db.reset(); }, false},
        {"moved, then emptied",
         [&](auto& db) {
             AdDatabase moved(std::move(*db));
             db.reset();
             moved.Clear();
             moved.AppendText(refill);
         },
         false}};
    for (const auto& [way, change, appends] : ways)
        for (const std::int32_t bis : {20, 100}) {
            SCOPED_TRACE(std::string(way) + ", up to " + std::to_string(bis));
            auto db = std::make_unique<AdDatabase>();
            db->AppendText(text);
            const ResultRows rows(*db, UpTo(bis));
            const ResultRows::KeptCell kept = ResultRows(*db, UpTo(bis)).KeepCell(0, ColTitle);
            std::vector<std::vector<std::string>> cells;
            std::size_t matched = 0;
            for (std::size_t r = 0; r < rows.Count(); ++r) {
                matched += rows.RowText(r).size();
                const ResultCells row = rows.Cells(r);
                cells.emplace_back(row.begin(), row.end());
            }
            const std::string keptText(kept.Text());
            ASSERT_EQ(rows.Count(), bis == 20 ? 4u : 8u);

            change(db);
            for (std::size_t r = 0; r < rows.Count(); ++r)
                for (int c = 0; c < ResultColumnCount; ++c)
                    EXPECT_EQ(rows.Cell(r, c), cells[r][static_cast<std::size_t>(c)]) << r << ", " << c;
            EXPECT_EQ(kept.Text(), keptText);
            // Only their own records are copied, unless they make up most of the old bytes.
            const bool copied = bis == 20 || appends;
            if (copied)
                EXPECT_EQ(rows.HeldBytes(), matched);
            else
                EXPECT_GE(rows.HeldBytes(), text.size());
        }
}
