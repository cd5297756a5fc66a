#include "AdText.h"
#include "app/core/ResultColumns.h"

#include <gtest/gtest.h>

using namespace zuneigo;

TEST(ResultRows, CellsFollowTheColumnsAndOutliveTheDatabase)
{
    // Every field distinct, one of them empty, so a column reading the wrong field or a
    // lost empty cell shows.
    const AdValues first = {"Eva", "0", "1", "19", "168", "55", "1", "rot", "braun", "Tanzen", "", "eva@x.de", "136", "120"};
    AdValues second = first;
    second[AdField::Name] = "Ida";
    AdDatabase db;
    db.AppendText(test::AdLines(first, "\n") + test::AdLines(test::MakeAd("1", "1", "19", "136", "120")) +
                  test::AdLines(second, "\r"));
    const ResultRows rows(db, SearchCriteria{});
    db.Clear();

    ASSERT_EQ(rows.Count(), 2u);
    const struct {
        std::size_t row;
        std::vector<std::string> cells;
    } expected[] = {
        {0, {"Ida", "19", "168", "55", "1", "", "rot", "braun", "Tanzen", "eva@x.de", "136", "120"}},
        {1, {"Eva", "19", "168", "55", "1", "", "rot", "braun", "Tanzen", "eva@x.de", "136", "120"}},
    };
    for (const auto& e : expected)
        for (int c = 0; c < ResultColumnCount; ++c)
            EXPECT_EQ(rows.Cell(e.row, c), e.cells[static_cast<std::size_t>(c)]) << "row " << e.row << " column " << c;
    EXPECT_EQ(ResultRows(db, SearchCriteria{}).Count(), 0u);
}
