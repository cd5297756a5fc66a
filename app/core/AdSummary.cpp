#include "app/core/AdSummary.h"

#include "app/core/LineBreaks.h"
#include "base/IntText.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zuneigo {

namespace {

using namespace linebreaks;

std::uint8_t FlagBits(const char* begin, const char* end, std::uint8_t one, std::uint8_t zero)
{
    if (end - begin != 1)
        return 0;
    return *begin == '1' ? one : *begin == '0' ? zero
                                               : 0;
}

// Up to four decimal digits without a sign (1 <= n <= 4), without branches on the digits
// themselves: the ages and positions of a database are such short numbers of varying
// length, and a loop per digit mispredicts at every number's end. The four bytes ending
// with the number are read at once when low (the start of the text) allows it. -1 when a
// byte is not a digit.
inline std::int32_t ShortDecimal(const char* low, const char* p, std::size_t n)
{
    if constexpr (std::endian::native == std::endian::little) {
        if (p + n - low >= 4) {
            std::uint32_t word;
            std::memcpy(&word, p + n - 4, 4);
            // The bytes before the number read as leading zeros.
            const std::uint32_t keep = n >= 4 ? ~0u : ~0u << (8 * (4 - n));
            word = (word & keep) | (0x30303030u & ~keep);
            const bool digits =
                (word & 0xF0F0F0F0u) == 0x30303030u && ((word + 0x06060606u) & 0xF0F0F0F0u) == 0x30303030u;
            const std::uint32_t d = word & 0x0F0F0F0Fu; // the first digit in the lowest byte
            const std::uint32_t pairs = (d & 0x000F000Fu) * 10 + ((d >> 8) & 0x000F000Fu);
            return digits ? static_cast<std::int32_t>((pairs & 0xFFFFu) * 100 + (pairs >> 16)) : -1;
        }
    }
    std::int32_t value = 0;
    unsigned bad = 0;
    for (std::size_t j = 0; j < 4; ++j) {
        // The digits right-aligned in four places, leading places '0'.
        const std::size_t lead = 4 - n;
        const char c = j >= lead ? p[j - lead] : '0';
        const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
        bad |= digit > 9;
        value = value * 10 + static_cast<std::int32_t>(digit);
    }
    return bad ? -1 : value;
}

// The everyday form, up to nine decimal digits with an optional minus, without the
// general routine; everything else goes through the full integer rules.
// Returned as a plain 64-bit value (NotANumber when the text does not convert): an
// optional goes through memory, and reading it back stalls on every record.
constexpr std::int64_t NotANumber = INT64_MIN;

// low: the start of the text p lies in.
[[gnu::always_inline]] inline std::int64_t ToInt(const char* low, const char* p, const char* end)
{
    const char* q = p;
    const bool negative = q != end && *q == '-';
    if (negative)
        ++q;
    const auto n = static_cast<std::size_t>(end - q);
    if (n - 1 < 4) {
        const std::int32_t value = ShortDecimal(low, q, n);
        if (value >= 0)
            return negative ? -value : value;
    } else if (n - 1 < 9) {
        std::int32_t value = 0;
        for (; q != end; ++q) {
            const unsigned digit = static_cast<unsigned char>(*q) - unsigned{'0'};
            if (digit > 9)
                break;
            value = value * 10 + static_cast<std::int32_t>(digit);
        }
        if (q == end)
            return negative ? -value : value;
    }
    const auto value = TryStrToInt({p, static_cast<std::size_t>(end - p)});
    return value ? *value : NotANumber;
}

inline void TakeNumbers(AdSearchFields& s, std::int64_t age, std::int64_t x, std::int64_t y)
{
    if (age != NotANumber) {
        s.Flags |= AdSummary::AgeValid;
        s.Age = static_cast<std::int32_t>(age);
    }
    if (x != NotANumber && y != NotANumber) {
        s.Flags |= AdSummary::PositionValid;
        s.PosX = static_cast<std::int32_t>(x);
        s.PosY = static_cast<std::int32_t>(y);
    }
}

#if defined(__SSE2__)
// Bits of the 32 bytes at p: which are CR and which are LF.
[[gnu::always_inline]] inline void BreakMasks(const char* p, std::uint32_t& cr, std::uint32_t& lf)
{
    const __m128i crs = _mm_set1_epi8('\r');
    const __m128i lfs = _mm_set1_epi8('\n');
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    cr = static_cast<std::uint32_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(lo, crs)))) |
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(hi, crs)))) << 16;
    lf = static_cast<std::uint32_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(lo, lfs)))) |
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(hi, lfs)))) << 16;
}

int Lowest(std::uint32_t m) { return std::countr_zero(m); }
int Highest(std::uint32_t m) { return 31 - std::countl_zero(m); }
#endif

