#include "app/core/SubmitUrl.h"

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

std::string BuildSubmitUrl(std::string_view prefix, const AdValues& values)
{
    std::string url(prefix);
    for (int i = 0; i < AdFieldCount; ++i) {
        if (i > 0)
            url += "&T" + std::to_string(i + 1) + "=";
        url += EncodeQueryValue(values[static_cast<std::size_t>(i)]);
    }
    return url;
}

} // namespace zuneigo
