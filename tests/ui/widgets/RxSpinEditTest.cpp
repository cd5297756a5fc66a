// The numeric spin field: typing filter, reading and writing the value, steps, leaving
// the field, the spin button and its repeat, and the dialog keys.
// Mouse events go through the window, as the desktop delivers them (the button state).
#define QTEST_QPA_MOUSE_HANDLING
#include "ui/widgets/Beep.h"
#include "ui/widgets/RxSpinEdit.h"
#include "ui/widgets/SpinButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace zuneigo::test {
namespace {

struct SpinEdit : ::testing::Test {
    SpinEdit()
    {
        static int argc = 1;
        static char name[] = "RxSpinEditTest";
        static char* argv[] = {name, nullptr};
        // Kept to the end of the process: destroying it among the other statics crashes.
        static QApplication* app = new QApplication(argc, argv);
        (void)app;
        SetBeepHandler([this] { ++beeps; });
    }
    ~SpinEdit() override { SetBeepHandler({}); }

    std::unique_ptr<TRxSpinEdit> Field(double min, double max, const QString& text, TValueType type = vtInteger)
    {
        auto field = std::make_unique<TRxSpinEdit>();
        field->resize(121, 21);
        field->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(field.get()));
        field->SetMinValue(min);
        field->SetMaxValue(max);
        field->SetValueType(type);
        field->setText(text);
        field->OnChange = [this](TRxSpinEdit*) { ++changes; };
        changes = 0;
        return field;
    }
    static void Key(QWidget* to, int key, const QString& text = {})
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(to, &press);
    }
    static void Type(QWidget* to, const QString& text)
    {
        for (QChar c : text)
            Key(to, c == '\b' ? Qt::Key_Backspace : Qt::Key_A, QString(c));
    }
    static void Mouse(TSpinButton* button, QEvent::Type type, QPoint at)
    {
        if (type == QEvent::MouseButtonPress)
            QTest::mousePress(button, Qt::LeftButton, {}, at);
        else if (type == QEvent::MouseButtonRelease)
            QTest::mouseRelease(button, Qt::LeftButton, {}, at);
        else
            QTest::mouseMove(button, at);
    }

    int beeps = 0;
    int changes = 0;
};

TEST_F(SpinEdit, StepsClampAndReportOnlyRealChanges)
{
    struct Row {
        double min, max;
        QString text;
        int key;
        QString after;
        int changes;
    };
    for (const Row& r : {Row{1, 200, "200", Qt::Key_Up, "200", 0}, Row{1, 200, "200", Qt::Key_Down, "199", 1},
                         Row{10, 1000, "abc", Qt::Key_Up, "11", 1}, Row{1, 200, "1", Qt::Key_Down, "1", 0},
                         Row{0, 0, "-7", Qt::Key_Down, "-8", 1}}) {
        SCOPED_TRACE(r.text.toStdString());
        int bottom = 0;
        auto f = Field(r.min, r.max, r.text);
        f->OnBottomClick = [&](TRxSpinEdit*) { ++bottom; };
        Key(f.get(), r.key);
        EXPECT_EQ(f->text(), r.after);
        EXPECT_EQ(changes, r.changes);
        EXPECT_EQ(bottom, r.key == Qt::Key_Down ? 1 : 0);
        EXPECT_EQ(f->isModified(), r.changes > 0);
    }
}

TEST_F(SpinEdit, TypingFilterRefusesWithOneBeepEach)
{
    struct Row {
        TValueType type;
        QLocale locale;
        bool editor;
        QString start, typed, after;
        int beeps;
    };
    const QLocale c = QLocale::c(), de(QLocale::German);
    for (const Row& r : {Row{vtInteger, c, true, "7", "abc", "7", 3}, Row{vtInteger, c, true, "", "1-2+", "1-2+", 0},
                         Row{vtFloat, c, true, "", "1.5.e3E", "1.5e3", 2}, Row{vtFloat, de, true, "", "1.,5", "1,5", 1},
                         Row{vtHex, c, true, "", "1aFg", "1aF", 1}, Row{vtInteger, c, false, "12", "3\b", "12", 2}}) {
        SCOPED_TRACE((r.start + "+" + r.typed).toStdString());
        beeps = 0;
        auto f = Field(0, 0, r.start, r.type);
        f->setLocale(r.locale);
        f->SetEditorEnabled(r.editor);
        Type(f.get(), r.typed);
        EXPECT_EQ(f->text(), r.after);
        EXPECT_EQ(beeps, r.beeps);
        EXPECT_EQ(changes, r.after.size() - r.start.size());
    }
}

