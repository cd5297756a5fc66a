#include "AdText.h"
#include "app/core/ResultColumns.h"

#include <gtest/gtest.h>

#include <cstring>

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
