// deps: zuneigo_core zuneigo_base
// Searches arbitrary database bytes and compares the result with a plain search over
// plainly split lines. The first bytes choose the criteria.
#include "app/core/AdSearch.h"
#include "fuzz/PlainAds.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < zuneigo::plain::CriteriaBytes)
        return 0;
    const zuneigo::SearchCriteria c = zuneigo::plain::CriteriaFromBytes(data);
    const std::string_view text(reinterpret_cast<const char*>(data + zuneigo::plain::CriteriaBytes), size - zuneigo::plain::CriteriaBytes);

    zuneigo::AdDatabase db;
    db.AppendText(text);
    const auto expected = zuneigo::plain::Search(zuneigo::plain::Lines(text), c);
    if (zuneigo::SearchAds(db, c) != expected)
        std::abort();
    for (std::size_t k = 0; k < db.RecordCount(); ++k) {
        const bool listed = std::find(expected.begin(), expected.end(), k) != expected.end();
        if (zuneigo::RecordMatches(db, k, c) != listed)
            std::abort();
    }

    // Appended in two pieces: the lines of each piece, records running across the cut.
    const std::size_t cut = text.empty() ? 0 : data[1] % (text.size() + 1);
    zuneigo::AdDatabase pieces;
    pieces.AppendText(text.substr(0, cut));
    pieces.AppendText(text.substr(cut));
    if (zuneigo::SearchAds(pieces, c) != zuneigo::plain::Search(zuneigo::plain::LinesInPieces(text, cut), c))
        std::abort();
    return 0;
}
