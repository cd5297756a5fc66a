#pragma once
// Command line of zuneigo-search.
#include "app/core/AdSearch.h"

#include <string>
#include <vector>

namespace zuneigo::search {

struct UsageError {
    std::string message;
};

struct SearchOptions {
    SearchCriteria criteria; // the search tab's defaults unless given
    std::string proxy;
    std::string source; // a file, or an http:// address
    bool help = false;
};

extern const char* const SearchHelp;

// Raises UsageError.
SearchOptions ParseSearchOptions(const std::vector<std::string>& args);

} // namespace zuneigo::search
