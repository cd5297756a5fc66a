#pragma once
// The partner search: a linear pass over the whole records of the database.
#include "app/core/AdDatabase.h"
#include "app/core/MapScale.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zuneigo {

struct SearchCriteria {
    bool SearcherIsMan = true;     // "Du bist: ein Mann"
    bool SearcherSeeksMan = false; // "Du suchst: ein Mann"
    std::int32_t VonAge = 18;      // inclusive
    std::int32_t BisAge = 20;      // inclusive
    std::int32_t UmKreis = 150;    // km, inclusive
    MapPoint Position{136, 120};   // the search marker's top-left corner
};

// The record test. The genders are compared crosswise and as exact text: the ad's IsMan
// against the gender sought, its SeeksMan against the searcher's own. A record whose age
// or position does not convert to an integer does not match.
bool RecordMatches(const AdDatabase& db, std::size_t record, const SearchCriteria& criteria);

// The matching records in the order of the result list: each match goes to the top, so
// the list shows them in reverse database order.
std::vector<std::size_t> SearchAds(const AdDatabase& db, const SearchCriteria& criteria);
// Databases of this many records on are searched by two threads, in slices of
// SearchJobRecords records.
inline std::size_t ParallelSearchMin = 262144;
inline std::size_t SearchJobRecords = 65536;

// The result line "Die Suche wurde beendet. Es wurden N passende Anzeigen gefunden."
std::string SearchDoneText(std::size_t matches);

} // namespace zuneigo
