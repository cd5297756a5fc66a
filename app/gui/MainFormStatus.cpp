// The status bar's progress panel: a navy bar filling panel 1 from the left.
#include "app/gui/MainForm.h"

#include "app/gui/StatusBar.h"

#include <QPainter>

namespace zuneigo {

namespace {

const QColor BarColour(0, 0, 128);

void DrawBar(QPainter& painter, const QRect& r, int percent)
{
    // (right - left) * percent div 100 in 32 bits, multiplication first.
    const int left = r.left();
    const int right = r.left() + r.width();
    const int barRight = left + (right - left) * percent / 100;
    if (barRight <= left) return;
    painter.fillRect(QRect(QPoint(left, r.top()), QPoint(barRight - 1, r.bottom())), BarColour);
}

} // namespace

void TMainForm::BuildStatusBar()
{
    StatusBar1 = new TStatusBar(this);
    StatusBar1->OnDrawPanel = [this](TStatusBar* bar, int panel, QPainter& painter, const QRect& rect) {
        StatusBar1DrawPanel(bar, panel, painter, rect);
    };
}

void TMainForm::StatusBar1DrawPanel(TStatusBar*, int, QPainter& painter, const QRect& rect)
{
    DrawBar(painter, rect, ProgressPercent);
    ProgressRect = rect;
}

void TMainForm::SetProStatus(int value)
{
    if (value < ProgressPercent) {
        ProgressPercent = value;
        StatusBar1->RepaintAll();
    } else {
        ProgressPercent = value;
        SBarPaintMore();
    }
}

void TMainForm::SBarPaintMore()
{
    if (ProgressRect.isNull() || !StatusBar1->isVisible()) return;
    StatusBar1->PaintOver([this](QPainter& painter) { DrawBar(painter, ProgressRect, ProgressPercent); });
}

} // namespace zuneigo
