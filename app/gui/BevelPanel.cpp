#include "app/gui/BevelPanel.h"

#include <QPainter>

namespace zuneigo {

TBevelPanel::TBevelPanel(QWidget* parent) : QWidget(parent)
{
}

void TBevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, HeaderColor);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    auto bevel = [&](const QRect& b, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(b.topLeft(), b.topRight());
        painter.drawLine(b.topLeft(), b.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(b.bottomLeft(), b.bottomRight());
        painter.drawLine(b.topRight(), b.bottomRight());
    };
    bevel(r, dark, light);                        // lowered outer
    bevel(r.adjusted(1, 1, -1, -1), light, dark); // raised inner
}

} // namespace zuneigo
