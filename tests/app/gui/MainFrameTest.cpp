// The main window as a frame: the close confirmation, the defaults, bounds and tab order
// of both tabs, and what a resize moves.
#include "ClientWindow.h"

#include "app/gui/BevelPanel.h"
#include "app/gui/PictureBox.h"
#include "app/gui/StatusBar.h"
#include "app/gui/Translations.h"
#include "ui/widgets/RxSpinEdit.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QTabBar>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <cstdlib>
#include <set>

namespace zuneigo::test {
namespace {

// Answers the next modal box as a user would: a button, a key, or its close button.
void AnswerBox(const std::function<void(QMessageBox*)>& answer)
{
    QTimer::singleShot(0, [answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        answer(box);
    });
}

TEST(MainFrame, CloseAsksAndOnlyOkCloses)
{
    using Answer = std::function<void(QMessageBox*)>;
    const struct {
        const char* name;
        Answer answer;
        bool closes;
    } cases[] = {
        {"ok", [](QMessageBox* b) { b->button(QMessageBox::Ok)->click(); }, true},
        {"cancel", [](QMessageBox* b) { b->button(QMessageBox::Cancel)->click(); }, false},
        {"escape", [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); }, false},
        {"box closed", [](QMessageBox* b) { b->close(); }, false}};
    for (const auto& c : cases) {
        for (bool byExitPicture : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (byExitPicture ? " / exit picture" : " / close button"));
            ClientWindow w;
            SetMessageHook(nullptr);
            TMainForm& f = w.Form();
            f.show();
            f.NameEd->setText(QStringLiteral("Eingetippt"));
            f.Database.AppendText("a\r\nb\r\n");
            AnswerBox(c.answer);
            if (byExitPicture)
                f.EndeBtnClick();
            else
                f.close();
            EXPECT_EQ(f.isVisible(), !c.closes);
            EXPECT_EQ(f.NameEd->text(), QStringLiteral("Eingetippt"));
            EXPECT_EQ(f.Database.Count(), 2u);
            EXPECT_TRUE(f.EndeBtn->isVisible() || c.closes);
        }
    }
}

TEST(MainFrame, TheConfirmationBox)
{
    ClientWindow w;
    ShownMessage seen;
    SetMessageHook([&](const ShownMessage& m) {
        seen = m;
        return int(QMessageBox::Cancel);
    });
    EXPECT_FALSE(w.Form().FormCloseQuery());
    EXPECT_EQ(seen.Icon, QMessageBox::Information);
    EXPECT_EQ(seen.Title, QStringLiteral("Programm beenden"));
    EXPECT_EQ(seen.Text, QStringLiteral("Hiermit beenden Sie das Programm! Alle nicht gespeicherten Daten gehen verloren!"));
    EXPECT_EQ(seen.Buttons, QMessageBox::Ok | QMessageBox::Cancel);
}

TEST(MainFrame, TheConfirmationsButtonsSpeakGerman)
{
    ClientWindow w;
    SetMessageHook(nullptr);
    ASSERT_TRUE(InstallGermanToolkitTexts(*qApp));
    QStringList captions;
    AnswerBox([&](QMessageBox* b) {
        captions << b->button(QMessageBox::Ok)->text() << b->button(QMessageBox::Cancel)->text();
        b->button(QMessageBox::Cancel)->click();
    });
    EXPECT_FALSE(w.Form().FormCloseQuery());
    EXPECT_EQ(captions.join(QLatin1Char('|')).remove(QLatin1Char('&')), QStringLiteral("OK|Abbrechen"));
}

