#include "app/core/AdSearch.h"

namespace zuneigo {

namespace {

bool Matches(const AdSummary& s, std::uint8_t required, const SearchCriteria& criteria)
{
    // The cheap tests combined without branches: most records fail one of them, in no
    // predictable pattern, and the square root is left to the few that pass.
    const bool candidate = ((s.Flags & required) == required) & (s.Age >= criteria.VonAge) & (s.Age <= criteria.BisAge);
    return candidate && !(DistanceKm({s.PosX, s.PosY}, criteria.Position) > criteria.UmKreis);
}

// The summary bits a record needs: crosswise exact flags, an age and a position.
std::uint8_t RequiredFlags(const SearchCriteria& criteria)
{
    return static_cast<std::uint8_t>((criteria.SearcherSeeksMan ? AdSummary::IsManOne : AdSummary::IsManZero) |
                                     (criteria.SearcherIsMan ? AdSummary::SeeksManOne : AdSummary::SeeksManZero) |
                                     AdSummary::AgeValid | AdSummary::PositionValid);
}

} // namespace

bool RecordMatches(const AdDatabase& db, std::size_t record, const SearchCriteria& criteria)
{
    if (record >= db.RecordCount())
        return false;
    return Matches(db.Summary(record), RequiredFlags(criteria), criteria);
}

std::vector<std::size_t> SearchAds(const AdDatabase& db, const SearchCriteria& criteria)
{
    const std::uint8_t required = RequiredFlags(criteria);
    const std::int32_t von = criteria.VonAge;
    const std::int32_t bis = criteria.BisAge;
    const double x = criteria.Position.X;
    const double y = criteria.Position.Y;
    // Squared pixel distances clearly inside or outside the radius need no square root;
    // only those within a hair of it are decided by the exact distance. The distance only
    // grows with the squared distance, so the bounds cannot change a result.
    const double radiusPixels = criteria.UmKreis * PixelsPerKm;
    const double inside = criteria.UmKreis < 0 ? -1.0 : radiusPixels * radiusPixels * (1 - 1e-9);
    const double outside = criteria.UmKreis < 0 ? -1.0 : radiusPixels * radiusPixels * (1 + 1e-9);

    std::vector<std::size_t> matches;
    const AdSummary* summaries = db.RecordCount() == 0 ? nullptr : &db.Summary(0);
    for (std::size_t k = db.RecordCount(); k-- > 0;) {
        const AdSummary& s = summaries[k];
        // Combined without branches: most records fail a test, in no predictable pattern.
        const bool candidate = ((s.Flags & required) == required) & (s.Age >= von) & (s.Age <= bis);
        const double dx = s.PosX - x;
        const double dy = s.PosY - y;
        const double squared = dx * dx + dy * dy;
        bool match = candidate & (squared < inside);
        if (candidate & (squared >= inside) & (squared <= outside)) [[unlikely]]
            match = !(DistanceKm({s.PosX, s.PosY}, criteria.Position) > criteria.UmKreis);
        if (match)
            matches.push_back(k);
    }
    return matches;
}

std::string SearchDoneText(std::size_t matches)
{
    return "Die Suche wurde beendet. Es wurden " + std::to_string(matches) + " passende Anzeigen gefunden.";
}

} // namespace zuneigo
