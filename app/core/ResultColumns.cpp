#include "app/core/ResultColumns.h"

#include "app/core/LineBreaks.h"

#include <algorithm>
#include <cstring>

namespace zuneigo {

namespace {

// The end of the line starting at p: the first CR or LF, found by the library's byte
// search, which crosses a megabyte field many times faster than a loop.
const char* FastLineEnd(const char* p, const char* end)
{
    const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* stop = lf ? lf : end;
    const auto* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(stop - p)));
    return cr ? cr : stop;
}

} // namespace

ResultRows::ResultRows(const AdDatabase& db, const SearchCriteria& criteria)
{
    const std::vector<std::size_t> matches = SearchAds(db, criteria);
    // Reserved once: a large result is neither regrown nor held twice, nor zeroed before
    // it is copied.
    std::size_t total = 0;
    for (std::size_t k : matches)
        total += db.RecordText(k).size();
    text_->reserve(total);
    rowStarts_.reserve(matches.size());
    for (std::size_t k : matches) {
        const std::string_view record = db.RecordText(k);
        const std::size_t start = text_->size();
        rowStarts_.push_back(start);
        text_->insert(text_->end(), record.begin(), record.end());
        if (record.size() > LocatedRowBytes)
            Locate(rowStarts_.size() - 1, start);
    }
}

void ResultRows::Locate(std::size_t row, std::size_t start)
{
    LocatedRow located{row, {}};
    const char* p = text_->data() + start;
    const char* end = text_->data() + text_->size();
    for (auto& field : located.Fields) {
        const char* e = FastLineEnd(p, end);
        field = {static_cast<std::size_t>(p - text_->data()), static_cast<std::size_t>(e - text_->data())};
        p = linebreaks::SkipBreak(e, end);
    }
    located_.push_back(located);
}

// Each row is split on its own, so a break at the end of one record never joins the first
// line of the next (a lone CR followed by an empty line's LF).
std::string_view ResultRows::RowText(std::size_t row) const
{
    const std::size_t begin = rowStarts_[row];
    const std::size_t end = row + 1 < rowStarts_.size() ? rowStarts_[row + 1] : text_->size();
    return {text_->data() + begin, end - begin};
}

std::string_view ResultRows::Cell(std::size_t row, int column) const
{
    const std::string_view text = RowText(row);
    const auto field = static_cast<std::size_t>(ResultColumns[static_cast<std::size_t>(column)].Field);
    if (text.size() > LocatedRowBytes) {
        const auto it = std::lower_bound(located_.begin(), located_.end(), row,
                                         [](const LocatedRow& l, std::size_t r) { return l.Row < r; });
        const auto [begin, end] = it->Fields[field];
        return {text_->data() + begin, end - begin};
    }
    // Walks only up to the column's line: a shown cell is read once per paint.
    return linebreaks::NthLine(text.data(), text.data() + text.size(), field);
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
