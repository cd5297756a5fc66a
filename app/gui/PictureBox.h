#pragma once
// TPictureBox: a picture shown at its own size (or stretched to the box), reporting the
// mouse with positions relative to itself. The map images and the picture buttons are
// built from it.
#include <QImage>
#include <QWidget>

#include <functional>

namespace zuneigo {

class TPictureBox : public QWidget {
    Q_OBJECT
public:
    explicit TPictureBox(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    // Sets the picture; with AutoSize the box takes the picture's size.
    void SetPicture(const QImage& picture);
    // Where the picture is drawn and takes the mouse: the whole box when stretched, else the
    // picture's own size at the top-left corner (the box may be larger).
    QRect PictureRect() const;
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v) { autoSize_ = v; }

    // Makes this box a picture button with a pressed picture lying under it (same place and
    // size). The two act as one: the pressed picture reports its mouse events as this
    // box's, and while a button is held the mouse stays with whichever of the two shows,
    // so hiding one in a handler loses no move or release.
    void SetPressedPicture(TPictureBox* pressed);

    // Any mouse button; (x, y) relative to the box.
    std::function<void(Qt::MouseButton button, int x, int y)> OnMouseDown;
    std::function<void(int x, int y)> OnMouseMove;
    std::function<void(Qt::MouseButton button, int x, int y)> OnMouseUp;
    // A press and release of the primary button, both over the box.
    std::function<void()> OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Press(Qt::MouseButton button, QPoint p);
    void Move(QPoint p);
    void Release(Qt::MouseButton button, Qt::MouseButtons stillDown, QPoint p);
    void KeepMouse(Qt::MouseButtons down);
    // A hold whose release went elsewhere (a box opened, the window was left): reported
    // as a release where the pointer is, so the normal picture shows again; no click.
    void LoseRelease();

    QImage picture_;
    TPictureBox* normal_ = nullptr;  // set on a pressed picture
    TPictureBox* pressed_ = nullptr; // set on a normal picture
    bool autoSize_ = true;
    bool primaryDown_ = false;
    Qt::MouseButtons held_; // the buttons pressed on this box and not yet released
};

} // namespace zuneigo
