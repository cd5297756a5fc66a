#include "app/core/AdSearch.h"

#include "app/core/LineBreaks.h"
#include "base/IntText.h"

namespace zuneigo {

namespace {

using namespace linebreaks;

bool IsFlag(std::string_view text, bool flag)
{
    return text.size() == 1 && text[0] == (flag ? '1' : '0');
}

} // namespace

bool RecordMatches(const AdDatabase& db, std::size_t record, const SearchCriteria& criteria)
{
    // Fields 1 to 3 are read forward from the record's start and fields 12 and 13
    // backward from its end, so the long free-text fields in between are never scanned.
    const std::string_view text = db.RecordText(record);
    const char* const begin = text.data();
    const char* const end = begin + text.size();

    const char* p = SkipBreak(LineEnd(begin, end), end); // past Name
    const char* e = LineEnd(p, end);
    if (!IsFlag({p, static_cast<std::size_t>(e - p)}, criteria.SearcherSeeksMan)) // IsMan
        return false;
    p = SkipBreak(e, end);
    e = LineEnd(p, end);
    if (!IsFlag({p, static_cast<std::size_t>(e - p)}, criteria.SearcherIsMan)) // SeeksMan
        return false;
    p = SkipBreak(e, end);
    e = LineEnd(p, end);
    const auto age = TryStrToInt({p, static_cast<std::size_t>(e - p)});
    if (!age || *age < criteria.VonAge || *age > criteria.BisAge)
        return false;

    const char* yEnd = StripBreakBackward(begin, end);
    const char* yStart = LineStartBackward(begin, yEnd);
    const char* xEnd = StripBreakBackward(begin, yStart);
    const char* xStart = LineStartBackward(begin, xEnd);
    const auto x = TryStrToInt({xStart, static_cast<std::size_t>(xEnd - xStart)});
    if (!x)
        return false;
    const auto y = TryStrToInt({yStart, static_cast<std::size_t>(yEnd - yStart)});
    if (!y)
        return false;
    return !(DistanceKm({*x, *y}, criteria.Position) > criteria.UmKreis);
}

std::vector<std::size_t> SearchAds(const AdDatabase& db, const SearchCriteria& criteria)
{
    std::vector<std::size_t> matches;
    for (std::size_t k = db.RecordCount(); k-- > 0;) {
        if (RecordMatches(db, k, criteria))
            matches.push_back(k);
    }
    return matches;
}

std::string SearchDoneText(std::size_t matches)
{
    return "Die Suche wurde beendet. Es wurden " + std::to_string(matches) + " passende Anzeigen gefunden.";
}

} // namespace zuneigo
