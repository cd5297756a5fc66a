#include "base/StringUtil.h"

namespace zuneigo {

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
} // namespace

std::string TrimLeft(std::string_view s)
{
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s)
{
    std::size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

std::string LowerCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = Lower(c);
    return r;
}

std::string UpperCase(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = Upper(c);
    return r;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

} // namespace zuneigo
