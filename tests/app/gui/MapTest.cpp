// The maps: circle sizes from the radius, map clicks, clicks inside the circle, and image
// coordinates whatever the scroll position, all through real mouse events.
// Mouse events go through the window, as the desktop delivers them (grabs, children).
#define QTEST_QPA_MOUSE_HANDLING
#include "ClientWindow.h"

#include "app/gui/PictureBox.h"
#include "ui/widgets/RxSpinEdit.h"

#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace zuneigo::test {
namespace {

QRect Box(const QWidget* w)
{
    return w->geometry();
}

TEST(Map, CircleFollowsTheRadiusAroundTheMarker)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    EXPECT_EQ(Box(f.Shape3), QRect(99, 83, 82, 82)); // before any change: the 150 km default
    const struct {
        const char* radius;
        int diameter;
    } cases[] = {{"0", 0}, {"1", 0}, {"2", 1}, {"16", 8}, {"17", 9}, {"150", 82}, {"443", 243}, {"1000", 548}, {"", 0}, {"abc", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radius);
        f.UmKreis->setText(QString::fromLatin1(c.radius));
        EXPECT_EQ(Box(f.Shape3), QRect(140 - c.diameter / 2, 124 - c.diameter / 2, c.diameter, c.diameter));
        EXPECT_EQ(f.Shape2->pos(), QPoint(136, 120)); // the radius never moves the marker
    }
}

TEST(Map, ClicksPutTheMarkerCentreOnThePoint)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const struct {
        const char* radius;
        QPoint click; // on the picture
    } cases[] = {{"150", {0, 0}}, {"150", {195, 259}}, {"0", {10, 20}}, {"2", {60, 70}}, {"1000", {150, 30}}, {"17", {141, 125}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radius);
        f.UmKreis->setText(QString::fromLatin1(c.radius));
        // Through the window: a widget point (0, 0) would stand for the widget's centre.
        f.PageControl1->setCurrentIndex(1);
        QTest::mouseClick(f.windowHandle(), Qt::RightButton, {}, f.Image1->mapTo(&f, c.click));
        EXPECT_EQ(f.Shape1->pos(), c.click - QPoint(4, 4));
        // Search map: inside the circle's box the circle takes the press and acts the same.
        f.PageControl1->setCurrentIndex(0);
        QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, f.Image2->mapTo(&f, c.click));
        EXPECT_EQ(f.Shape2->pos(), c.click - QPoint(4, 4));
        const int d = f.Shape3->width();
        EXPECT_EQ(f.Shape3->pos() + QPoint(d / 2, d / 2), f.Shape2->pos() + QPoint(4, 4));
        EXPECT_EQ(f.UmKreis->text(), QString::fromLatin1(c.radius)); // moving never changes the radius
    }
}

TEST(Map, ScrolledBoxStillGivesImageCoordinates)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.UmKreis->setText(QStringLiteral("1000")); // the circle reaches far past the picture
    QScrollBar* h = f.ScrollBox2->horizontalScrollBar();
    QScrollBar* v = f.ScrollBox2->verticalScrollBar();
    ASSERT_GT(h->maximum(), 100);
    ASSERT_GT(v->maximum(), 100);
    h->setValue(100);
    v->setValue(50);
    QTest::mouseClick(f.ScrollBox2->viewport(), Qt::LeftButton, {}, QPoint(20, 30));
    EXPECT_EQ(f.Shape2->pos(), QPoint(116, 76));
    // Past the picture only the circle takes clicks; the bare box below it does not.
    f.UmKreis->setText(QStringLiteral("0"));
    QTest::mouseClick(f.Image2, Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(f.Shape2->pos(), QPoint(116, 76));
}

} // namespace
} // namespace zuneigo::test
