#include "ui/gif/GIFDecoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace zuneigo::gifdetail {

namespace {

constexpr unsigned MaxCodes = 4096;
// Room behind the pixel run for a whole string plus one 8-byte copy step, so strings are
// copied in 8-byte steps without checking the end.
constexpr std::size_t Slack = MaxCodes + 16;
constexpr std::size_t CodePadding = 8;

struct FreeDeleter {
    void operator()(std::uint8_t* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<std::uint8_t[], FreeDeleter>;

Buffer Allocate(std::size_t size)
{
    auto* p = static_cast<std::uint8_t*>(std::calloc(size, 1));
    if (!p)
        throw std::bad_alloc();
    return Buffer(p);
}

// The sub-blocks joined into one run of code bytes, zero-padded so a code can be fetched
// with one 8-byte load.
std::vector<std::uint8_t> JoinSubBlocks(const std::vector<std::uint8_t>& data, std::size_t& length)
{
    std::vector<std::uint8_t> codes;
    codes.resize(data.size() + CodePadding);
    std::size_t n = 0;
    std::size_t i = 1;
    while (i < data.size()) {
        const std::size_t len = data[i++];
        if (len == 0)
            break;
        const std::size_t take = std::min(len, data.size() - i);
        std::memcpy(codes.data() + n, data.data() + i, take);
        n += take;
        i += take;
    }
    length = n;
    std::memset(codes.data() + n, 0, codes.size() - n);
    return codes;
}

inline void CopyString(std::uint8_t* dst, const std::uint8_t* src, std::size_t len)
{
    // The source lies wholly before the destination; 8-byte steps may overlap it, which only
    // spoils bytes past the string that later strings overwrite.
    for (std::size_t k = 0; k < len; k += 8) {
        std::uint64_t t;
        std::memcpy(&t, src + k, 8);
        std::memcpy(dst + k, &t, 8);
    }
}

// Row of the image that the n-th decoded row lands on.
std::vector<int> RowOrder(int height, bool interlaced)
{
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    static constexpr int start[4] = {0, 4, 2, 1};
    static constexpr int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < height; y += step[pass])
            order.push_back(y);
    return order;
}

void PackRow(std::uint8_t* dst, const std::uint8_t* src, std::size_t count, int depth)
{
    switch (depth) {
    case 8:
        std::memcpy(dst, src, count);
        break;
    case 4: {
        std::size_t x = 0;
        for (; x + 1 < count; x += 2)
            *dst++ = static_cast<std::uint8_t>(((src[x] & 15) << 4) | (src[x + 1] & 15));
        if (x < count)
            *dst = static_cast<std::uint8_t>((src[x] & 15) << 4);
        break;
    }
    default: {
        std::size_t x = 0;
        for (; x + 8 <= count; x += 8) {
            const std::uint8_t* s = src + x;
            *dst++ = static_cast<std::uint8_t>(((s[0] & 1) << 7) | ((s[1] & 1) << 6) | ((s[2] & 1) << 5) | ((s[3] & 1) << 4)
                                               | ((s[4] & 1) << 3) | ((s[5] & 1) << 2) | ((s[6] & 1) << 1) | (s[7] & 1));
        }
        if (x < count) {
            std::uint8_t b = 0;
            for (int bit = 7; x < count; ++x, --bit)
                b = static_cast<std::uint8_t>(b | ((src[x] & 1) << bit));
            *dst = b;
        }
        break;
    }
    }
}

} // namespace

LzwOutcome DecodeLzw(const std::vector<std::uint8_t>& imageData, bool interlaced, bool strict, TGIFBitmap& bitmap)
{
    LzwOutcome outcome;
    const std::size_t width = static_cast<std::size_t>(bitmap.Width());
    const std::size_t height = static_cast<std::size_t>(bitmap.Height());
    const std::size_t total = width * height;
    if (imageData.empty() || total == 0)
        return outcome;

    unsigned codeSize = imageData[0];
    if (codeSize < 2 || codeSize > 9) {
        outcome.CodeSizeOutOfRange = true;
        if (strict)
            return outcome;
        codeSize = std::clamp(codeSize, 2u, 9u);
    }

    std::size_t codeBytes = 0;
    const std::vector<std::uint8_t> codes = JoinSubBlocks(imageData, codeBytes);
    const std::uint8_t* const in = codes.data();
    const std::uint64_t totalBits = static_cast<std::uint64_t>(codeBytes) * 8;

    // Pixels in stream order, one byte each; laid into the bitmap's rows afterwards.
    Buffer run = Allocate(total + Slack);
    std::uint8_t* const out = run.get();

    // A table entry is the position and length of its string in the output: every string
    // of the table has been written out once already, so decoding a code is one copy.
    std::uint32_t entryPos[MaxCodes];
    std::uint16_t entryLen[MaxCodes];

    const unsigned clearCode = 1u << codeSize;
    const unsigned endCode = clearCode + 1;
    unsigned codeWidth = codeSize + 1;
    std::uint64_t mask = (1u << codeWidth) - 1;
    unsigned nextCode = clearCode + 2;
    bool havePrev = false;
    std::size_t prevPos = 0;
    std::size_t prevLen = 0;
    std::size_t pos = 0;
    std::uint64_t bitPos = 0;

    while (bitPos + codeWidth <= totalBits) {
        std::uint64_t word;
        std::memcpy(&word, in + (bitPos >> 3), 8);
        const unsigned code = static_cast<unsigned>((word >> (bitPos & 7)) & mask);
        bitPos += codeWidth;

        if (code == clearCode) {
            codeWidth = codeSize + 1;
            mask = (1u << codeWidth) - 1;
            nextCode = clearCode + 2;
            havePrev = false;
            continue;
        }
        if (code == endCode)
            break;

        std::size_t len;
        if (code < clearCode) {
            out[pos] = static_cast<std::uint8_t>(code);
            len = 1;
        } else if (havePrev && code < nextCode) {
            len = entryLen[code];
            CopyString(out + pos, out + entryPos[code], len);
        } else if (havePrev && code == nextCode && nextCode < MaxCodes) {
            // The string being defined: the previous one and its own first byte.
            len = prevLen + 1;
            CopyString(out + pos, out + prevPos, prevLen);
            out[pos + prevLen] = out[prevPos];
        } else {
            // A code past the table: the data is damaged.
            outcome.Corrupt = true;
            break;
        }

        if (havePrev && nextCode < MaxCodes) {
            entryPos[nextCode] = static_cast<std::uint32_t>(prevPos);
            entryLen[nextCode] = static_cast<std::uint16_t>(prevLen + 1);
            ++nextCode;
            if (nextCode == (1u << codeWidth) && codeWidth < 12) {
                ++codeWidth;
                mask = (1u << codeWidth) - 1;
            }
        }
        havePrev = true;
        prevPos = pos;
        prevLen = len;
        pos += len;
        if (pos >= total)
            break;
    }

    const std::size_t pixels = std::min(pos, total);
    outcome.Pixels = pixels;

    // Lay the decoded run into the rows; what it does not reach stays colour 0.
    const std::vector<int> order = RowOrder(static_cast<int>(height), interlaced);
    const int depth = bitmap.BitsPerPixel();
    const std::size_t rows = (pixels + width - 1) / width;
    for (std::size_t r = 0; r < rows; ++r) {
        const std::size_t count = std::min(width, pixels - r * width);
        PackRow(bitmap.ScanLine(order[r]), out + r * width, count, depth);
    }
    return outcome;
}

} // namespace zuneigo::gifdetail
