#include "app/core/ResultColumns.h"

#include <cstring>

namespace zuneigo {

ResultRows::ResultRows(const AdDatabase& db, const SearchCriteria& criteria)
{
    const std::vector<std::size_t> matches = SearchAds(db, criteria);
    // Two walks over the matches: the buffer is sized once, so a large result is neither
    // regrown nor held twice.
    std::size_t total = 0;
    for (std::size_t k : matches) {
        const auto fields = db.Record(k);
        for (const ResultColumn& c : ResultColumns)
            total += fields[c.Field].size() + 1;
    }
    text_.resize(total);
    rowStarts_.reserve(matches.size());
    char* out = text_.data();
    for (std::size_t k : matches) {
        const auto fields = db.Record(k);
        rowStarts_.push_back(static_cast<std::size_t>(out - text_.data()));
        for (const ResultColumn& c : ResultColumns) {
            // A database line holds no line break, so '\n' can end a cell.
            const std::string_view cell = fields[c.Field];
            std::memcpy(out, cell.data(), cell.size());
            out += cell.size();
            *out++ = '\n';
        }
    }
}

std::string_view ResultRows::Cell(std::size_t row, int column) const
{
    return Cells(row)[static_cast<std::size_t>(column)];
}

ResultCells ResultRows::Cells(std::size_t row) const
{
    ResultCells cells;
    const char* p = text_.data() + rowStarts_[row];
    for (auto& cell : cells) {
        const char* end = static_cast<const char*>(std::memchr(p, '\n', text_.size() - static_cast<std::size_t>(p - text_.data())));
        cell = std::string_view(p, static_cast<std::size_t>(end - p));
        p = end + 1;
    }
    return cells;
}

} // namespace zuneigo
