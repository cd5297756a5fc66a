#pragma once
// The command line of zuneigo-fetch.
#include "http/HttpDate.h"

#include <optional>
#include <string>
#include <vector>

namespace zuneigo::fetch {

struct FetchOptions {
    std::string url;
    std::string output; // empty: standard output
    std::string method = "GET";
    std::string dataFile;
    std::optional<std::string> contentType;
    std::string proxy;
    std::optional<std::string> proxyPort;
    std::optional<std::string> proxyUser, proxyPass;
    std::optional<std::string> user, pass;
    std::optional<std::string> agent, accept, referer, from, cookie;
    bool noCache = false;
    std::string rangeBegin, rangeEnd;
    TDateTime ifModifiedSince = 0;
    std::string socksServer, socksPort, socksLevel, socksUser, socksPass;
    bool socks = false;
    std::optional<double> maxTime; // seconds for the whole transfer
    bool showHeader = false;       // -i
    bool verbose = false;          // -v
    bool silent = false;           // no progress meter
    bool help = false;
};

// Raised for a command line that cannot be used; the message says why.
struct UsageError {
    std::string message;
};

FetchOptions ParseFetchOptions(const std::vector<std::string>& args);
extern const char* const FetchHelp;

} // namespace zuneigo::fetch