TEST(MainFrame, FieldDefaultsAndBounds)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    const struct {
        QLineEdit* field;
        const char* text;
        int min, max; // spin fields only
    } fields[] = {
        {f.AlterEd, "20", 1, 200}, {f.GrossEd, "185", 50, 290}, {f.GewEd, "79", 10, 1000}, {f.VonAge, "18", 1, 200}, {f.BisAge, "20", 1, 200}, {f.UmKreis, "150", 0, 1000}, {f.HaareEd, "kurz, dunkles rot", 0, 0}, {f.AugenEd, "blau", 0, 0}, {f.MakeEd, "Programmieren, Kino, Musik hören", 0, 0}, {f.TitleEd, "Suche nettes Mädchen", 0, 0}, {f.ProxyEdit, "", 0, 0}, {f.Proxy2Ed, "", 0, 0}};
    for (const auto& c : fields) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.field->text(), QString::fromUtf8(c.text));
        if (auto* spin = qobject_cast<TRxSpinEdit*>(c.field)) {
            EXPECT_EQ(spin->MinValue(), c.min);
            EXPECT_EQ(spin->MaxValue(), c.max);
        } else {
            EXPECT_GT(c.field->maxLength(), 1 << 20); // no length limit
        }
    }
    EXPECT_FALSE(f.NameEd->text().isEmpty());
    EXPECT_FALSE(f.emailEd->text().isEmpty());
    // Each pair excludes its partner only: flipping one leaves the others as they were.
    QRadioButton* checked[] = {f.bMann, f.SFrau, f.NRaucher, f.Bimann, f.SuFrau};
    for (QRadioButton* r : checked)
        EXPECT_TRUE(r->isChecked());
    f.BFrau->setChecked(true);
    f.Raucher->setChecked(true);
    EXPECT_TRUE(f.SFrau->isChecked());
    EXPECT_TRUE(f.Raucher->isChecked() && !f.NRaucher->isChecked() && !f.bMann->isChecked());
    EXPECT_TRUE(f.Bimann->isChecked());
    EXPECT_TRUE(f.DownBtn->isEnabled());
    EXPECT_FALSE(f.SearchBtn->isEnabled());
    EXPECT_EQ(f.PageControl1->currentIndex(), 0);
}

TEST(MainFrame, TabOrderOfBothTabs)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    QApplication::setActiveWindow(&f);
    auto walk = [&](QWidget* first, std::size_t stops) {
        first->setFocus();
        std::vector<QWidget*> seen{QApplication::focusWidget()};
        while (seen.size() < stops) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen.push_back(QApplication::focusWidget());
        }
        return seen;
    };
    // A radio pair is one stop (its checked button); the disabled search button is skipped.
    EXPECT_EQ(walk(f.Bimann, 8), (std::vector<QWidget*>{f.Bimann, f.SuFrau, f.VonAge, f.BisAge, f.UmKreis, f.DownBtn, f.Proxy2Ed, f.ListView1}));
    f.PageControl1->setCurrentIndex(1);
    EXPECT_EQ(walk(f.NameEd, 15),
              (std::vector<QWidget*>{f.NameEd, f.AlterEd, f.GrossEd, f.GewEd, f.bMann, f.SFrau, f.NRaucher, f.HaareEd,
                                     f.AugenEd, f.MakeEd, f.TitleEd, f.emailEd, f.ScrollBox1, f.SubmitBtn,
                                     f.ProxyEdit}));
}

TEST(MainFrame, EveryCaptionShowsInFull)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    QApplication::processEvents();
    for (int tab : {0, 1}) {
        f.PageControl1->setCurrentIndex(tab);
        for (QWidget* c : f.findChildren<QWidget*>()) {
            const bool label = qobject_cast<QLabel*>(c), button = qobject_cast<QAbstractButton*>(c);
            if (!(label || button) || c->property("text").toString().isEmpty() || !c->isVisible()) continue;
            SCOPED_TRACE(c->property("text").toString().toStdString());
            EXPECT_LE(c->sizeHint().width(), c->width());
            EXPECT_TRUE(c->parentWidget()->rect().contains(c->geometry()));
            for (QObject* o : c->parentWidget()->children()) {
                auto* sibling = qobject_cast<QWidget*>(o);
                if (sibling && sibling != c && !sibling->isHidden()) {
                    EXPECT_FALSE(c->geometry().intersects(sibling->geometry())) << sibling->metaObject()->className();
                }
            }
        }
    }
}

TEST(MainFrame, ResizingGivesTheChangeToTheTabArea)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    EXPECT_EQ(f.size(), QSize(630, 478));
    const QRect list = f.ListView1->geometry();
    for (const QSize size : {QSize(800, 600), QSize(630, 478)}) {
        f.resize(size);
        QApplication::processEvents();
        const int grow = size.height() - 478;
        EXPECT_EQ(f.PageControl1->geometry(), QRect(0, 0, size.width(), 418 + grow));
        EXPECT_EQ(f.StatusBar1->geometry(), QRect(0, size.height() - 19, size.width(), 19));
        EXPECT_EQ(f.ueberbtn->mapTo(&f, QPoint()), QPoint(size.width() - 213, size.height() - 56));
        EXPECT_EQ(f.SearchHeader->width(), f.TabSheet1->width());
        EXPECT_EQ(f.ListView1->geometry(), list.adjusted(0, 0, 0, grow));
        EXPECT_EQ(f.ScrollBox2->geometry(), QRect(408, 64, 201, 265));
    }
}

