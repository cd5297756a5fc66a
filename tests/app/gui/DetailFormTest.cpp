// A result row opened in the detail window: every field from the row's cells, the marker
// at the row's position, nothing left of an earlier row, nothing without a selection.
#include "ClientWindow.h"
#include "tests/tools/search/SearchCases.h"
#include "app/gui/PictureBox.h"
#include "ui/widgets/RxSpinEdit.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

// Opens the detail window with open() and returns what it showed, closing it again.
std::vector<std::string> Shown(ClientWindow& w, const std::function<void()>& open)
{
    std::vector<std::string> shown;
    TDetailForm& d = w.Detail();
    QTimer::singleShot(0, [&] {
        if (!d.isVisible())
            return;
        for (const QLineEdit* e : std::initializer_list<const QLineEdit*>{
                 d.NameEd, d.AlterEd, d.GrossEd, d.GewEd, d.HaareEd, d.AugenEd, d.MakeEd, d.TitleEd, d.emailEd})
            shown.push_back(Utf8(e->text()));
        shown.push_back(d.Raucher->isChecked() ? "Raucher" : d.NRaucher->isChecked() ? "Nichtraucher" : "-");
        shown.push_back(std::to_string(d.Shape2->x()) + "," + std::to_string(d.Shape2->y()));
        d.OKBtn->click();
    });
    open();
    QCoreApplication::processEvents(); // a timer left over when nothing opened
    return shown;
}

void Press(QWidget* list, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::ShiftModifier);
    QCoreApplication::sendEvent(list, &press);
}

} // namespace

TEST(DetailForm, ShowsTheSelectedRowEveryTime)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    const std::string db = "Eva\n0\n1\n19\n168\n55\n1\nrot\nbraun\nTanzen\nHallo\neva@x.de\n-4\n-4\n"
                           "J\xF6rg\n0\n1\n20\n181\n77\n0\nkurz\nblau\nLesen\nTitel\nj@x.de\n150\n130\n";
    f.Database.AppendText(db);
    f.UmKreis->setText("1000");
    f.SearchBtnClick();
    ASSERT_EQ(w.Rows().size(), 2u);

    // No selection: neither a double-click nor Enter opens anything.
    EXPECT_TRUE(Shown(w, [&] { f.ListView1DblClick(); }).empty());
    EXPECT_TRUE(Shown(w, [&] { Press(f.ListView1, Qt::Key_Return); }).empty());

    const std::vector<std::string> joerg = {"J\xC3\xB6rg", "20", "181", "77", "kurz", "blau", "Lesen", "Titel",
                                            "j@x.de", "Nichtraucher", "150,130"};
    const std::vector<std::string> eva = {"Eva", "19", "168", "55", "rot", "braun", "Tanzen", "Hallo",
                                          "eva@x.de", "Raucher", "-4,-4"};
    w.SelectRow(0);
    EXPECT_EQ(Shown(w, [&] { f.ListView1DblClick(); }), joerg);
    w.SelectRow(1);
    f.Database.Clear(); // the window shows the row, not the database
    EXPECT_EQ(Shown(w, [&] { Press(f.ListView1, Qt::Key_Enter); }), eva);
    // The corner marker reaches past the map's top-left edge.
    const QRect marker = w.Detail().Shape2->geometry();
    EXPECT_TRUE(marker.intersects(w.Detail().Image2->rect()));
    EXPECT_FALSE(w.Detail().Image2->rect().contains(marker));
    // Other keys are the list's own.
    EXPECT_TRUE(Shown(w, [&] { Press(f.ListView1, Qt::Key_Down); }).empty());
}
