#pragma once
// The result list of the partner search: its twelve columns and its rows. The window and
// zuneigo-search both show a search through these, so they list the same cells in the
// same order.
#include "app/core/AdRecord.h"
#include "app/core/AdSearch.h"
#include "app/core/LargeBuffer.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zuneigo {

struct ResultColumn {
    const char* Caption; // Windows-1252
    int Width;           // pixels
    AdField Field;       // the record field the column shows
};

inline constexpr int ResultColumnCount = 12;

// Column 0 is the row's caption. The detail window reads its fields from these positions,
// so the order is part of how the two windows meet.
inline constexpr std::array<ResultColumn, ResultColumnCount> ResultColumns = {{{"Name", 80, AdField::Name},
                                                                               {"Alter", 50, AdField::Age},
                                                                               {"Gr\xF6\337e", 50, AdField::Height},
                                                                               {"Gewicht", 50, AdField::Weight},
                                                                               {"Raucher", 50, AdField::Smoker},
                                                                               {"Titel", 110, AdField::Title},
                                                                               {"Haare", 50, AdField::Hair},
                                                                               {"Augen", 50, AdField::Eyes},
                                                                               {"T\xE4tigkeiten", 50, AdField::Activities},
                                                                               {"Kontakt", 50, AdField::Contact},
                                                                               {"X-Pos", 50, AdField::PosX},
                                                                               {"Y-Pos", 50, AdField::PosY}}};

// Column numbers the detail window and the position read use.
enum ResultColumnIndex : int {
    ColName = 0,
    ColAge = 1,
    ColHeight = 2,
    ColWeight = 3,
    ColSmoker = 4,
    ColTitle = 5,
    ColHair = 6,
    ColEyes = 7,
    ColActivities = 8,
    ColContact = 9,
    ColPosX = 10,
    ColPosY = 11
};

using ResultCells = std::array<std::string_view, ResultColumnCount>;

// How much of a cell the list shows: far more than a column can show, and little enough
// that converting and measuring it on every paint costs nothing, whatever the field holds.
inline constexpr std::size_t ShownCellLength = 1024;

// The rows of one search, in list order (the last matching record first). The rows own
// copies of their records' bytes in one buffer, so they stay valid when the database is
// emptied or replaced by a later download; 100,000 rows cost one allocation and one copy
// each, and a row is split into cells only when it is shown.
class ResultRows {
public:
    ResultRows() = default;
    // Runs the search and copies every match.
    ResultRows(const AdDatabase& db, const SearchCriteria& criteria);

    std::size_t Count() const { return rowStarts_.size(); }
    // 0 <= row < Count(), 0 <= column < ResultColumnCount.
    std::string_view Cell(std::size_t row, int column) const;
    // The cell as the list shows it: its first ShownCellLength bytes.
    std::string_view ShownCell(std::size_t row, int column) const;
    ResultCells Cells(std::size_t row) const;
    // Keeps the bytes every cell points into alive, also past this object (the cells of a
    // row shown elsewhere stay valid while a later search replaces the rows).
    std::shared_ptr<const void> CellOwner() const { return text_; }

    // Rows of more bytes than this have their fields located when they are copied, so a
    // cell behind megabytes of other fields is found at once.
    static constexpr std::size_t LocatedRowBytes = 4096;

    // The bytes of one row's record, its lines with their breaks.
    std::string_view RowText(std::size_t row) const;

private:
    // Notes where the fields of the last row, copied to text_ from start on, lie.
    void Locate(std::size_t row, std::size_t start);

    struct LocatedRow {
        std::size_t Row;
        std::array<std::pair<std::size_t, std::size_t>, AdFieldCount> Fields; // begin and end in text_
    };

    using Bytes = std::vector<char, LargeAllocator<char>>;
    std::shared_ptr<Bytes> text_ = std::make_shared<Bytes>();         // the matching records' lines, row after row
    std::vector<std::size_t, LargeAllocator<std::size_t>> rowStarts_; // where each row begins in text_
    std::vector<LocatedRow> located_;                                 // the long rows, in row order
};

} // namespace zuneigo
