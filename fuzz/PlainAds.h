#pragma once
// The line break and search rules written the plain way: the reference the database's
// fuzz targets and search tests compare against.
#include "app/core/AdSearch.h"
#include "base/IntText.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zuneigo::plain {

// CR LF, a lone CR and a lone LF each end a line; a final break adds no empty line.
inline std::vector<std::string> Lines(std::string_view text)
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

// The text appended in two pieces cut at cut: the lines of each piece, one after the other.
inline std::vector<std::string> LinesInPieces(std::string_view text, std::size_t cut)
{
    auto lines = Lines(text.substr(0, cut));
    const auto rest = Lines(text.substr(cut));
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
}

// The matching whole records of lines, last record first.
inline std::vector<std::size_t> Search(const std::vector<std::string>& lines, const SearchCriteria& c)
{
    std::vector<std::size_t> rows;
    for (std::size_t k = 0; k < lines.size() / 14; ++k) {
        const auto field = [&](int i) { return lines[k * 14 + static_cast<std::size_t>(i)]; };
        if (field(1) != (c.SearcherSeeksMan ? "1" : "0") || field(2) != (c.SearcherIsMan ? "1" : "0"))
            continue;
        const auto age = TryStrToInt(field(3));
        if (!age || *age < c.VonAge || *age > c.BisAge)
            continue;
        const auto x = TryStrToInt(field(12));
        const auto y = TryStrToInt(field(13));
        if (!x || !y)
            continue;
        const double dx = static_cast<double>(*x) - c.Position.X;
        const double dy = static_cast<double>(*y) - c.Position.Y;
        if (std::sqrt(dx * dx + dy * dy) / PixelsPerKm > c.UmKreis)
            continue;
        rows.insert(rows.begin(), k);
    }
    return rows;
}

// Search criteria from the first CriteriaBytes bytes of a fuzz input, spread over the
// ranges where matches and near misses both occur.
inline constexpr std::size_t CriteriaBytes = 6;
inline SearchCriteria CriteriaFromBytes(const std::uint8_t* data)
{
    SearchCriteria c;
    c.SearcherIsMan = data[0] & 1;
    c.SearcherSeeksMan = data[0] & 2;
    c.VonAge = data[1] % 40;
    c.BisAge = data[2] % 80;
    c.UmKreis = data[3] * 4;
    c.Position = {data[4] - 20, data[5] - 20};
    return c;
}

} // namespace zuneigo::plain
