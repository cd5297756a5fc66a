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
constexpr std::size_t Slack = DecodeSpare;
static_assert(Slack >= MaxCodes + 8);

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

// Codes read least significant bit first straight out of the sub-blocks; a sub-block cut
// by the end of the data ends where the data ends.
class CodeReader {
public:
    CodeReader(const std::uint8_t* data, std::size_t size) : p_(data),
                                                             end_(data + size) {}

    // False when fewer than `width` bits are left.
    bool Next(unsigned width, std::uint64_t mask, unsigned& code)
    {
        if (count_ < width) {
            Refill();
            if (count_ < width)
                return false;
        }
        code = static_cast<unsigned>(bits_ & mask);
        bits_ >>= width;
        count_ -= width;
        return true;
    }

private:
    void Refill()
    {
        while (count_ < 56) {
            if (blockLeft_ == 0) {
                if (done_ || p_ >= end_) {
                    done_ = true;
                    return;
                }
                blockLeft_ = *p_++;
                if (blockLeft_ == 0) {
                    done_ = true;
                    return;
                }
                blockLeft_ = std::min<std::size_t>(blockLeft_, static_cast<std::size_t>(end_ - p_));
                continue;
            }
            if (blockLeft_ >= 8) {
                // Whole bytes that fit into the bit buffer, in one load.
                std::uint64_t word;
                std::memcpy(&word, p_, 8);
                const unsigned n = (63 - count_) >> 3;
                bits_ |= (word & ((std::uint64_t(1) << (n * 8)) - 1)) << count_;
                p_ += n;
                blockLeft_ -= n;
                count_ += n * 8;
            } else {
                bits_ |= static_cast<std::uint64_t>(*p_++) << count_;
                --blockLeft_;
                count_ += 8;
            }
        }
    }

    const std::uint8_t* p_;
    const std::uint8_t* end_;
    std::size_t blockLeft_ = 0;
    std::uint64_t bits_ = 0;
    unsigned count_ = 0;
    bool done_ = false;
};

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

struct RunResult {
    std::size_t pos = 0;
    bool corrupt = false;
};

// Decodes into out[0 .. total) (out has Slack bytes more); returns how far it got.
RunResult DecodeRun(CodeReader& in, unsigned codeSize, std::uint8_t* const out, std::size_t total)
{
    // A table entry is the position and length of its string in the output: every string
    // of the table has been written out once already, so decoding a code is one copy. A
    // string grows by one byte per entry, so none is longer than the table: the chain bound
    // holds by construction and a code past the table is the only way to go wrong.
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
    RunResult r;
    std::size_t pos = 0;
    unsigned code;

    while (in.Next(codeWidth, mask, code)) {
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
            r.corrupt = true;
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
    r.pos = std::min(pos, total);
    return r;
}

// Memory row (bottom-up) of the n-th decoded row.
std::vector<std::uint32_t> TargetRows(std::size_t height, bool interlaced)
{
    std::vector<std::uint32_t> rows;
    rows.reserve(height);
    auto add = [&](std::size_t y) { rows.push_back(static_cast<std::uint32_t>(height - 1 - y)); };
    if (!interlaced) {
        for (std::size_t y = 0; y < height; ++y)
            add(y);
        return rows;
    }
    static constexpr std::size_t start[4] = {0, 4, 2, 1};
    static constexpr std::size_t step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (std::size_t y = start[pass]; y < height; y += step[pass])
            add(y);
    return rows;
}

void PackRow(std::uint8_t* dst, const std::uint8_t* src, std::size_t count, int depth)
{
    if (depth == 4) {
        std::size_t x = 0;
        for (; x + 1 < count; x += 2)
            *dst++ = static_cast<std::uint8_t>(((src[x] & 15) << 4) | (src[x + 1] & 15));
        if (x < count)
            *dst = static_cast<std::uint8_t>((src[x] & 15) << 4);
        return;
    }
    std::size_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const std::uint8_t* s = src + x;
        *dst++ = static_cast<std::uint8_t>(((s[0] & 1) << 7) | ((s[1] & 1) << 6) | ((s[2] & 1) << 5) | ((s[3] & 1) << 4) | ((s[4] & 1) << 3) | ((s[5] & 1) << 2) | ((s[6] & 1) << 1) | (s[7] & 1));
    }
    if (x < count) {
        std::uint8_t b = 0;
        for (int bit = 7; x < count; ++x, --bit)
            b = static_cast<std::uint8_t>(b | ((src[x] & 1) << bit));
        *dst = b;
    }
}

