#include "app/core/AdSummary.h"

#include "app/core/LineBreaks.h"
#include "base/IntText.h"

namespace zuneigo {

namespace {

using namespace linebreaks;

std::uint8_t FlagBits(const char* begin, const char* end, std::uint8_t one, std::uint8_t zero)
{
    if (end - begin != 1)
        return 0;
    return *begin == '1' ? one : *begin == '0' ? zero : 0;
}

// The everyday form, up to nine decimal digits with an optional minus, without the
// general routine; everything else goes through the full integer rules.
std::optional<std::int32_t> ToInt(const char* p, const char* end)
{
    const char* q = p;
    const bool negative = q != end && *q == '-';
    if (negative)
        ++q;
    if (q != end && end - q <= 9) {
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
    return TryStrToInt({p, static_cast<std::size_t>(end - p)});
}

} // namespace

AdSummary SummarizeRecord(std::string_view recordText)
{
    // Fields 1 to 3 are read forward from the record's start and fields 12 and 13
    // backward from its end, so the long free-text fields in between are never scanned.
    const char* const begin = recordText.data();
    const char* const end = begin + recordText.size();
    AdSummary s;

    const char* p = SkipBreak(LineEnd(begin, end), end); // past Name
    const char* e = LineEnd(p, end);
    s.Flags |= FlagBits(p, e, AdSummary::IsManOne, AdSummary::IsManZero);
    p = SkipBreak(e, end);
    e = LineEnd(p, end);
    s.Flags |= FlagBits(p, e, AdSummary::SeeksManOne, AdSummary::SeeksManZero);
    p = SkipBreak(e, end);
    e = LineEnd(p, end);
    if (const auto age = ToInt(p, e)) {
        s.Flags |= AdSummary::AgeValid;
        s.Age = *age;
    }

    const char* yEnd = StripBreakBackward(begin, end);
    const char* yStart = LineStartBackward(begin, yEnd);
    const char* xEnd = StripBreakBackward(begin, yStart);
    const char* xStart = LineStartBackward(begin, xEnd);
    const auto x = ToInt(xStart, xEnd);
    const auto y = ToInt(yStart, yEnd);
    if (x && y) {
        s.Flags |= AdSummary::PositionValid;
        s.PosX = *x;
        s.PosY = *y;
    }
    return s;
}

} // namespace zuneigo