TEST(MainFrame, TheTabUnderThePointerLightsUp)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QTabBar* bar = f.PageControl1->tabBar();
    const QRect tab = bar->tabRect(1);
    auto hoverAt = [&](QPoint at) {
        QHoverEvent move(QEvent::HoverMove, at, bar->mapToGlobal(at), QPointF(-1, -1));
        QApplication::sendEvent(bar, &move);
        return bar->grab().toImage().copy(tab);
    };
    const QImage away = hoverAt({tab.right() + 40, tab.center().y()});
    const QImage over = hoverAt(tab.center());
    EXPECT_NE(over, away);
    EXPECT_EQ(hoverAt({tab.right() + 40, tab.center().y()}), away);
}

TEST(MainFrame, OpensOnTheFirstStopAndEveryArrowKeySwitchesARadioPair)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    EXPECT_EQ(QApplication::focusWidget(), f.Bimann);
    const std::pair<QRadioButton*, QRadioButton*> pairs[] = {
        {f.Bimann, f.BiFrau}, {f.SuMann, f.SuFrau}, {f.bMann, f.BFrau}, {f.SMann, f.SFrau}, {f.Raucher, f.NRaucher}};
    for (const auto& [first, second] : pairs) {
        f.PageControl1->setCurrentWidget(first == f.Bimann || first == f.SuMann ? f.TabSheet1 : f.TabSheet2);
        first->setChecked(true);
        first->setFocus();
        for (const int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_Left}) {
            SCOPED_TRACE(first->text().toStdString() + " " + std::to_string(key));
            QRadioButton* from = QApplication::focusWidget() == first ? first : second;
            QRadioButton* to = from == first ? second : first;
            QTest::keyClick(from, Qt::Key(key));
            EXPECT_TRUE(to->isChecked() && !from->isChecked());
            EXPECT_EQ(QApplication::focusWidget(), to);
        }
    }
}

// A caption sits level with its field's text on every row of every window, clear of its frame.
TEST(MainFrame, CaptionsAreLevelWithTheirFields)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    w.Detail().show();
    QApplication::processEvents();
    std::set<int> drops; // caption centre minus field centre, in half pixels
    int rows = 0;
    for (QWidget* page : {f.TabSheet2, f.Panel9, static_cast<QWidget*>(&w.Detail())}) {
        for (QLabel* label : page->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            const QRect c = label->geometry();
            for (QWidget* field : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                const QRect g = field->geometry();
                const bool fieldLike = qobject_cast<QLineEdit*>(field) || field->findChild<QRadioButton*>();
                if (!fieldLike || g.left() < c.right() || g.left() > c.right() + 150 || g.bottom() < c.top() ||
                    g.top() > c.bottom())
                    continue;
                SCOPED_TRACE(label->text().toStdString());
                ++rows;
                drops.insert((c.top() * 2 + c.height()) - (g.top() * 2 + g.height()));
                EXPECT_LT(c.left() + label->fontMetrics().horizontalAdvance(label->text()), g.left() - 2);
            }
        }
    }
    EXPECT_GE(rows, 25);
    EXPECT_EQ(drops.size(), 1u);
    EXPECT_LE(std::abs(*drops.begin()), 2);
    w.Detail().hide();
}

TEST(MainFrame, PastedOrDroppedLineBreaksBecomeBlanks)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    const std::pair<QString, QString> cases[] = {{"Zeile1\r\nZeile2", "Zeile1 Zeile2"}, {"a\rb\nc", "a b c"}, {"a\n\rb\r\n", "a  b "}};
    QLineEdit* fields[] = {f.NameEd, f.HaareEd, f.AugenEd, f.MakeEd, f.TitleEd, f.emailEd, f.ProxyEdit,
                           f.Proxy2Ed, f.AlterEd, f.VonAge, f.UmKreis};
    for (QLineEdit* field : fields) {
        f.PageControl1->setCurrentWidget(f.TabSheet1->isAncestorOf(field) ? f.TabSheet1 : f.TabSheet2);
        for (const auto& [text, kept] : cases) {
            SCOPED_TRACE(field->objectName().toStdString() + text.toStdString());
            field->clear();
            field->setFocus();
            QApplication::clipboard()->setText(text);
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(field->text(), kept);
            field->clear();
            QMimeData data;
            data.setText(text);
            const QPoint at = field->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(field, &enter);
            QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(field, &drop);
            EXPECT_EQ(field->text(), kept);
        }
    }
}

} // namespace
} // namespace zuneigo::test
