#pragma once
// TBevelPanel: a coloured panel with a raised inner and a lowered outer bevel, holding an
// optional bold caption: the header strips and the about box's framed panel.
#include <QColor>
#include <QWidget>

namespace zuneigo {

inline const QColor HeaderColor(240, 202, 166);

class TBevelPanel : public QWidget {
    Q_OBJECT
public:
    explicit TBevelPanel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace zuneigo
