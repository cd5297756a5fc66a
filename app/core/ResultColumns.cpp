#include "app/core/ResultColumns.h"

#include "app/core/LargeBuffer.h"
#include "app/core/LineBreaks.h"

#include <algorithm>
#include <cstring>
#include <new>

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

struct ResultRows::Share final : AdDatabase::Viewer {
    struct Span {
        std::size_t Begin; // in base
        std::size_t End;
    };
    struct LocatedRow {
        std::size_t Row;
        std::array<std::pair<std::size_t, std::size_t>, AdFieldCount> Fields; // from the row's first byte
    };
    using Bytes = std::vector<char, LargeAllocator<char>>;

    const char* base = nullptr;       // the database's bytes, or those held below
    std::shared_ptr<const void> held; // set once the database let its bytes go
    std::size_t heldBytes = 0;
    std::vector<Span, LargeAllocator<Span>> rows;
    std::vector<LocatedRow> located; // the long rows, in row order

    std::string_view Text(std::size_t row) const
    {
        const Span span = rows[row];
        return {base + span.Begin, span.End - span.Begin};
    }
    std::string_view Cell(std::size_t row, int column) const;
    void Locate(std::size_t row);
    void BytesReleased(const std::shared_ptr<const std::vector<char>>& old) override;
};

void ResultRows::Share::Locate(std::size_t row)
{
    LocatedRow located{row, {}};
    const std::string_view text = Text(row);
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (auto& field : located.Fields) {
        const char* e = FastLineEnd(p, end);
        field = {static_cast<std::size_t>(p - text.data()), static_cast<std::size_t>(e - text.data())};
        p = linebreaks::SkipBreak(e, end);
    }
    this->located.push_back(located);
}

std::string_view ResultRows::Share::Cell(std::size_t row, int column) const
{
    const std::string_view text = Text(row);
    const auto field = static_cast<std::size_t>(ResultColumns[static_cast<std::size_t>(column)].Field);
    if (text.size() > LocatedRowBytes) {
        const auto it = std::lower_bound(located.begin(), located.end(), row,
                                         [](const LocatedRow& l, std::size_t r) { return l.Row < r; });
        const auto [begin, end] = it->Fields[field];
        return text.substr(begin, end - begin);
    }
    // Walks only up to the column's line: a shown cell is read once per paint.
    return linebreaks::NthLine(text.data(), text.data() + text.size(), field);
}

void ResultRows::Share::BytesReleased(const std::shared_ptr<const std::vector<char>>& old)
{
    std::size_t total = 0;
    for (const Span& span : rows)
        total += span.End - span.Begin;
    auto keepOld = [&] {
        held = old;
        heldBytes = old->capacity();
    };
    if (old && total * KeepWholeDenominator >= old->capacity() * KeepWholeNumerator) {
        keepOld();
        return;
    }
    auto copy = std::make_shared<Bytes>();
    try {
        // Reserved once, so the copy below neither regrows nor fails halfway.
        copy->reserve(total);
    } catch (const std::bad_alloc&) {
        if (!old)
            throw;
        keepOld();
        return;
    }
    for (Span& span : rows) {
        const std::size_t begin = copy->size();
        copy->insert(copy->end(), base + span.Begin, base + span.End);
        span = {begin, copy->size()};
    }
    base = copy->data();
    held = std::move(copy);
    heldBytes = total;
}

ResultRows::ResultRows() : share_(std::make_shared<Share>())
{
}

ResultRows::ResultRows(const AdDatabase& db, const SearchCriteria& criteria) : ResultRows()
{
    const std::vector<std::size_t> matches = SearchAds(db, criteria);
    if (matches.empty())
        return;
    Share& s = *share_;
    // Rows are noted from the first record on, which lies before every other.
    s.base = db.RecordText(0).data();
    s.rows.reserve(matches.size());
    for (std::size_t k : matches) {
        const std::string_view record = db.RecordText(k);
        s.rows.push_back({static_cast<std::size_t>(record.data() - s.base),
                          static_cast<std::size_t>(record.data() - s.base) + record.size()});
        if (record.size() > LocatedRowBytes)
            s.Locate(s.rows.size() - 1);
    }
    db.AddViewer(share_);
}

std::size_t ResultRows::Count() const
{
    return share_->rows.size();
}

std::size_t ResultRows::HeldBytes() const
{
    return share_->heldBytes;
}

// Each row is split on its own, so a break at the end of one record never joins the first
// line of the next (a lone CR followed by an empty line's LF).
std::string_view ResultRows::RowText(std::size_t row) const
{
    return share_->Text(row);
}

std::string_view ResultRows::Cell(std::size_t row, int column) const
{
    return share_->Cell(row, column);
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

ResultRows::KeptCell ResultRows::KeepCell(std::size_t row, int column) const
{
    KeptCell cell;
    cell.rows_ = share_;
    cell.row_ = row;
    cell.column_ = column;
    return cell;
}

std::string_view ResultRows::KeptCell::Text() const
{
    return rows_ ? rows_->Cell(row_, column_) : std::string_view();
}

} // namespace zuneigo
