#include "http/TextEncoding.h"

namespace zuneigo {

namespace {

constexpr char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char UuChar(unsigned v) { return v == 0 ? '`' : static_cast<char>(32 + v); }

std::string EncodeBase64(const unsigned char* p, std::size_t count)
{
    std::string out;
    out.reserve((count + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const unsigned g = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
        out += Base64Alphabet[(g >> 18) & 63];
        out += Base64Alphabet[(g >> 12) & 63];
        out += Base64Alphabet[(g >> 6) & 63];
        out += Base64Alphabet[g & 63];
    }
    const std::size_t left = count - i;
    if (left > 0) {
        const unsigned g = (p[i] << 16) | (left == 2 ? p[i + 1] << 8 : 0);
        out += Base64Alphabet[(g >> 18) & 63];
        out += Base64Alphabet[(g >> 12) & 63];
        out += left == 2 ? Base64Alphabet[(g >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string EncodeUuLine(const unsigned char* p, std::size_t count)
{
    std::string out;
    out.reserve(1 + (count + 2) / 3 * 4);
    out += UuChar(count % 64);
    for (std::size_t i = 0; i < count; i += 3) {
        const unsigned b0 = p[i];
        const unsigned b1 = i + 1 < count ? p[i + 1] : 0;
        const unsigned b2 = i + 2 < count ? p[i + 2] : 0;
        const unsigned g = (b0 << 16) | (b1 << 8) | b2;
        out += UuChar((g >> 18) & 63);
        out += UuChar((g >> 12) & 63);
        out += UuChar((g >> 6) & 63);
        out += UuChar(g & 63);
    }
    return out;
}

} // namespace

std::string EncodeBytes(int mode, const void* bytes, std::size_t count)
{
    const auto* p = static_cast<const unsigned char*>(bytes);
    return mode == 0 ? EncodeUuLine(p, count) : EncodeBase64(p, count);
}

std::string EncodeText(int mode, std::string_view text) { return EncodeBytes(mode, text.data(), text.size()); }

} // namespace zuneigo