// 8 bits per pixel: the run was decoded into the bitmap's own memory; give the rows their
// padding and put them in their places, in place.
void Arrange8(TGIFBitmap& bitmap, std::size_t pixels, bool interlaced)
{
    std::uint8_t* const base = bitmap.Bits();
    const std::size_t width = static_cast<std::size_t>(bitmap.Width());
    const std::size_t height = static_cast<std::size_t>(bitmap.Height());
    const std::size_t stride = bitmap.RowBytes();
    // Past the decoded pixels only stale copy steps can lie: clear them.
    const std::size_t end = bitmap.Size() + Slack;
    std::memset(base + pixels, 0, std::min(pixels + Slack, end) - pixels);
    const std::size_t rows = (pixels + width - 1) / width;
    if (stride != width) {
        for (std::size_t r = rows; r-- > 1;)
            std::memmove(base + r * stride, base + r * width, width);
        for (std::size_t r = 0; r < rows; ++r)
            std::memset(base + r * stride + width, 0, stride - width);
    }
    if (!interlaced) {
        // Rows past the decoded ones are all 0 and need no swap.
        for (std::size_t r = 0; r < height / 2 && r < rows; ++r) {
            std::uint8_t* a = base + r * stride;
            std::swap_ranges(a, a + stride, base + (height - 1 - r) * stride);
        }
        return;
    }
    const std::vector<std::uint32_t> target = TargetRows(height, interlaced);
    // Follow each cycle of the row permutation with one spare row.
    std::vector<std::uint8_t> spare(stride);
    std::vector<bool> placed(height, false);
    for (std::size_t start = 0; start < height; ++start) {
        if (placed[start])
            continue;
        std::memcpy(spare.data(), base + start * stride, stride);
        std::size_t r = start;
        for (;;) {
            placed[r] = true;
            const std::size_t to = target[r];
            if (to == start) {
                std::memcpy(base + to * stride, spare.data(), stride);
                break;
            }
            // Row `to` moves on next; keep it in the spare row while this one takes its place.
            std::uint8_t* dst = base + to * stride;
            std::swap_ranges(spare.data(), spare.data() + stride, dst);
            r = to;
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
    CodeReader in(imageData.data() + 1, imageData.size() - 1);

    const int depth = bitmap.BitsPerPixel();
    if (depth == 8) {
        const RunResult r = DecodeRun(in, codeSize, bitmap.Bits(), total);
        outcome.Corrupt = r.corrupt;
        outcome.Pixels = r.pos;
        Arrange8(bitmap, r.pos, interlaced);
        return outcome;
    }

    // 1 and 4 bits: pixels in stream order, one byte each, packed into the rows afterwards.
    Buffer run = Allocate(total + Slack);
    const RunResult r = DecodeRun(in, codeSize, run.get(), total);
    outcome.Corrupt = r.corrupt;
    outcome.Pixels = r.pos;
    const std::vector<std::uint32_t> target = TargetRows(height, interlaced);
    const std::size_t rows = (r.pos + width - 1) / width;
    for (std::size_t k = 0; k < rows; ++k) {
        const std::size_t count = std::min(width, r.pos - k * width);
        PackRow(bitmap.Bits() + target[k] * bitmap.RowBytes(), run.get() + k * width, count, depth);
    }
    return outcome;
}

} // namespace zuneigo::gifdetail
