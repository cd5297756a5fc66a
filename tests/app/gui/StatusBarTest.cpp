// The status bar's progress panel: bar widths, growing without erasing, shrinking with a
// repaint, and a percentage set before the first paint.
#include "ClientWindow.h"

#include "app/gui/StatusBar.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace zuneigo::test {
namespace {

// Navy pixels along the panel's middle row, from its left edge.
int BarWidth(TMainForm& f)
{
    const QImage shot = f.StatusBar1->grab().toImage();
    const QRect r = f.StatusBar1->OwnerPanelRect();
    int n = 0;
    while (n < r.width() && shot.pixelColor(r.left() + n, r.center().y()) == QColor(0, 0, 128))
        ++n;
    return n;
}

TEST(StatusBar, ProgressPanel)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.SetProStatus(50); // before the first paint: nothing to draw on yet
    EXPECT_TRUE(f.ProgressRect.isNull());
    f.show();
    QApplication::processEvents();
    ASSERT_EQ(f.ProgressRect.width(), 380);
    EXPECT_EQ(BarWidth(f), 190);

    const struct {
        int percent, width;
        bool repaint;
    } steps[] = {{33, 125, true}, {60, 228, false}, {60, 228, false}, {100, 380, false}, {20, 76, true}, {0, 0, true}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.percent);
        const int full = f.StatusBar1->FullPaints(), over = f.StatusBar1->OverPaints();
        f.SetProStatus(s.percent);
        EXPECT_EQ(f.StatusBar1->FullPaints() - full, s.repaint ? 1 : 0);
        EXPECT_EQ(f.StatusBar1->OverPaints() - over, s.repaint ? 0 : 1);
        EXPECT_EQ(f.ProgressPercent, s.percent);
        EXPECT_EQ(BarWidth(f), s.width);
    }
}

} // namespace
} // namespace zuneigo::test
