// A result row opened in the detail window: every field from the row's cells, the marker
// at the row's position, nothing left of an earlier row, nothing without a selection.
#include "ClientWindow.h"
#include "app/gui/PictureBox.h"
#include "ui/widgets/RxSpinEdit.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
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
