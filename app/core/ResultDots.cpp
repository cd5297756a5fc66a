#include "app/core/ResultDots.h"

#include "app/core/LineBreaks.h"
#include "base/IntText.h"

#include <algorithm>

namespace zuneigo {

namespace {

static_assert(AdField::PosX == AdFieldCount - 2 && AdField::PosY == AdFieldCount - 1, "the position ends the record");

// The centre pixel of a marker at the given position, when it lies on the picture. The
// test is made on the full 32-bit values, so a far-out position never wraps onto it.
std::optional<MapPoint> CentreOnPicture(std::string_view posX, std::string_view posY)
{
    const std::optional<std::int32_t> x = TryStrToInt(posX);
    const std::optional<std::int32_t> y = TryStrToInt(posY);
    if (!x || !y) return std::nullopt;
    const std::int64_t cx = std::int64_t{*x} + MarkerOffset;
    const std::int64_t cy = std::int64_t{*y} + MarkerOffset;
    if (cx < 0 || cx >= MapWidth || cy < 0 || cy >= MapHeight) return std::nullopt;
    return MapPoint{static_cast<std::int32_t>(cx), static_cast<std::int32_t>(cy)};
}

} // namespace

ResultDots::ResultDots(const ResultRows& rows)
{
    x_.resize(rows.Count(), NoDot);
    y_.resize(rows.Count(), NoDot);
    for (std::size_t row = 0; row < rows.Count(); ++row) {
        // The position is the record's last two lines: read from the row's end, so the
        // twelve lines before them are never walked.
        const std::string_view text = rows.RowText(row);
        const char* begin = text.data();
        const char* yEnd = linebreaks::StripBreakBackward(begin, begin + text.size());
        const char* yStart = linebreaks::LineStartBackward(begin, yEnd);
        const char* xEnd = linebreaks::StripBreakBackward(begin, yStart);
        const char* xStart = linebreaks::LineStartBackward(begin, xEnd);
        const std::optional<MapPoint> c = CentreOnPicture({xStart, static_cast<std::size_t>(xEnd - xStart)},
                                                          {yStart, static_cast<std::size_t>(yEnd - yStart)});
        if (!c) continue;
        x_[row] = static_cast<std::int16_t>(c->X);
        y_[row] = static_cast<std::int16_t>(c->Y);
        // The centre and the eight pixels around it, each only where it is on the picture.
        for (int py = std::max(c->Y - 1, 0); py <= std::min(c->Y + 1, MapHeight - 1); ++py)
            for (int px = std::max(c->X - 1, 0); px <= std::min(c->X + 1, MapWidth - 1); ++px)
                ++coverage_[static_cast<std::size_t>(py) * MapWidth + static_cast<std::size_t>(px)];
    }
}

std::optional<MapPoint> ResultDots::Dot(std::size_t row) const
{
    if (row >= x_.size() || x_[row] == NoDot) return std::nullopt;
    return MapPoint{x_[row], y_[row]};
}

} // namespace zuneigo
