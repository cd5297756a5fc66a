#include "app/gui/StatusBar.h"

#include <QPainter>
#include <QSizeGrip>
#include <QStyle>
#include <QStyleOption>

namespace zuneigo {

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent)
{
    // Paints over keep what is shown; full paints erase it themselves.
    setAttribute(Qt::WA_OpaquePaintEvent);
    grip_ = new QSizeGrip(this);
}

void TStatusBar::SetPanelText(const QString& text)
{
    text_ = text;
    update();
}

QRect TStatusBar::OwnerPanelRect() const
{
    // Inside the panel's sunken frame: one pixel from the bar's top and bottom.
    return QRect(QPoint(firstWidth_, 2), QPoint(width() - 1, height() - 2));
}

void TStatusBar::PaintOver(const std::function<void(QPainter&)>& draw)
{
    over_ = draw;
    repaint(OwnerPanelRect());
    over_ = nullptr;
}

void TStatusBar::RepaintAll()
{
    repaint();
}

void TStatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (over_) {
        ++overPaints_;
        over_(painter);
        return;
    }
    ++fullPaints_;
    painter.fillRect(rect(), palette().window());
    const QRect first(0, 2, firstWidth_ - 2, height() - 3);
    const QRect owner = OwnerPanelRect();
    for (const QRect& r : {first, owner}) {
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(r.topLeft() - QPoint(0, 1), r.topRight() - QPoint(0, 1));
        painter.drawLine(r.topLeft() - QPoint(1, 1), r.bottomLeft() - QPoint(1, 0));
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(first.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text_);
    if (OnDrawPanel) OnDrawPanel(this, 1, painter, owner);
}

void TStatusBar::resizeEvent(QResizeEvent*)
{
    const QSize s = grip_->sizeHint();
    grip_->setGeometry(width() - s.width(), height() - s.height(), s.width(), s.height());
}

} // namespace zuneigo
