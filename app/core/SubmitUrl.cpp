#include "app/core/SubmitUrl.h"

#include "app/core/LineBreaks.h"

namespace zuneigo {

std::string EncodeQueryValue(std::string_view text)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            out += ch;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += Hex[c >> 4];
            out += Hex[c & 15];
        }
    }
    return out;
}

std::string OneLine(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end) {
        const char* e = linebreaks::LineEnd(p, end);
        out.append(p, e);
        if (e == end)
            break;
        out += ' ';
        p = linebreaks::SkipBreak(e, end);
    }
    return out;
}

std::string BuildSubmitUrl(std::string_view prefix, const AdValues& values)
{
    std::string url(prefix);
    for (int i = 0; i < AdFieldCount; ++i) {
        if (i > 0)
            url += "&T" + std::to_string(i + 1) + "=";
        // A record field holds no line break: one would split the ad in the database.
        url += EncodeQueryValue(OneLine(values[static_cast<std::size_t>(i)]));
    }
    return url;
}

} // namespace zuneigo
