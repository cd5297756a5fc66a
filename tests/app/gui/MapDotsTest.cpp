// The search results as dots on the search map: what a search draws, the ring that
// follows the list's selection, and clicks on dots, all through the real window.
// Mouse events go through the window, as the desktop delivers them (grabs, children).
#define QTEST_QPA_MOUSE_HANDLING
#include "ClientWindow.h"

#include "app/gui/PictureBox.h"
#include "tests/support/TestSupport.h"
#include "ui/widgets/RxSpinEdit.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include <set>

namespace zuneigo::test {
namespace {

using Pixels = std::set<std::pair<int, int>>;

// Women of 19 seeking a man, at the given marker positions, in database order.
std::string AdsAt(const std::vector<QPoint>& positions)
{
    std::string text;
    for (const QPoint& p : positions)
        text += "Eva\r\n0\r\n1\r\n19\r\n170\r\n60\r\n0\r\nblond\r\nblau\r\nLesen\r\nHallo\r\neva@example.org\r\n" +
            std::to_string(p.x()) + "\r\n" + std::to_string(p.y()) + "\r\n";
    return text;
}

// The search map's picture as shown, markers and dots included.
QImage MapShown(TMainForm& f)
{
    return f.Image2->grab(QRect(0, 0, 196, 260)).toImage().convertToFormat(QImage::Format_RGB32);
}

Pixels Differences(const QImage& a, const QImage& b)
{
    Pixels out;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) out.insert({x, y});
    return out;
}

// A dot drawn for a marker position: its centre pixel and the eight around it.
Pixels DotAt(QPoint marker)
{
    Pixels out;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            out.insert({marker.x() + 4 + dx, marker.y() + 4 + dy});
    return out;
}

// The window after a search from the default marker that takes all the ads.
class Searched {
public:
    explicit Searched(const std::vector<QPoint>& ads)
    {
        f.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        f.Database.AppendText(AdsAt(ads));
        f.UmKreis->setText(QStringLiteral("1000")); // its ring lies outside the picture
        before = MapShown(f);
        f.SearchBtnClick();
        w.TakeMessages();
    }
    ClientWindow w;
    TMainForm& f = w.Form();
    QImage before;
};

const QPoint North{20, 30}, South{100, 200}, East{150, 10}, Outside{-30, 40}, OnMarker{136, 120};

TEST(MapDots, ASearchDrawsItsMatchesUnderTheMarkerUntilTheNextSearch)
{
    Searched s({North, South, Outside, OnMarker, East});
    Pixels expected;
    for (QPoint p : {North, South, East})
        expected.merge(DotAt(p));
    // The dot under the marker stays hidden by it; the one off the picture draws nothing.
    EXPECT_EQ(Differences(s.before, MapShown(s.f)), expected);
    const QImage dots = MapShown(s.f);
    EXPECT_NE(dots.pixel(24, 34), dots.pixel(140, 124)) << "the dots' colour differs from the marker's";

    // A download that fails empties the database; the list keeps its rows and the map its dots.
    s.f.Proxy2Ed->setText(QString::fromStdString("127.0.0.1:" + std::to_string(FreeTcpPort())));
    s.f.DownBtnClick();
    EXPECT_EQ(s.f.Database.RecordCount(), 0u);
    EXPECT_EQ(s.f.ListView1->model()->rowCount(), 5);
    EXPECT_EQ(MapShown(s.f), dots);
    // The next search, finding nothing now, leaves the bare map.
    s.f.SearchBtnClick();
    EXPECT_EQ(Differences(s.before, MapShown(s.f)), Pixels{});

    // Two matches on one place read darker than one.
    Searched twice({North, North, South});
    EXPECT_LT(qGray(MapShown(twice.f).pixel(24, 34)), qGray(MapShown(twice.f).pixel(104, 204)));
}

TEST(MapDots, TheSelectedRowsDotIsRinged)
{
    // The list shows the last ad first: row 0 is East, row 1 Outside, row 2 South.
    Searched s({South, Outside, East});
    const QImage plain = MapShown(s.f);
    auto changedNear = [&](QPoint marker) {
        const QRect ring(marker + QPoint(4 - 8, 4 - 8), QSize(17, 17));
        std::size_t inside = 0, outside = 0;
        for (const auto& [x, y] : Differences(plain, MapShown(s.f)))
            ++(ring.contains(x, y) ? inside : outside);
        EXPECT_EQ(outside, 0u) << "changes away from the selected dot";
        return inside > 0;
    };
    QTreeView* list = s.f.ListView1;
    const QModelIndex first = list->model()->index(0, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(first).center());
    EXPECT_TRUE(changedNear(East));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down); // to the row whose dot is off the picture
    EXPECT_FALSE(changedNear(East));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_TRUE(changedNear(South));
    list->clearSelection();
    EXPECT_FALSE(changedNear(South));
}

TEST(MapDots, AClickOnADotIsAClickOnTheMap)
{
    Searched s({North, South, East});
    QTest::mouseClick(s.f.ListView1->viewport(), Qt::LeftButton, {},
                      s.f.ListView1->visualRect(s.f.ListView1->model()->index(1, 0)).center());
    const struct {
        const char* radius; // 1000: the circle's box takes the click; 10: the picture does
        QPoint dot;
    } cases[] = {{"10", South}, {"1000", North}, {"10", East}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radius);
        s.f.UmKreis->setText(QString::fromLatin1(c.radius));
        const QPoint centre = c.dot + QPoint(4, 4);
        QTest::mouseClick(s.f.windowHandle(), Qt::LeftButton, {}, s.f.Image2->mapTo(&s.f, centre));
        EXPECT_EQ(s.f.Shape2->pos(), c.dot);
        EXPECT_EQ(s.f.ListView1->selectionModel()->selectedRows().value(0).row(), 1); // the list is untouched
    }
}

} // namespace
} // namespace zuneigo::test
