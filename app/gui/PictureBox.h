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
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v) { autoSize_ = v; }

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

private:
    QImage picture_;
    bool autoSize_ = true;
    bool primaryDown_ = false;
};

} // namespace zuneigo
