#include "app/gui/ResultDotLayer.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace zuneigo {

namespace {

// One hue, violet: it reads on the pale land, the light sea and the grey neighbours, and
// it is neither the markers' red nor the cities' dark blue. Each further dot on a pixel
// darkens it, so a crowd of matches stays a visible crowd instead of a flat patch.
constexpr std::array<QRgb, 4> Shades = {qRgb(200, 60, 210), qRgb(160, 35, 175), qRgb(125, 20, 140), qRgb(90, 10, 105)};
constexpr int RingDiameter = 11;

} // namespace

TResultDotLayer::TResultDotLayer(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, MapWidth, MapHeight);
}

void TResultDotLayer::SetDots(ResultDots dots)
{
    dots_ = std::move(dots);
    highlight_.reset();
    stale_ = true;
    update();
}

void TResultDotLayer::SetHighlight(std::optional<std::size_t> row)
{
    const std::optional<MapPoint> next = row ? dots_.Dot(*row) : std::nullopt;
    if (next == highlight_) return;
    // Only the two rings' places are painted again; the dots come from the image.
    if (highlight_) update(RingBounds(*highlight_));
    highlight_ = next;
    if (highlight_) update(RingBounds(*highlight_));
}

QRect TResultDotLayer::RingBounds(MapPoint centre)
{
    const int half = RingDiameter / 2 + 3; // the pens and their smoothing reach past the ring
    return QRect(centre.X - half, centre.Y - half, 2 * half + 1, 2 * half + 1);
}

void TResultDotLayer::RenderDots()
{
    image_ = QImage(MapWidth, MapHeight, QImage::Format_ARGB32_Premultiplied);
    image_.fill(Qt::transparent);
    const std::vector<std::uint32_t>& coverage = dots_.Coverage();
    for (int y = 0; y < MapHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        const std::uint32_t* counts = coverage.data() + static_cast<std::size_t>(y) * MapWidth;
        for (int x = 0; x < MapWidth; ++x)
            if (counts[x] != 0) line[x] = Shades[std::min<std::size_t>(counts[x], Shades.size()) - 1];
    }
    stale_ = false;
}

void TResultDotLayer::paintEvent(QPaintEvent* event)
{
    if (stale_) RenderDots();
    QPainter painter(this);
    painter.drawImage(event->rect(), image_, event->rect());
    if (!highlight_) return;
    // A dark ring with a white rim and a bigger dot: it shows on the dots, the land and
    // the sea alike.
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(highlight_->X + 0.5, highlight_->Y + 0.5);
    const qreal radius = RingDiameter / 2.0;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 3.5));
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(QPen(QColor(Shades.back()), 1.5));
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(Shades.back()));
    painter.drawEllipse(centre, 2.5, 2.5);
}

} // namespace zuneigo