TEST_F(SpinEdit, ReadsAndWritesByValueType)
{
    struct Read {
        TValueType type;
        QLocale locale;
        double min;
        QString text;
        long double value;
    };
    const QLocale c = QLocale::c(), de(QLocale::German);
    for (const Read& r : {Read{vtInteger, c, 0, "5000", 5000}, Read{vtInteger, c, 10, "", 10}, Read{vtInteger, c, 2.7, "-", 2},
                          Read{vtInteger, c, 0, " -12", -12}, Read{vtHex, c, 0, "1F", 31}, Read{vtHex, c, 0, "-1f", -31},
                          Read{vtFloat, de, 0, "1,5", 1.5}, Read{vtFloat, de, 2.5, "1.000", 2.5}, Read{vtFloat, c, 0, "2e3", 2000}}) {
        SCOPED_TRACE(r.text.toStdString());
        auto f = Field(r.min, 10000, r.text, r.type);
        f->setLocale(r.locale);
        EXPECT_EQ(f->GetValue(), r.value);
        EXPECT_EQ(f->text(), r.text);
    }
    struct Write {
        TValueType type;
        QLocale locale;
        int decimals;
        long double value;
        QString text;
    };
    for (const Write& w : {Write{vtInteger, c, 0, 2.5, "2"}, Write{vtInteger, c, 0, 3.5, "4"}, Write{vtInteger, c, 0, -2.5, "-2"},
                           Write{vtInteger, c, 0, -0.4, "0"}, Write{vtHex, c, 0, 255, "FF"}, Write{vtHex, c, 0, -31, "-1F"},
                           Write{vtFloat, c, 2, 1.005, "1.01"}, Write{vtFloat, de, 2, 1.5, "1,50"}, Write{vtFloat, c, 2, -0.001, "0.00"},
                           Write{vtFloat, c, 9, 123456789.123456789L, "123456789.123457000"}, Write{vtFloat, c, 0, 99.5, "100"}}) {
        SCOPED_TRACE(w.text.toStdString());
        auto f = Field(0, 0, "", w.type);
        f->setLocale(w.locale);
        f->SetDecimal(w.decimals);
        f->SetValue(w.value);
        EXPECT_EQ(f->text(), w.text);
    }
}

TEST_F(SpinEdit, LeavingClampsOnlyNumbersOutOfBounds)
{
    struct Row {
        double min, max;
        QString text, after;
        int changes;
        bool readOnly = false;
    };
    for (const Row& r : {Row{0, 1000, "5000", "1000", 1}, Row{0, 1000, "-5", "0", 1}, Row{10, 1000, "", "", 0},
                         Row{0, 1000, "abc", "abc", 0}, Row{1, 200, "250", "250", 0, true}}) {
        SCOPED_TRACE(r.text.toStdString());
        auto f = Field(r.min, r.max, r.text);
        f->SetReadOnly(r.readOnly);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(f.get(), &out);
        EXPECT_EQ(f->text(), r.after);
        EXPECT_EQ(changes, r.changes);
    }
}

TEST_F(SpinEdit, ReadOnlyFieldBeepsAndKeepsItsText)
{
    auto f = Field(1, 200, "20");
    f->SetReadOnly(true);
    Key(f.get(), Qt::Key_Up);
    Key(f.get(), Qt::Key_Down);
    Mouse(f->findChild<TSpinButton*>(), QEvent::MouseButtonPress, {2, 2});
    Mouse(f->findChild<TSpinButton*>(), QEvent::MouseButtonRelease, {2, 2});
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(f->text(), "20");
    EXPECT_EQ(changes, 0);
}

TEST_F(SpinEdit, DiagonalSplitsTheSquareButton)
{
    auto f = Field(0, 0, "0");
    auto* button = f->findChild<TSpinButton*>();
    ASSERT_EQ(button->geometry(), QRect(100, 0, 21, 21));
    using R = TSpinRegion;
    struct Row {
        TSpinButtonKind kind;
        QPoint at;
        R region;
    };
    for (const Row& r : {Row{bkDiagonal, {0, 0}, R::Up}, Row{bkDiagonal, {20, 20}, R::Down}, Row{bkDiagonal, {10, 10}, R::Up},
                         Row{bkDiagonal, {11, 11}, R::Down}, Row{bkDiagonal, {1, 20}, R::Up}, Row{bkDiagonal, {2, 20}, R::Down},
                         Row{bkDiagonal, {20, 0}, R::Up}, Row{bkDiagonal, {21, 5}, R::None}, Row{bkStandard, {2, 9}, R::Up},
                         Row{bkStandard, {2, 10}, R::Down}}) {
        f->SetButtonKind(r.kind);
        EXPECT_EQ(button->RegionAt(r.at), r.region) << r.at.x() << "," << r.at.y();
    }
}