// The plain walk, for records too short for the window of the fast path and for unusual
// layouts (a long name, empty lines at the edges of the window).
AdSearchFields ReadByWalking(std::string_view recordText)
{
    // Fields 1 to 3 are read forward from the record's start and fields 12 and 13
    // backward from its end, so the long free-text fields in between are never scanned.
    const char* const begin = recordText.data();
    const char* const end = begin + recordText.size();
    AdSearchFields s;

    const char* p = SkipBreak(LineEnd(begin, end), end); // past Name
    const char* e = LineEnd(p, end);
    s.Flags |= FlagBits(p, e, AdSummary::IsManOne, AdSummary::IsManZero);
    p = SkipBreak(e, end);
    e = LineEnd(p, end);
    s.Flags |= FlagBits(p, e, AdSummary::SeeksManOne, AdSummary::SeeksManZero);
    p = SkipBreak(e, end);
    e = LineEnd(p, end);
    const std::int64_t age = ToInt(begin, p, e);

    const char* yEnd = StripBreakBackward(begin, end);
    const char* yStart = LineStartBackward(begin, yEnd);
    const char* xEnd = StripBreakBackward(begin, yStart);
    const char* xStart = LineStartBackward(begin, xEnd);
    TakeNumbers(s, age, ToInt(begin, xStart, xEnd), ToInt(begin, yStart, yEnd));
    return s;
}

} // namespace

namespace {

// Inlined into both callers: the load summarizes a million records in a row.
[[gnu::always_inline]] inline AdSearchFields ReadFields(std::string_view recordText)
{
#if defined(__SSE2__)
    // Lines hold no CR or LF, so within a window of 32 bytes every line break has one bit
    // where it starts (a CR, or an LF without a CR before it) and one where it ends (an
    // LF, or a CR without an LF after it). The short fields at the two ends of a record
    // are found with bit operations instead of loops that mispredict at each line's end.
    if (recordText.size() >= 32) {
        const char* const head = recordText.data();
        const char* const tail = head + recordText.size() - 32;
        std::uint32_t cr;
        std::uint32_t lf;

        // Head: the first four breaks end Name, IsMan, SeeksMan and Age. The byte before
        // the record ends a break, so a starting LF cannot belong to a CR before it.
        BreakMasks(head, cr, lf);
        const std::uint32_t starts0 = cr | (lf & ~(cr << 1));
        const std::uint32_t ends0 = lf | (cr & ~(lf >> 1)); // bit 31 unsure, never used
        const std::uint32_t starts1 = starts0 & (starts0 - 1);
        const std::uint32_t starts2 = starts1 & (starts1 - 1);
        const std::uint32_t starts3 = starts2 & (starts2 - 1);
        const std::uint32_t ends1 = ends0 & (ends0 - 1);
        const std::uint32_t ends2 = ends1 & (ends1 - 1);

        // Tail: the record's own final break (if any), the break between PosX and PosY and
        // the one before PosX. A CR as the last byte is a break of its own, since the next
        // record starts after a whole break; bit 0 of the starts is unsure (its LF may
        // follow a CR outside the window) and is only trusted below a break end.
        BreakMasks(tail, cr, lf);
        std::uint32_t starts = cr | (lf & ~(cr << 1));
        std::uint32_t ends = lf | (cr & ~(lf >> 1));
        int yEnd = 32;
        if ((cr | lf) >> 31) {
            yEnd = Highest(starts);
            starts &= ~(std::uint32_t{1} << yEnd);
            ends &= ~(std::uint32_t{1} << 31);
        }
        if (starts3 != 0 && Lowest(starts3) < 31 && starts != 0 && ends != 0) {
            const int yStart = Highest(ends) + 1;
            const int xEnd = Highest(starts);
            const std::uint32_t before = ends & ~(std::uint32_t{1} << (yStart - 1));
            if (before != 0 && Highest(before) < xEnd) {
                const int xStart = Highest(before) + 1;
                AdSearchFields s;
                const int e0 = Lowest(ends0);
                const int e1 = Lowest(ends1);
                const int e2 = Lowest(ends2);
                s.Flags |= FlagBits(head + e0 + 1, head + Lowest(starts1), AdSummary::IsManOne, AdSummary::IsManZero);
                s.Flags |= FlagBits(head + e1 + 1, head + Lowest(starts2), AdSummary::SeeksManOne, AdSummary::SeeksManZero);
                TakeNumbers(s, ToInt(head, head + e2 + 1, head + Lowest(starts3)),
                            ToInt(head, tail + xStart, tail + xEnd), ToInt(head, tail + yStart, tail + yEnd));
                return s;
            }
        }
    }
#endif
    return ReadByWalking(recordText);
}

} // namespace

AdSearchFields ReadSearchFields(std::string_view recordText)
{
    return ReadFields(recordText);
}

AdSummary SummarizeRecord(std::string_view recordText)
{
    const AdSearchFields f = ReadFields(recordText);
    const auto fits = [](std::int32_t v) { return v >= INT16_MIN && v <= INT16_MAX; };
    AdSummary s{};
    s.Flags = f.Flags;
    if (!fits(f.Age) || !fits(f.PosX) || !fits(f.PosY)) {
        s.Flags |= AdSummary::Wide;
        return s;
    }
    s.Age = static_cast<std::int16_t>(f.Age);
    s.PosX = static_cast<std::int16_t>(f.PosX);
    s.PosY = static_cast<std::int16_t>(f.PosY);
    return s;
}

} // namespace zuneigo
