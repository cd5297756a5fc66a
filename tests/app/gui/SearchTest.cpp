// The search through the window: the crafted searches zuneigo-search also runs, the
// result list's rows and its closing message.
#include "ClientWindow.h"
#include "tests/tools/search/SearchCases.h"
#include "ui/widgets/RxSpinEdit.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

std::string Done(std::size_t n)
{
    return "i Suche beendet|Die Suche wurde beendet. Es wurden " + std::to_string(n) + " passende Anzeigen gefunden.";
}

std::vector<std::string> Names(ClientWindow& w)
{
    std::vector<std::string> names;
    for (const auto& row : w.Rows())
        names.push_back(row[0]);
    return names;
}

} // namespace

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
        f.SearchBtnClick();
        EXPECT_EQ(Names(w), c.names) << c.what;
        EXPECT_EQ(w.TakeMessages(), std::vector<std::string>{Done(c.names.size())}) << c.what;
    }
}

TEST(Search, RowsShowTheCellsAndARepeatedSearchReplacesThem)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.Database.AppendText(SearchCaseDatabase());
    f.SearchBtnClick();
    const auto first = w.Rows();
    f.SearchBtnClick();
    EXPECT_EQ(w.Rows(), first);
    ASSERT_EQ(first.size(), SearchCases[0].names.size());
    EXPECT_EQ(first[0], (std::vector<std::string>{"W20", "20", "170", "60", "0", "Titel W20", "kurz", "gr\xC3\xBCn",
                                                  "Lesen", "k@x.de", "136", "120"}));
    EXPECT_EQ(Utf8(f.ListView1->model()->headerData(2, Qt::Horizontal).toString()), "Gr\xC3\xB6\xC3\x9F" "e");

    // A download empties the database; the rows stay as they were.
    f.Database.Clear();
    EXPECT_EQ(w.Rows(), first);
    f.SearchBtnClick();
    EXPECT_TRUE(w.Rows().empty());
    EXPECT_EQ(w.TakeMessages().back(), Done(0));
}
