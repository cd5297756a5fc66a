#include "net/AddressText.h"

namespace zuneigo {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
} // namespace

bool IsDottedAddress(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i >= text.size() || text[i] == '.') return false;
    int dots = 0;
    long value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.') {
            ++dots;
            if (dots > 3 || value > 255 || i + 1 >= text.size() || !IsDigit(text[i + 1])) return false;
            value = 0;
        } else if (IsDigit(c)) {
            value = value * 10 + (c - '0');
            if (value > 100000) value = 100000; // stays "above 255" without overflowing
        } else {
            while (i < text.size() && text[i] == ' ')
                ++i;
            if (i < text.size()) return false;
            break;
        }
    }
    return dots == 3 && value <= 255;
}

int ParseLeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 0x7FFFFFFF) value = 0x7FFFFFFF; // clamps instead of wrapping
    }
    return static_cast<int>(value);
}

} // namespace zuneigo
