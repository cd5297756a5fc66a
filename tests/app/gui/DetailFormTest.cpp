// A result row opened in the detail window: every field from the row's cells, the marker
// at the row's position, nothing left of an earlier row, nothing without a selection.
#include "ClientWindow.h"
#include "app/gui/PictureBox.h"
#include "app/core/ResultColumns.h"
#include "ui/widgets/LongLineEdit.h"
#include "ui/widgets/RxSpinEdit.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace zuneigo;
using namespace zuneigo::test;

TEST(DetailForm, ShowsTheSelectedRowEveryTime)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    TDetailForm& d = w.Detail();
    f.Database.AppendText("Eva\n0\n1\n19\n168\n55\n1\nrot\nbraun\nTanzen\nHallo\neva@x.de\n-4\n-4\n"
                          "J\xF6rg\n0\n1\n20\n181\n77\n0\nkurz\nblau\nLesen\nTitel\nj@x.de\n150\n130\n");
    f.UmKreis->setText("1000");
    f.SearchBtnClick();
    // Opens with open() and returns what the window showed, closing it again.
    auto shown = [&](int row, int key) {
        if (row >= 0)
            f.ListView1->selectionModel()->select(f.ListView1->model()->index(row, 0),
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        std::string text;
        QTimer::singleShot(0, [&] {
            if (!d.isVisible())
                return;
            for (const QLineEdit* e : std::initializer_list<const QLineEdit*>{d.NameEd, d.AlterEd, d.GrossEd, d.GewEd, d.HaareEd,
                                                                              d.AugenEd, d.MakeEd, d.TitleEd, d.emailEd})
                text += Utf8(e->text()) + "|";
            text += std::string(d.Raucher->isChecked() ? "R" : "") + (d.NRaucher->isChecked() ? "N" : "") + "|" +
                std::to_string(d.Shape2->x()) + "," + std::to_string(d.Shape2->y());
            d.OKBtn->click();
        });
        if (key == 0) {
            f.ListView1DblClick();
        } else {
            QKeyEvent press(QEvent::KeyPress, key, Qt::ShiftModifier);
            QCoreApplication::sendEvent(f.ListView1, &press);
        }
        QCoreApplication::processEvents(); // the timer, when nothing opened
        return text;
    };
    const std::string eva = "Eva|19|168|55|rot|braun|Tanzen|Hallo|eva@x.de|R|-4,-4";
    const std::pair<int, int> noOpen[] = {{-1, 0}, {-1, Qt::Key_Return}};
    for (const auto& [row, key] : noOpen)
        EXPECT_EQ(shown(row, key), "") << key;
    EXPECT_EQ(shown(0, 0), "J\xC3\xB6rg|20|181|77|kurz|blau|Lesen|Titel|j@x.de|N|150,130");
    f.Database.Clear(); // the window shows the row, not the database
    EXPECT_EQ(shown(1, Qt::Key_Enter), eva);
    // The corner marker reaches past the map's top-left edge.
    EXPECT_TRUE(d.Shape2->geometry().intersects(d.Image2->rect()));
    EXPECT_FALSE(d.Image2->rect().contains(d.Shape2->geometry()));
}

namespace {

// Counts the detail windows that opened while f ran, closing each at once.
int Opened(TDetailForm& d, const std::function<void()>& f)
{
    int opened = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (d.isVisible()) {
            ++opened;
            d.OKBtn->click();
        }
    });
    closer.start(1);
    f();
    QTest::qWait(20);
    return opened;
}

} // namespace

TEST(DetailForm, OnlyADoubleClickOnARowOpens)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    std::string db;
    for (int i = 0; i < 40; ++i)
        db += "Eva\n0\n1\n19\n168\n55\n1\nrot\nbraun\nTanzen\nHallo\neva@x.de\n136\n120\n";
    f.Database.AppendText(db);
    f.UmKreis->setText("1000");
    f.SearchBtnClick();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QTreeView* list = f.ListView1;
    list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ASSERT_TRUE(list->verticalScrollBar()->isVisible() && list->horizontalScrollBar()->isVisible());
    auto doubleClick = [&](QWidget* on, QPoint at) {
        return Opened(w.Detail(), [&] {
            QTest::mouseClick(on, Qt::LeftButton, {}, at);
            QTest::mouseDClick(on, Qt::LeftButton, {}, at);
        });
    };
    const QRect viewport = list->viewport()->geometry();
    const QPoint corner(viewport.right() + list->verticalScrollBar()->width() / 2,
                        viewport.bottom() + list->horizontalScrollBar()->height() / 2);
    EXPECT_EQ(list->childAt(corner), nullptr); // the list's own corner square
    EXPECT_EQ(doubleClick(list, corner), 0);
    EXPECT_EQ(doubleClick(list->header()->viewport(), {20, 5}), 0);
    EXPECT_EQ(doubleClick(list->viewport(), list->visualRect(list->model()->index(2, 0)).center()), 1);
}

TEST(DetailForm, HugeFieldsShowCutInTheListAndWholeInTheWindow)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    TDetailForm& d = w.Detail();
    const std::string huge(10'000'000, 'x');
    const std::string contact = "eva@x.de" + huge;
    f.Database.AppendText("Eva" + huge + "\n0\n1\n19\n168\n55\n1\nrot\nbraun\n" + huge + "\nHallo\n" + contact + "\n136\n120\n");
    f.UmKreis->setText("1000");
    f.SearchBtnClick();
    const QAbstractItemModel* model = f.ListView1->model();
    ASSERT_EQ(model->rowCount(), 1);
    for (int column : {ColName, ColActivities, ColContact})
        EXPECT_EQ(model->index(0, column).data().toString().size(), qsizetype(ShownCellLength));
    f.ListView1->selectionModel()->select(model->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QString name, copied;
    qsizetype shown = 0;
    QTimer::singleShot(0, [&] {
        name = d.NameEd->FullText();
        shown = d.MakeEd->text().size();
        d.emailEd->selectAll();
        QTest::keyClick(d.emailEd, Qt::Key_C, Qt::ControlModifier);
        copied = QApplication::clipboard()->text();
        d.OKBtn->click();
    });
    f.ListView1DblClick();
    EXPECT_EQ(name.size(), qsizetype(huge.size() + 3));
    EXPECT_TRUE(name.startsWith("Evaxxx"));
    EXPECT_LE(shown, TLongLineEdit::ShownLength + 1);
    EXPECT_EQ(copied, QString::fromLatin1(contact));
}