TEST_F(SpinEdit, HoldingRepeatsAfter400ThenEvery100Ms)
{
    auto f = Field(1, 200, "3");
    auto* button = f->findChild<TSpinButton*>();
    const auto& timer = button->RepeatTimer();
    Mouse(button, QEvent::MouseButtonPress, {18, 18});
    EXPECT_EQ(f->text(), "2");
    EXPECT_TRUE(timer.isActive() && timer.interval() == 400);
    button->RepeatTick();
    EXPECT_EQ(f->text(), "1");
    EXPECT_EQ(timer.interval(), 100);
    button->RepeatTick();
    EXPECT_EQ(changes, 2); // the bound stops the changes
    // Off the button, or over the other triangle, the look is released and ticks do nothing.
    f->setText("50");
    for (QPoint at : {QPoint(30, 5), QPoint(2, 2)}) {
        Mouse(button, QEvent::MouseMove, at);
        EXPECT_EQ(button->Pressed(), TSpinRegion::None);
        button->RepeatTick();
        EXPECT_EQ(f->text(), "50");
    }
    Mouse(button, QEvent::MouseMove, {18, 18});
    button->RepeatTick();
    EXPECT_EQ(f->text(), "49");
    Mouse(button, QEvent::MouseButtonRelease, {18, 18});
    EXPECT_TRUE(!timer.isActive() && button->Pressed() == TSpinRegion::None);
}

TEST_F(SpinEdit, AHoldEndsWhereverItsReleaseWent)
{
    enum Lost { ReleasedOverAnotherWindow,
                BoxTakesTheFocus,
                FocusMovesOn };
    for (const Lost lost : {ReleasedOverAnotherWindow, BoxTakesTheFocus, FocusMovesOn}) {
        SCOPED_TRACE(int(lost));
        QWidget window;
        auto* f = new TRxSpinEdit(&window);
        f->setGeometry(0, 0, 121, 21);
        f->SetMinValue(1);
        f->SetMaxValue(200);
        f->setText("50");
        auto* other = new QLineEdit(&window);
        other->setGeometry(0, 30, 121, 21);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        auto* button = f->findChild<TSpinButton*>();
        Mouse(button, QEvent::MouseButtonPress, {18, 18});
        ASSERT_EQ(f->text(), "49");
        QWidget elsewhere;
        QDialog box(&window);
        switch (lost) {
        case ReleasedOverAnotherWindow:
            elsewhere.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&elsewhere));
            QTest::mouseRelease(&elsewhere, Qt::LeftButton, {}, {5, 5});
            break;
        case BoxTakesTheFocus:
            box.setModal(true);
            box.show();
            QApplication::setActiveWindow(&box);
            ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
            break;
        case FocusMovesOn: other->setFocus(); break;
        }
        button->RepeatTick();
        button->RepeatTick();
        EXPECT_EQ(f->text(), "49");
        EXPECT_FALSE(button->RepeatTimer().isActive());
        EXPECT_EQ(button->Pressed(), TSpinRegion::None);
        if (lost != ReleasedOverAnotherWindow)
            QTest::mouseRelease(&window, Qt::LeftButton, {}, {5, 60});
    }
}

TEST_F(SpinEdit, EnterAndEscapeReachTheWindow)
{
    QDialog dialog;
    auto* ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    auto* field = new TRxSpinEdit(&dialog);
    int clicks = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++clicks; });
    dialog.show();
    Key(field, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    Key(field, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());

    QWidget window;
    auto* search = new QPushButton("Suchen", &window);
    search->setDefault(true);
    QObject::connect(search, &QPushButton::clicked, [&] { ++clicks; });
    window.show();
    Key(new TRxSpinEdit(&window), Qt::Key_Enter);
    EXPECT_EQ(clicks, 2);
}

} // namespace
} // namespace zuneigo::test
