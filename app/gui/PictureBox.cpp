#include "app/gui/PictureBox.h"

#include <QCursor>
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

QRect TPictureBox::PictureRect() const
{
    if (!autoSize_ || picture_.isNull()) return rect();
    return QRect(QPoint(0, 0), picture_.size());
}

void TPictureBox::paintEvent(QPaintEvent*)
{
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(PictureRect(), picture_);
}

void TPictureBox::SetPressedPicture(TPictureBox* pressed)
{
    pressed_ = pressed;
    pressed->normal_ = this;
    // Moves without a button also arrive: one after a press tells of a release lost.
    setMouseTracking(true);
    pressed->setMouseTracking(true);
}

void TPictureBox::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    // Beyond the picture the box is only room for what lies over it.
    if (!PictureRect().contains(p)) {
        event->ignore();
        return;
    }
    TPictureBox* target = normal_ ? normal_ : this;
    QPointer<TPictureBox> self(this);
    target->Press(event->button(), p);
    if (self) target->KeepMouse(event->buttons());
}

void TPictureBox::mouseMoveEvent(QMouseEvent* event)
{
    TPictureBox* target = normal_ ? normal_ : this;
    // A move with no button down after a press here: the release never came.
    if (target->held_ && event->buttons() == Qt::NoButton) {
        target->LoseRelease();
        return;
    }
    QPointer<TPictureBox> self(this);
    target->Move(event->position().toPoint());
    if (self) target->KeepMouse(event->buttons());
}

void TPictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    TPictureBox* target = normal_ ? normal_ : this;
    target->Release(event->button(), event->buttons(), event->position().toPoint());
}

void TPictureBox::Press(Qt::MouseButton button, QPoint p)
{
    if (button == Qt::LeftButton) primaryDown_ = true;
    held_ |= button;
    // Watches the window for what takes the release away from it.
    if (QWidget* top = window(); top != this) top->installEventFilter(this);
    if (OnMouseDown) OnMouseDown(button, p.x(), p.y());
}

void TPictureBox::Move(QPoint p)
{
    if (OnMouseMove) OnMouseMove(p.x(), p.y());
}

void TPictureBox::Release(Qt::MouseButton button, Qt::MouseButtons stillDown, QPoint p)
{
    const bool click = button == Qt::LeftButton && primaryDown_ && rect().contains(p);
    if (button == Qt::LeftButton) primaryDown_ = false;
    held_ &= ~Qt::MouseButtons(button);
    // The click handler may end in a modal box or a closed window; the release comes first.
    QPointer<TPictureBox> self(this);
    if (OnMouseUp) OnMouseUp(button, p.x(), p.y());
    if (!self) return;
    KeepMouse(stillDown);
    if (click && OnClick) OnClick();
}

void TPictureBox::KeepMouse(Qt::MouseButtons down)
{
    if (!pressed_) return;
    QWidget* grabber = QWidget::mouseGrabber();
    if (down == Qt::NoButton) {
        if (grabber == this || grabber == pressed_) grabber->releaseMouse();
        return;
    }
    // A hidden widget loses the mouse; hand it to the picture that shows now.
    TPictureBox* shown = isVisible() ? this : pressed_->isVisible() ? pressed_
                                                                    : nullptr;
    if (shown && grabber != shown) shown->grabMouse();
}

bool TPictureBox::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (held_ != Qt::NoButton && watched == window() &&
        (type == QEvent::WindowBlocked || type == QEvent::WindowDeactivate || type == QEvent::Hide))
        LoseRelease();
    return QWidget::eventFilter(watched, event);
}

void TPictureBox::LoseRelease()
{
    const Qt::MouseButton button = held_ & Qt::LeftButton ? Qt::LeftButton : Qt::MouseButton(held_.toInt() & -held_.toInt());
    held_ = Qt::NoButton;
    primaryDown_ = false;
    if (QWidget::mouseGrabber() == this || (pressed_ && QWidget::mouseGrabber() == pressed_))
        QWidget::mouseGrabber()->releaseMouse();
    const QPoint p = mapFromGlobal(QCursor::pos());
    if (OnMouseUp) OnMouseUp(button, p.x(), p.y());
}

} // namespace zuneigo
