#pragma once
// Where a request goes: the connection target and request target derived from the
// document address and the proxy, the new target after a "location" field, and the
// suggested file name of the document.
#include <string>
#include <string_view>

namespace zuneigo {

struct HttpTarget {
    std::string connectHost; // looked up and connected to
    std::string connectPort;
    std::string originHost;  // the "Host: " value
    std::string requestPath; // path (direct) or absolute address (through a proxy)
    std::string location;    // address of the current document
    std::string user;        // credentials carried by the address, empty when none
    std::string pass;
};

// Derives the target of a request for url, directly or through proxy (empty = direct);
// proxyPort is used when the proxy text names no port.
HttpTarget DeriveHttpTarget(std::string_view url, std::string_view proxy, std::string_view proxyPort);

// Applies a received "location" value to the target. Returns false, leaving the target
// alone, when the value is not followed (empty, or carrying control characters that
// would end up in the request line).
bool ApplyHttpLocation(HttpTarget& target, std::string_view value, bool viaProxy);

// "document.htm" for an empty or root path, else the last path segment without query.
std::string HttpDocName(std::string_view url);

} // namespace zuneigo
