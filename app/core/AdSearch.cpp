#include "app/core/AdSearch.h"

#include "app/core/ParallelJobs.h"

#include <algorithm>
#include <cmath>

namespace zuneigo {

namespace {

// The summary bits a record needs: crosswise exact flags, an age and a position.
std::uint8_t RequiredFlags(const SearchCriteria& criteria)
{
    return static_cast<std::uint8_t>((criteria.SearcherSeeksMan ? AdSummary::IsManOne : AdSummary::IsManZero) |
                                     (criteria.SearcherIsMan ? AdSummary::SeeksManOne : AdSummary::SeeksManZero) |
                                     AdSummary::AgeValid | AdSummary::PositionValid);
}

bool FieldsMatch(const AdSearchFields& f, const SearchCriteria& criteria)
{
    const std::uint8_t required = RequiredFlags(criteria);
    return (f.Flags & required) == required && f.Age >= criteria.VonAge && f.Age <= criteria.BisAge &&
        !(DistanceKm({f.PosX, f.PosY}, criteria.Position) > criteria.UmKreis);
}

// The search over the records [begin, end), from the last to the first, for one pass.
class SearchPass {
public:
    SearchPass(const AdDatabase& db, const SearchCriteria& criteria)
        : db_(db),
          criteria_(criteria),
          required_(RequiredFlags(criteria))
    {
        // Squared pixel distances clearly inside or outside the radius need no square
        // root; only those within a hair of it are decided by the exact distance. The
        // distance only grows with the squared distance, so the bounds cannot change a result.
        // In whole squared pixels (a record's are whole): below inside_ matches, beyond
        // outside_ does not.
        // A negative radius matches nothing (the caller skips the pass).
        const double radiusPixels = std::max(criteria.UmKreis, 0) * PixelsPerKm;
        inside_ = static_cast<std::uint64_t>(std::ceil(radiusPixels * radiusPixels * (1 - 1e-9)));
        outside_ = static_cast<std::uint64_t>(std::floor(radiusPixels * radiusPixels * (1 + 1e-9)));
    }

    void Run(std::size_t begin, std::size_t end, std::vector<std::size_t>& matches) const
    {
        const AdSummary* summaries = &db_.Summary(0);
        const std::int32_t von = criteria_.VonAge;
        const std::int32_t bis = criteria_.BisAge;
        const std::int64_t x = criteria_.Position.X;
        const std::int64_t y = criteria_.Position.Y;
        // Matches are written without a branch into a block and moved on per block: most
        // records fail a test, in no predictable pattern.
        constexpr std::size_t Block = 2048;
        std::size_t found[Block];
        for (std::size_t blockEnd = end; blockEnd > begin;) {
            const std::size_t blockBegin = blockEnd - std::min(Block, blockEnd - begin);
            std::size_t n = 0;
            for (std::size_t k = blockEnd; k-- > blockBegin;) {
                const AdSummary s = summaries[k];
                const bool candidate = ((s.Flags & (required_ | AdSummary::Wide)) == required_) & (s.Age >= von) &
                    (s.Age <= bis);
                // Below 2^32 apart, so each square fits and so does their sum, unsigned.
                const auto dx = static_cast<std::uint64_t>(s.PosX - x);
                const auto dy = static_cast<std::uint64_t>(s.PosY - y);
                const std::uint64_t squared = dx * dx + dy * dy;
                bool match = candidate & (squared < inside_);
                if ((candidate & (squared >= inside_) & (squared <= outside_)) | ((s.Flags & AdSummary::Wide) != 0))
                    [[unlikely]]
                    match = Exact(k, s);
                found[n] = k;
                n += match;
            }
            matches.insert(matches.end(), found, found + n);
            blockEnd = blockBegin;
        }
    }

private:
    bool Exact(std::size_t k, const AdSummary& s) const
    {
        if (s.Flags & AdSummary::Wide)
            return FieldsMatch(ReadSearchFields(db_.RecordText(k)), criteria_);
        return !(DistanceKm({s.PosX, s.PosY}, criteria_.Position) > criteria_.UmKreis);
    }

    const AdDatabase& db_;
    const SearchCriteria& criteria_;
    std::uint8_t required_;
    std::uint64_t inside_;
    std::uint64_t outside_;
};

} // namespace

bool RecordMatches(const AdDatabase& db, std::size_t record, const SearchCriteria& criteria)
{
    if (record >= db.RecordCount())
        return false;
    return FieldsMatch(ReadSearchFields(db.RecordText(record)), criteria);
}

std::vector<std::size_t> SearchAds(const AdDatabase& db, const SearchCriteria& criteria)
{
    std::vector<std::size_t> matches;
    const std::size_t n = db.RecordCount();
    if (n == 0 || criteria.UmKreis < 0)
        return matches; // no distance is below a negative radius
    const SearchPass pass(db, criteria);
    if (n < ParallelSearchMin) {
        pass.Run(0, n, matches);
        return matches;
    }
    // A large database in slices that two threads take as they go; the list shows the
    // later slices' matches first.
    const std::size_t count = std::clamp<std::size_t>(n / std::max<std::size_t>(SearchJobRecords, 1), 2, 256);
    std::vector<std::vector<std::size_t>> found(count);
    RunJobs(count, [&](std::size_t j) { pass.Run(n / count * j, j + 1 == count ? n : n / count * (j + 1), found[j]); });
    std::size_t total = 0;
    for (const auto& slice : found)
        total += slice.size();
    matches.reserve(total);
    for (std::size_t j = count; j-- > 0;)
        matches.insert(matches.end(), found[j].begin(), found[j].end());
    return matches;
}

std::string SearchDoneText(std::size_t matches)
{
    return "Die Suche wurde beendet. Es wurden " + std::to_string(matches) + " passende Anzeigen gefunden.";
}

} // namespace zuneigo
