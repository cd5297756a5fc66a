#pragma once
// TResultDotLayer: the matches of the result list as dots over the search map, with the
// selected row's dot ringed. It lies over the picture and under the marker and the
// radius circle, and takes no mouse input: a click on a dot is a click on the map.
#include "app/core/ResultDots.h"

#include <QImage>
#include <QWidget>

#include <optional>

namespace zuneigo {

class TResultDotLayer : public QWidget {
    Q_OBJECT
public:
    // Covers the picture of its parent, the map image.
    explicit TResultDotLayer(QWidget* parent);

    // Replaces every dot; no dot is highlighted afterwards.
    void SetDots(ResultDots dots);
    const ResultDots& Dots() const { return dots_; }
    // Rings the dot of that row of the result list; nothing for no row or a row whose dot
    // is off the picture.
    void SetHighlight(std::optional<std::size_t> row);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void RenderDots();
    // What the ring around a dot centre paints on.
    static QRect RingBounds(MapPoint centre);

    ResultDots dots_;
    QImage image_;      // the dots alone, drawn once per search
    bool stale_ = true; // image_ is behind dots_
    std::optional<MapPoint> highlight_;
};

} // namespace zuneigo
