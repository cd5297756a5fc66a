#pragma once
// Address splitting and the small text searches the HTTP client builds on. Positions
// are 1-based character positions, as in the client's header handling.
#include <string>
#include <string_view>

namespace zuneigo {

struct UrlParts {
    std::string proto;
    std::string user;
    std::string pass;
    std::string host;
    std::string port;
    std::string path;
};

// Splits an address into its six parts; absent parts stay empty. Only a leading "/" or
// "http:" implies the scheme "http"; no port or path defaults are filled in, and the
// port is not checked.
UrlParts SplitUrl(std::string_view url);
void SplitUrl(std::string_view url, std::string& proto, std::string& user, std::string& pass,
              std::string& host, std::string& port, std::string& path);

// n > 0: position of the n-th (overlapping) occurrence of sub, or a value greater than
// text's length when there are fewer. n < 0: position of the last occurrence, 0 when
// none. n == 0: 0. An empty sub is never found.
std::size_t FindNth(std::string_view sub, std::string_view text, int n);

// Replaces the part after the last "." of name by ext (given without its dot), or
// appends "." and ext when name has no dot.
void SetDocExtension(std::string& name, std::string_view ext);

} // namespace zuneigo
