#include "ui/widgets/SpinButton.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

namespace zuneigo {

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    connect(&timer_, &QTimer::timeout, this, &TSpinButton::RepeatTick);
}

void TSpinButton::SetKind(TSpinButtonKind kind)
{
    kind_ = kind;
    update();
}

int TSpinButton::WidthFor(int height) const
{
    return kind_ == bkDiagonal ? height : std::max(10, height * 2 / 3);
}

TSpinRegion TSpinButton::RegionAt(QPoint point) const
{
    const int w = width();
    const int h = height();
    const int x = point.x();
    const int y = point.y();
    if (x < 0 || y < 0 || x >= w || y >= h)
        return TSpinRegion::None;
    if (kind_ == bkStandard)
        return y < h / 2 ? TSpinRegion::Up : TSpinRegion::Down;
    // Below the diagonal when y > h - (h / w) * x, multiplied out to stay exact.
    return static_cast<long long>(y) * w > static_cast<long long>(h) * w - static_cast<long long>(h) * x
        ? TSpinRegion::Down
        : TSpinRegion::Up;
}

void TSpinButton::SetPressed(TSpinRegion region)
{
    if (pressed_ != region) {
        pressed_ = region;
        update();
    }
}

void TSpinButton::Step(TSpinRegion region)
{
    const auto& step = region == TSpinRegion::Up ? OnUp : OnDown;
    if (step)
        step();
}

void TSpinButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    QWidget* field = parentWidget();
    if (field && field->focusPolicy() != Qt::NoFocus && field->isEnabled())
        field->setFocus(Qt::MouseFocusReason);
    const TSpinRegion region = RegionAt(event->position().toPoint());
    held_ = true;
    firstPressed_ = region;
    SetPressed(region);
    timer_.stop();
    if (region == TSpinRegion::None)
        return;
    Step(region);
    timer_.start(FirstDelayMs);
}

void TSpinButton::RepeatTick()
{
    timer_.setInterval(RepeatDelayMs);
    // The release may have gone to another window; the button's state tells.
    if (held_ && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        Release();
    if (!held_ || pressed_ == TSpinRegion::None)
        return;
    try {
        Step(pressed_);
    } catch (...) {
        timer_.stop();
        throw;
    }
}

void TSpinButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!held_)
        return;
    const TSpinRegion region = RegionAt(event->position().toPoint());
    SetPressed(region == firstPressed_ ? region : TSpinRegion::None);
}

void TSpinButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !held_)
        return;
    held_ = false;
    timer_.stop();
    if (RegionAt(event->position().toPoint()) != TSpinRegion::None)
        SetPressed(TSpinRegion::None);
}

void TSpinButton::Release()
{
    held_ = false;
    timer_.stop();
    SetPressed(TSpinRegion::None);
}

void TSpinButton::hideEvent(QHideEvent* event)
{
    Release();
    QWidget::hideEvent(event);
}

void TSpinButton::DrawArrow(QPainter& painter, QPointF centre, qreal size, bool up, bool sunken) const
{
    if (sunken)
        centre += QPointF(1, 1);
    const qreal half = size;
    const qreal rise = size * 0.6;
    QPolygonF arrow;
    if (up)
        arrow << centre + QPointF(-half, rise) << centre + QPointF(half, rise) << centre + QPointF(0, -rise);
    else
        arrow << centre + QPointF(-half, -rise) << centre + QPointF(half, -rise) << centre + QPointF(0, rise);
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(group, QPalette::ButtonText));
    painter.drawPolygon(arrow);
}

void TSpinButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal w = width();
    const qreal h = height();
    const QColor face = palette().color(QPalette::Button);
    const QColor sunkenFace = palette().color(QPalette::Mid);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);

    QPolygonF upper, lower;
    QPointF upCentre, downCentre;
    if (kind_ == bkDiagonal) {
        upper << QPointF(0, 0) << QPointF(w, 0) << QPointF(0, h);
        lower << QPointF(w, 0) << QPointF(w, h) << QPointF(0, h);
        upCentre = QPointF(w * 0.3, h * 0.3);
        downCentre = QPointF(w * 0.7, h * 0.7);
    } else {
        upper << QPointF(0, 0) << QPointF(w, 0) << QPointF(w, h / 2) << QPointF(0, h / 2);
        lower << QPointF(0, h / 2) << QPointF(w, h / 2) << QPointF(w, h) << QPointF(0, h);
        upCentre = QPointF(w / 2, h / 4);
        downCentre = QPointF(w / 2, h * 3 / 4);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(pressed_ == TSpinRegion::Up ? sunkenFace : face);
    painter.drawPolygon(upper);
    painter.setBrush(pressed_ == TSpinRegion::Down ? sunkenFace : face);
    painter.drawPolygon(lower);

    // Raised edges: light at the top and left, dark at the bottom and right, and the line
    // between the two regions.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(light);
    painter.drawLine(QPointF(0.5, 0.5), QPointF(w - 0.5, 0.5));
    painter.drawLine(QPointF(0.5, 0.5), QPointF(0.5, h - 0.5));
    painter.setPen(dark);
    painter.drawLine(QPointF(w - 0.5, 0.5), QPointF(w - 0.5, h - 0.5));
    painter.drawLine(QPointF(0.5, h - 0.5), QPointF(w - 0.5, h - 0.5));
    painter.setRenderHint(QPainter::Antialiasing);
    if (kind_ == bkDiagonal)
        painter.drawLine(QPointF(0, h), QPointF(w, 0));
    else
        painter.drawLine(QPointF(0, h / 2), QPointF(w, h / 2));

    const qreal size = std::max<qreal>(2.0, std::min(w, h) / (kind_ == bkDiagonal ? 7.0 : 5.0));
    DrawArrow(painter, upCentre, size, true, pressed_ == TSpinRegion::Up);
    DrawArrow(painter, downCentre, size, false, pressed_ == TSpinRegion::Down);
}

} // namespace zuneigo
