#pragma once
// The matches of a result list as dots on the map: each row's dot sits where the detail
// window puts that ad's marker centre. Computed once per search into compact arrays, so
// drawing and highlighting never read the rows' text again.
#include "app/core/MapScale.h"
#include "app/core/ResultColumns.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zuneigo {

class ResultDots {
public:
    ResultDots() = default;
    explicit ResultDots(const ResultRows& rows);

    std::size_t Count() const { return x_.size(); }
    // The map pixel of row's dot centre (the marker position + MarkerOffset), or nothing
    // when that pixel lies outside the picture or the position does not convert.
    std::optional<MapPoint> Dot(std::size_t row) const;
    // How many dots cover each picture pixel, MapWidth per line, top line first. A dot
    // covers its centre and the eight pixels around it, those on the picture only.
    const std::vector<std::uint32_t>& Coverage() const { return coverage_; }
    std::uint32_t CoverageAt(int x, int y) const { return coverage_[static_cast<std::size_t>(y) * MapWidth + static_cast<std::size_t>(x)]; }

private:
    // Centres in picture pixels, row by row; NoDot for a row that draws nothing.
    static constexpr std::int16_t NoDot = -1;
    std::vector<std::int16_t> x_;
    std::vector<std::int16_t> y_;
    std::vector<std::uint32_t> coverage_ = std::vector<std::uint32_t>(static_cast<std::size_t>(MapWidth) * MapHeight);
};

} // namespace zuneigo
