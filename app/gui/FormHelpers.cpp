#include "app/gui/FormHelpers.h"

#include "ui/widgets/RxSpinEdit.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>

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
        if (event->type() != QEvent::FocusIn) return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason) return false;
        QRadioButton* self = watched == a_ ? a_ : b_;
        QRadioButton* other = self == a_ ? b_ : a_;
        if (!self->isChecked() && other->isChecked()) other->setFocus(reason);
        return false;
    }

private:
    QRadioButton* a_;
    QRadioButton* b_;
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
    return edit;
}

void CenterOnScreen(QWidget* window)
{
    if (QScreen* screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace zuneigo
