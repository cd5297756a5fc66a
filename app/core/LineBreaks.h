#pragma once
// The line break rules of the database text: CR LF is one break, and so are a lone CR
// and a lone LF; LF CR is two. Lines never contain CR or LF themselves, which makes
// every break recognisable from its neighbouring bytes alone.
#include <array>
#include <cstddef>
#include <string_view>

namespace zuneigo::linebreaks {

inline bool IsBreakByte(char c) { return c == '\r' || c == '\n'; }

// First CR or LF at or after p, or end.
inline const char* LineEnd(const char* p, const char* end)
{
    while (p != end && !IsBreakByte(*p))
        ++p;
    return p;
}

// p points at a break byte (or end): returns the start of the next line.
inline const char* SkipBreak(const char* p, const char* end)
{
    if (p == end)
        return p;
    if (*p == '\r' && p + 1 != end && p[1] == '\n')
        return p + 2;
    return p + 1;
}

// end points just after a line's content and its break (or at the end of the text with
// no break); returns the end of that line's content. begin bounds the search.
inline const char* StripBreakBackward(const char* begin, const char* end)
{
    if (end != begin && end[-1] == '\n')
        --end;
    // A CR before a stripped LF belongs to the same break; a CR without LF is a break too.
    if (end != begin && end[-1] == '\r')
        --end;
    return end;
}

// lineEnd is the end of a line's content; returns the start of that line.
inline const char* LineStartBackward(const char* begin, const char* lineEnd)
{
    while (lineEnd != begin && !IsBreakByte(lineEnd[-1]))
        --lineEnd;
    return lineEnd;
}

// Line n (counted from 0) of the text from p to end; empty when the text has fewer lines.
inline std::string_view NthLine(const char* p, const char* end, std::size_t n)
{
    for (; n != 0; --n)
        p = SkipBreak(LineEnd(p, end), end);
    return {p, static_cast<std::size_t>(LineEnd(p, end) - p)};
}

// The first N lines of the text from p to end; lines missing at the end are empty.
template <std::size_t N>
std::array<std::string_view, N> SplitLines(const char* p, const char* end)
{
    std::array<std::string_view, N> lines;
    for (auto& line : lines) {
        const char* e = LineEnd(p, end);
        line = {p, static_cast<std::size_t>(e - p)};
        p = SkipBreak(e, end);
    }
    return lines;
}

} // namespace zuneigo::linebreaks
