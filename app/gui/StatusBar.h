#pragma once
// TStatusBar: a bar of panels along the window's bottom edge. Panel 0 shows a text; the
// last panel is drawn by the owner through OnDrawPanel and reaches to the bar's right end.
// Owner drawing outside a full repaint (PaintOver) draws over what is shown, without erasing.
#include <QWidget>

#include <functional>

class QSizeGrip;

namespace zuneigo {

class TStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);

    QString PanelText() const { return text_; }
    void SetPanelText(const QString& text);
    int FirstPanelWidth() const { return firstWidth_; }

    // The rectangle of the owner-drawn panel, in the bar's coordinates.
    QRect OwnerPanelRect() const;

    // Called whenever the owner-drawn panel is painted (panel index 1).
    std::function<void(TStatusBar* sender, int panel, QPainter& painter, const QRect& rect)> OnDrawPanel;

    // Runs draw at once on the shown bar, over what is there: no background, no panels.
    void PaintOver(const std::function<void(QPainter&)>& draw);
    // Erases and repaints the whole bar at once.
    void RepaintAll();

    // Counts for the tests: full paints (background erased) and paints over.
    int FullPaints() const { return fullPaints_; }
    int OverPaints() const { return overPaints_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString text_;
    int firstWidth_ = 250;
    QSizeGrip* grip_ = nullptr;
    std::function<void(QPainter&)> over_;
    int fullPaints_ = 0;
    int overPaints_ = 0;
};

} // namespace zuneigo
