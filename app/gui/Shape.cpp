#include "app/gui/Shape.h"

#include <QMouseEvent>
#include <QPainter>

namespace zuneigo {

TShape::TShape(QWidget* parent) : QWidget(parent)
{
}

void TShape::SetPen(const QColor& color, int width)
{
    penColor_ = color;
    penWidth_ = width;
    update();
}

void TShape::SetBrush(const QColor& color)
{
    brushColor_ = color;
    update();
}

void TShape::paintEvent(QPaintEvent*)
{
    if (width() <= 0 || height() <= 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(penColor_);
    pen.setWidth(penWidth_);
    painter.setPen(pen);
    painter.setBrush(brushColor_.isValid() ? QBrush(brushColor_) : QBrush(Qt::NoBrush));
    // The pen straddles the outline; keep all of it inside the box.
    const qreal inset = penWidth_ / 2.0;
    painter.drawEllipse(QRectF(rect()).adjusted(inset, inset, -inset, -inset));
}

void TShape::mousePressEvent(QMouseEvent* event)
{
    // Without a handler the press goes on to the picture below, as a click on it.
    if (!OnMouseDown) {
        event->ignore();
        return;
    }
    const QPoint p = event->position().toPoint();
    OnMouseDown(p.x(), p.y());
}

} // namespace zuneigo
