#pragma once
// The result list of the partner search: its twelve columns and its rows. The window and
// zuneigo-search both show a search through these, so they list the same cells in the
// same order.
#include "app/core/AdRecord.h"
#include "app/core/AdSearch.h"

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

// The rows of one search, in list order (the last matching record first). The rows read
// their records' bytes in the database itself, so a search copies nothing whatever the
// records hold; a row is split into cells only when it is shown. Before the database frees
// or moves its bytes (emptied, refilled, destroyed) the rows take them over or copy just
// their own records, so they stay valid whatever happens to the database later.
class ResultRows {
    struct Share; // the rows' bytes and where each row lies in them

public:
    ResultRows();
    // Runs the search and notes where every match lies.
    ResultRows(const AdDatabase& db, const SearchCriteria& criteria);

    std::size_t Count() const;
    // 0 <= row < Count(), 0 <= column < ResultColumnCount. The views are valid while these
    // rows last and the database keeps its bytes; see KeepCell for longer.
    std::string_view Cell(std::size_t row, int column) const;
    // The cell as the list shows it: its first ShownCellLength bytes.
    std::string_view ShownCell(std::size_t row, int column) const;
    ResultCells Cells(std::size_t row) const;

    // One cell read again on demand, valid past these rows and past the database: a row
    // shown elsewhere keeps it while later searches replace the rows and later downloads
    // replace the database.
    class KeptCell {
    public:
        std::string_view Text() const;

    private:
        friend class ResultRows;
        std::shared_ptr<const Share> rows_;
        std::size_t row_ = 0;
        int column_ = 0;
    };
    KeptCell KeepCell(std::size_t row, int column) const;

    // Bytes the rows keep alive on their own: none while they read a database that still
    // holds its bytes, their records' (or the old database's) once it let them go.
    std::size_t HeldBytes() const;

    // Rows of more bytes than this have their fields located when they are searched, so a
    // cell behind megabytes of other fields is found at once.
    static constexpr std::size_t LocatedRowBytes = 4096;

    // When the database lets its bytes go, the rows keep the whole old text rather than
    // copy their records out of it if their records make up at least this share of it:
    // a copy then would cost nearly as much memory and take time.
    static constexpr std::size_t KeepWholeNumerator = 3;
    static constexpr std::size_t KeepWholeDenominator = 4;

    // The bytes of one row's record, its lines with their breaks.
    std::string_view RowText(std::size_t row) const;

private:
    std::shared_ptr<Share> share_;
};

} // namespace zuneigo
