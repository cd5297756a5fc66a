#pragma once
// The spin button at the right end of a numeric field: one region steps up, the other
// down. Holding it repeats the step, first after 400 ms, then every 100 ms.
#include "ui/widgets/RxSpinEdit.h"

#include <QTimer>
#include <QWidget>

#include <functional>

namespace zuneigo {

enum class TSpinRegion { None,
                         Up,
                         Down };

class TSpinButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int FirstDelayMs = 400;
    static constexpr int RepeatDelayMs = 100;

    explicit TSpinButton(QWidget* parent = nullptr);

    TSpinButtonKind Kind() const { return kind_; }
    void SetKind(TSpinButtonKind kind);
    // Width of the button in a field of this height: square when diagonal.
    int WidthFor(int height) const;

    // The region under a point of the button. Diagonal: split by the line from the
    // bottom-left to the top-right corner, the lower-right triangle steps down.
    // Standard: the upper half steps up. Outside the button: None.
    TSpinRegion RegionAt(QPoint point) const;
    // The region drawn pressed.
    TSpinRegion Pressed() const { return pressed_; }

    // The repeat timer. Its timeout calls RepeatTick; tests call RepeatTick directly
    // instead of waiting.
    const QTimer& RepeatTimer() const { return timer_; }
    void RepeatTick();
    // Ends a hold whose release will not arrive here (a box took the mouse, the window was
    // left, the field lost the focus): the repeat stops and the pressed look goes.
    void Release();

    // One step up or down; run at the press and on each repeat.
    std::function<void()> OnUp;
    std::function<void()> OnDown;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetPressed(TSpinRegion region);
    void Step(TSpinRegion region);
    void DrawArrow(QPainter& painter, QPointF centre, qreal size, bool up, bool sunken) const;

    TSpinButtonKind kind_ = bkDiagonal;
    TSpinRegion pressed_ = TSpinRegion::None;
    TSpinRegion firstPressed_ = TSpinRegion::None;
    bool held_ = false;
    QTimer timer_;
};

} // namespace zuneigo
