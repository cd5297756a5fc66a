// The bottom bar: the picture buttons' press, move, release and click through real mouse
// events, the about box made fresh for every click, and the homepage button.
// Mouse events go through the window, as the desktop delivers them (grabs, children).
#define QTEST_QPA_MOUSE_HANDLING
#include "ClientWindow.h"

#include "app/core/ServiceSettings.h"
#include "app/gui/AboutBox.h"
#include "app/gui/PictureBox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace zuneigo::test {
namespace {

enum Step { Press,
            MoveOff,
            MoveBack,
            Release };

// One picture button (exit or about) of a fresh window, counting the close queries.
struct Bar {
    ClientWindow w;
    TMainForm& f = w.Form();
    int queries = 0;
    TPictureBox* normal;
    TPictureBox* pressed;
    explicit Bar(bool exit) : normal(exit ? f.EndeBtn : f.ueberbtn),
                              pressed(exit ? f.EndeBtnDown : f.ueberBtn2)
    {
        SetMessageHook([this](const ShownMessage&) {
            ++queries;
            return int(QMessageBox::Cancel);
        });
    }
};

TEST(BottomBar, PictureButtonSequences)
{
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<bool> pressedShown; // after each step
        int closeQueries;
    } cases[] = {
        {"click", {Press, Release}, {true, false}, 1},
        {"off and released there", {Press, MoveOff, Release}, {true, false, false}, 0},
        {"off and back", {Press, MoveOff, MoveBack, Release}, {true, false, true, false}, 1},
        {"moves without a press", {MoveOff, MoveBack}, {false, false}, 0}};
    for (const auto& c : cases) {
        for (bool exit : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (exit ? " / exit" : " / about"));
            Bar b(exit);
            TMainForm& f = b.f;
            TPictureBox *normal = b.normal, *pressed = b.pressed;
            int aboutBoxes = 0;
            // The about box is modal: close it as soon as it shows.
            QTimer closer;
            QObject::connect(&closer, &QTimer::timeout, [&] {
                if (auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget())) {
                    ++aboutBoxes;
                    box->reject();
                }
            });
            closer.start(5);
            f.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
            const QPoint inside(50, 15), outside(50, -20);
            for (std::size_t i = 0; i < c.steps.size(); ++i) {
                switch (c.steps[i]) {
                case Press: QTest::mousePress(normal, Qt::LeftButton, {}, inside); break;
                case MoveOff: QTest::mouseMove(normal, outside); break;
                case MoveBack: QTest::mouseMove(normal, inside); break;
                case Release: {
                    // Released where the last move left the pointer.
                    const bool off = i > 0 && c.steps[i - 1] == MoveOff;
                    QTest::mouseRelease(normal, Qt::LeftButton, {}, off ? outside : inside);
                    QTest::qWait(30);
                    break;
                }
                }
                EXPECT_EQ(pressed->isVisible(), c.pressedShown[i]) << "step " << i;
                EXPECT_EQ(normal->isVisible(), !c.pressedShown[i]) << "step " << i;
            }
            EXPECT_FALSE(exit ? f.EndeBtnHeld : f.ueberbtnHeld);
            EXPECT_EQ(exit ? b.queries : aboutBoxes, c.closeQueries);
            EXPECT_TRUE(f.isVisible());
        }
    }
}

TEST(BottomBar, AHeldPictureLetsGoWhenItsReleaseIsLost)
{
    enum Lost { BoxOpens,
                WindowSwitch,
                MoveWithoutButton };
    for (const Lost lost : {BoxOpens, WindowSwitch, MoveWithoutButton}) {
        for (bool exit : {true, false}) {
            SCOPED_TRACE(std::to_string(int(lost)) + (exit ? " / exit" : " / about"));
            Bar b(exit);
            TMainForm& f = b.f;
            TPictureBox *normal = b.normal, *pressed = b.pressed;
            f.show();
            QApplication::setActiveWindow(&f);
            ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
            QTest::mousePress(normal, Qt::LeftButton, {}, {50, 15});
            ASSERT_TRUE(pressed->isVisible());
            QDialog box(&f);
            QWidget other;
            QWidget* releasedOn = &f;
            switch (lost) {
            case BoxOpens:
                box.setModal(true);
                box.show();
                QApplication::setActiveWindow(&box);
                ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
                releasedOn = &box;
                break;
            case WindowSwitch:
                other.show();
                QApplication::setActiveWindow(&other);
                ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
                releasedOn = &other;
                break;
            case MoveWithoutButton: {
                QMouseEvent move(QEvent::MouseMove, QPointF(50, 15), normal->mapToGlobal(QPointF(50, 15)), Qt::NoButton,
                                 Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(pressed, &move);
                break;
            }
            }
            // The release goes elsewhere: the picture must not wait for it.
            QApplication::processEvents();
            EXPECT_TRUE(normal->isVisible());
            EXPECT_FALSE(pressed->isVisible());
            EXPECT_FALSE(exit ? f.EndeBtnHeld : f.ueberbtnHeld);
            QTest::mouseRelease(releasedOn, Qt::LeftButton, {}, {5, 5});
            box.hide();
            QApplication::processEvents();
            EXPECT_TRUE(normal->isVisible() && !pressed->isVisible());
            EXPECT_EQ(b.queries, 0);
            EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        }
    }
}

TEST(BottomBar, EveryAboutClickBuildsAFreshBoxThatIsGoneAfterwards)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    int shown = 0, destroyed = 0;
    QStringList versions;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
        if (!box) return;
        ++shown;
        EXPECT_EQ(box->parent(), &f);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Info"));
        versions << box->Version->text();
        QObject::connect(box, &QObject::destroyed, [&] { ++destroyed; });
        box->OKButton->click();
    });
    closer.start(5);
    f.ueberbtnClick();
    f.ueberBtn2Click();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(versions, QStringList({"Version 1.0.0.0", "Version 1.0.0.0"}));
    EXPECT_TRUE(f.findChildren<TAboutBox*>().isEmpty());
}

TEST(BottomBar, HomepageButtonOpensTheServiceRootOncePerClick)
{
    ClientWindow w;
    TMainForm& f = w.Form();
    QStringList opened;
    f.OpenUrl = [&](const QString& url) { opened << url; };
    f.wwwBtn->click();
    f.wwwBtn->click();
    const QString home = QString::fromStdString("http://" + ServiceHost() + "/");
    EXPECT_EQ(opened, QStringList({home, home}));
    EXPECT_EQ(f.wwwBtn->text(), QString::fromStdString(ServiceHost()));
}

} // namespace
} // namespace zuneigo::test
