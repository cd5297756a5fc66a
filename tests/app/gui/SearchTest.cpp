// The search through the window: the crafted searches zuneigo-search also runs, each twice.
#include "ClientWindow.h"
#include "tests/tools/search/SearchCases.h"
#include "ui/widgets/RxSpinEdit.h"

#include <gtest/gtest.h>

#include <QRadioButton>

using namespace zuneigo;
using namespace zuneigo::test;

TEST(Search, CraftedSearchesThroughTheWindow)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.Database.AppendText(SearchCaseDatabase());
    for (const SearchCase& c : SearchCases) {
        (c.isMan ? f.Bimann : f.BiFrau)->setChecked(true);
        (c.seeksMan ? f.SuMann : f.SuFrau)->setChecked(true);
        f.VonAge->setText(c.vonAge);
        f.BisAge->setText(c.bisAge);
        f.UmKreis->setText(c.umKreis);
        f.Shape2->move(c.x, c.y);
        for (int twice = 0; twice < 2; ++twice) {
            f.SearchBtnClick();
            std::vector<std::string> names;
            for (const auto& row : w.Rows())
                names.push_back(row[0]);
            EXPECT_EQ(names, c.names) << c.what;
            EXPECT_EQ(w.TakeMessages(), std::vector<std::string>{SearchDoneMessage(c.names.size(), "i Suche beendet|")});
        }
    }
}
