#pragma once
// TShape: an ellipse in its box, outlined with a pen and optionally filled: the map markers
// and the radius circle. The box takes the mouse presses that fall inside it.
#include <QColor>
#include <QWidget>

#include <functional>

namespace zuneigo {

class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);

    void SetPen(const QColor& color, int width);
    // An invalid colour leaves the inside unpainted.
    void SetBrush(const QColor& color);

    // Any mouse button; (x, y) relative to the box.
    std::function<void(int x, int y)> OnMouseDown;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor penColor_ = Qt::black;
    int penWidth_ = 1;
    QColor brushColor_;
};

} // namespace zuneigo
