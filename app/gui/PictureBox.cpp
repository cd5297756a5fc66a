#include "app/gui/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace zuneigo {

TPictureBox::TPictureBox(QWidget* parent) : QWidget(parent)
{
}

void TPictureBox::SetPicture(const QImage& picture)
{
    picture_ = picture;
    if (autoSize_ && !picture_.isNull()) resize(picture_.size());
    update();
}

void TPictureBox::paintEvent(QPaintEvent*)
{
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(rect(), picture_);
}

void TPictureBox::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) primaryDown_ = true;
    if (OnMouseDown) OnMouseDown(event->button(), p.x(), p.y());
}

void TPictureBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (OnMouseMove) OnMouseMove(p.x(), p.y());
}

void TPictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const bool click = event->button() == Qt::LeftButton && primaryDown_ && rect().contains(p);
    if (event->button() == Qt::LeftButton) primaryDown_ = false;
    // The click handler may end in a modal box or a closed window; the release comes first.
    QPointer<TPictureBox> self(this);
    if (OnMouseUp) OnMouseUp(event->button(), p.x(), p.y());
    if (click && self && OnClick) OnClick();
}

} // namespace zuneigo
