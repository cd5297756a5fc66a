#include "app/core/ResultColumns.h"

#include "app/core/LineBreaks.h"

#include <cstring>

namespace zuneigo {

ResultRows::ResultRows(const AdDatabase& db, const SearchCriteria& criteria)
{
    const std::vector<std::size_t> matches = SearchAds(db, criteria);
    // Sized once: a large result is neither regrown nor held twice.
    std::size_t total = 0;
    for (std::size_t k : matches)
        total += db.RecordText(k).size();
    text_.resize(total);
    rowStarts_.reserve(matches.size());
    char* out = text_.data();
    for (std::size_t k : matches) {
        const std::string_view record = db.RecordText(k);
        rowStarts_.push_back(static_cast<std::size_t>(out - text_.data()));
        std::memcpy(out, record.data(), record.size());
        out += record.size();
    }
}

// Each row is split on its own, so a break at the end of one record never joins the first
// line of the next (a lone CR followed by an empty line's LF).
std::string_view ResultRows::RowText(std::size_t row) const
{
    const std::size_t begin = rowStarts_[row];
    const std::size_t end = row + 1 < rowStarts_.size() ? rowStarts_[row + 1] : text_.size();
    return {text_.data() + begin, end - begin};
}

std::string_view ResultRows::Cell(std::size_t row, int column) const
{
    // Walks only up to the column's line: a shown cell is read once per paint.
    const std::string_view text = RowText(row);
    return linebreaks::NthLine(text.data(), text.data() + text.size(),
                               static_cast<std::size_t>(ResultColumns[static_cast<std::size_t>(column)].Field));
}

std::string_view ResultRows::ShownCell(std::size_t row, int column) const
{
    return Cell(row, column).substr(0, ShownCellLength);
}

ResultCells ResultRows::Cells(std::size_t row) const
{
    const std::string_view text = RowText(row);
    const auto fields = linebreaks::SplitLines<AdFieldCount>(text.data(), text.data() + text.size());
    ResultCells cells;
    for (std::size_t c = 0; c < cells.size(); ++c)
        cells[c] = fields[ResultColumns[c].Field];
    return cells;
}

} // namespace zuneigo
