#include "app/gui/FormHelpers.h"

#include "app/core/Cp1252.h"
#include "ui/widgets/RxSpinEdit.h"
#include "ui/widgets/SingleLineValidator.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>

#include <limits>

namespace zuneigo {

QFont WindowFont()
{
    // Metrics close to the classic 8-point dialog face, so every caption fits its place.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLabel* MakeFieldCaption(QWidget* parent, const QString& text, int x, int rowY)
{
    return MakeLabel(parent, text, x, rowY + CaptionDrop);
}

namespace {

// Tabbing into a pair stops on its checked button, as on the desktop the program comes
// from; the keyboard reaches the other one with the arrow keys.
class PairFocus : public QObject {
public:
    PairFocus(QRadioButton* a, QRadioButton* b, QObject* parent) : QObject(parent),
                                                                   a_(a),
                                                                   b_(b)
    {
        a->installEventFilter(this);
        b->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) return ArrowKey(watched, static_cast<QKeyEvent*>(event));
        if (event->type() != QEvent::FocusIn) return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason) return false;
        QRadioButton* self = watched == a_ ? a_ : b_;
        QRadioButton* other = self == a_ ? b_ : a_;
        if (!self->isChecked() && other->isChecked()) other->setFocus(reason);
        return false;
    }

private:
    // Up and Down switch the pair as Left and Right do; with two buttons, every direction
    // leads to the other one.
    bool ArrowKey(QObject* watched, QKeyEvent* event)
    {
        const int key = event->key();
        if (key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_Left && key != Qt::Key_Right) return false;
        if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        QRadioButton* other = watched == a_ ? b_ : a_;
        if (!other->isEnabled()) return false;
        other->setFocus(Qt::OtherFocusReason);
        other->click();
        return true;
    }

    QRadioButton* a_;
    QRadioButton* b_;
};

// The style of the tab bar, with the tab under the pointer drawn in a lighter face.
class HotTrackStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (element != CE_TabBarTabShape || !(option->state & State_MouseOver) || (option->state & State_Selected) ||
            !(option->state & State_Enabled))
            return;
        QColor light = option->palette.color(QPalette::Highlight);
        light.setAlpha(48);
        painter->fillRect(option->rect.adjusted(2, 2, -2, -1), light);
    }
};

} // namespace

QWidget* MakeRadioPair(QWidget* parent, int x, int y, int width, const QString& first, const QString& second,
                       bool firstChecked, QRadioButton*& firstButton, QRadioButton*& secondButton)
{
    // Own strip per pair: auto-exclusive buttons exclude their siblings only.
    auto* strip = new QWidget(parent);
    strip->setGeometry(x, y, width, 17);
    firstButton = new QRadioButton(first, strip);
    firstButton->setGeometry(0, 0, 113, 17);
    secondButton = new QRadioButton(second, strip);
    secondButton->setGeometry(120, 0, 113, 17);
    (firstChecked ? firstButton : secondButton)->setChecked(true);
    new PairFocus(firstButton, secondButton, strip);
    return strip;
}

TRxSpinEdit* MakeSpin(QWidget* parent, int x, int y, int width, int minValue, int maxValue, int value)
{
    auto* spin = new TRxSpinEdit(parent);
    spin->setGeometry(x, y, width, 21);
    spin->SetValueType(vtInteger);
    spin->SetMinValue(minValue);
    spin->SetMaxValue(maxValue);
    spin->SetValue(value);
    return spin;
}

QLineEdit* MakeEdit(QWidget* parent, int x, int y, int width, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(x, y, width, 21);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setValidator(new TSingleLineValidator(edit));
    return edit;
}

void HotTrackTabs(QTabWidget* tabs)
{
    QTabBar* bar = tabs->tabBar();
    bar->setAttribute(Qt::WA_Hover);
    auto* style = new HotTrackStyle;
    style->setParent(tabs); // outlives the bar: the tab widget deletes its children in order
    bar->setStyle(style);
}

void CenterOnScreen(QWidget* window)
{
    if (QScreen* screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

QString Cp1252Text(std::string_view cp1252)
{
    const std::u16string text = Cp1252ToUtf16(cp1252);
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

} // namespace zuneigo
