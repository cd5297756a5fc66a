// deps: zuneigo_core zuneigo_base
// Searches arbitrary database bytes and compares the result with a plain search over
// plainly split lines. The first bytes choose the criteria.
#include "app/core/AdSearch.h"
#include "base/IntText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> PlainLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

std::vector<std::size_t> PlainSearch(const std::vector<std::string>& lines, const zuneigo::SearchCriteria& c)
{
    std::vector<std::size_t> rows;
    for (std::size_t k = 0; k < lines.size() / 14; ++k) {
        const auto field = [&](int i) { return lines[k * 14 + static_cast<std::size_t>(i)]; };
        if (field(1) != (c.SearcherSeeksMan ? "1" : "0") || field(2) != (c.SearcherIsMan ? "1" : "0"))
            continue;
        const auto age = zuneigo::TryStrToInt(field(3));
        if (!age || *age < c.VonAge || *age > c.BisAge)
            continue;
        const auto x = zuneigo::TryStrToInt(field(12));
        const auto y = zuneigo::TryStrToInt(field(13));
        if (!x || !y)
            continue;
        const double dx = static_cast<double>(*x) - c.Position.X;
        const double dy = static_cast<double>(*y) - c.Position.Y;
        if (std::sqrt(dx * dx + dy * dy) / zuneigo::PixelsPerKm > c.UmKreis)
            continue;
        rows.insert(rows.begin(), k);
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 6)
        return 0;
    zuneigo::SearchCriteria c;
    c.SearcherIsMan = data[0] & 1;
    c.SearcherSeeksMan = data[0] & 2;
    c.VonAge = data[1] % 40;
    c.BisAge = data[2] % 80;
    c.UmKreis = data[3] * 4;
    c.Position = {data[4] - 20, data[5] - 20};
    const std::string_view text(reinterpret_cast<const char*>(data + 6), size - 6);

    zuneigo::AdDatabase db;
    db.AppendText(text);
    const auto expected = PlainSearch(PlainLines(text), c);
    if (zuneigo::SearchAds(db, c) != expected)
        std::abort();
    for (std::size_t k = 0; k < db.RecordCount(); ++k) {
        const bool listed = std::find(expected.begin(), expected.end(), k) != expected.end();
        if (zuneigo::RecordMatches(db, k, c) != listed)
            std::abort();
    }

    // Appended in two pieces: the lines of each piece, records running across the cut.
    const std::size_t cut = text.empty() ? 0 : data[1] % (text.size() + 1);
    auto lines = PlainLines(text.substr(0, cut));
    const auto rest = PlainLines(text.substr(cut));
    lines.insert(lines.end(), rest.begin(), rest.end());
    zuneigo::AdDatabase pieces;
    pieces.AppendText(text.substr(0, cut));
    pieces.AppendText(text.substr(cut));
    if (zuneigo::SearchAds(pieces, c) != PlainSearch(lines, c))
        std::abort();
    return 0;
}
