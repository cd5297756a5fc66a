#include "ui/widgets/RxSpinEdit.h"

#include "ui/widgets/Beep.h"
#include "ui/widgets/SingleLineValidator.h"
#include "ui/widgets/SpinButton.h"
#include "ui/widgets/SpinValueText.h"

#include <QDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace zuneigo {

TRxSpinEdit::TRxSpinEdit(QWidget* parent) : QLineEdit(parent),
                                            button_(new TSpinButton(this))
{
    setText("0");
    setValidator(new TSingleLineValidator(this));
    button_->OnUp = [this] { UpClick(); };
    button_->OnDown = [this] { DownClick(); };
    LayoutButton();
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!changing_ && OnChange)
            OnChange(this);
    });
}

TRxSpinEdit::~TRxSpinEdit() = default;

void TRxSpinEdit::SetValueType(TValueType v) { valueType_ = v; }

void TRxSpinEdit::SetButtonKind(TSpinButtonKind v)
{
    buttonKind_ = v;
    button_->SetKind(v);
    LayoutButton();
}

long double TRxSpinEdit::GetValue() const
{
    if (const auto value = ParseSpinText(text(), valueType_, locale()))
        return *value;
    return valueType_ == vtFloat ? minValue_ : std::trunc(minValue_);
}

long double TRxSpinEdit::CheckValue(long double value) const
{
    if (minValue_ == maxValue_)
        return value;
    if (value < minValue_)
        return minValue_;
    if (value <= maxValue_)
        return value;
    return maxValue_;
}

void TRxSpinEdit::SetValue(long double value)
{
    setText(FormatSpinValue(CheckValue(value), valueType_, decimal_, locale()));
}

void TRxSpinEdit::UpClick() { Step(true); }
void TRxSpinEdit::DownClick() { Step(false); }

void TRxSpinEdit::Step(bool up)
{
    if (isReadOnly()) {
        Beep();
        return;
    }
    const QString before = text();
    // The step's own text change is reported once below, and only when the text changed.
    changing_ = true;
    try {
        SetValue(GetValue() + (up ? increment_ : -increment_));
    } catch (...) {
        changing_ = false;
        throw;
    }
    changing_ = false;
    if (text().compare(before, Qt::CaseInsensitive) != 0) {
        setModified(true);
        if (OnChange)
            OnChange(this);
    }
    const auto& clicked = up ? OnTopClick : OnBottomClick;
    if (clicked)
        clicked(this);
}

bool TRxSpinEdit::EditsText(const QKeyEvent* event) const
{
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    for (const QKeySequence::StandardKey k : {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo,
                                              QKeySequence::Redo, QKeySequence::DeleteStartOfWord,
                                              QKeySequence::DeleteEndOfWord, QKeySequence::DeleteEndOfLine,
                                              QKeySequence::DeleteCompleteLine}) {
        if (event->matches(k))
            return true;
    }
    for (const QChar c : event->text()) {
        if (c.unicode() >= 32 && c.unicode() != 127)
            return true;
    }
    return false;
}

void TRxSpinEdit::PassDialogKey(QKeyEvent* event)
{
    const bool enter = event->key() != Qt::Key_Escape;
    if (enter)
        QLineEdit::keyPressEvent(event); // returnPressed and editingFinished
    QWidget* top = window();
    if (enter && top && !qobject_cast<QDialog*>(top)) {
        // A plain window has no dialog handling of its own: its default button takes Enter.
        for (QPushButton* button : top->findChildren<QPushButton*>()) {
            if (button->isDefault() && button->isVisibleTo(top)) {
                if (button->isEnabled())
                    button->click();
                event->accept();
                return;
            }
        }
    }
    // Left unhandled here, the key travels up to the window (a dialog clicks its default
    // button on Enter and closes on Escape).
    event->ignore();
}

void TRxSpinEdit::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (arrowKeys_ && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        if (key == Qt::Key_Up)
            UpClick();
        else
            DownClick();
        event->accept();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        PassDialogKey(event);
        return;
    }
    if (!editorEnabled_) {
        if (EditsText(event)) {
            Beep();
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    }
    // Shortcuts (paste, copy, select all) are no typing, whatever text the key carries.
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QString typed = event->text();
    bool printable = false;
    for (const QChar c : typed)
        printable = printable || (c.unicode() >= 32 && c.unicode() != 127);
    if (!printable) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (typed.size() == 1) {
        if (SpinCharAllowed(typed.front(), valueType_, text(), locale()))
            QLineEdit::keyPressEvent(event);
        else
            Beep();
        event->accept();
        return;
    }
    // Several characters at once (an input method): each is tested as if typed alone.
    for (const QChar c : typed) {
        if (c.unicode() < 32 || c.unicode() == 127)
            continue;
        if (!SpinCharAllowed(c, valueType_, text(), locale()))
            Beep();
        else if (!isReadOnly())
            insert(QString(c));
    }
    event->accept();
}

void TRxSpinEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Whatever took the focus (a message box, another window) also takes the release of a
    // held spin button: the hold ends here.
    button_->Release();
    // A context menu opening is no leaving of the field, and a read-only field keeps the
    // text it was given, in bounds or not.
    if (event->reason() == Qt::PopupFocusReason || isReadOnly())
        return;
    const long double value = GetValue();
    if (CheckValue(value) != value)
        SetValue(value);
}

void TRxSpinEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    LayoutButton();
}

void TRxSpinEdit::LayoutButton()
{
    const int h = height();
    const int w = std::min(button_->WidthFor(h), width());
    button_->setGeometry(width() - w, 0, w, h);
    setTextMargins(0, 0, w, 0);
}

} // namespace zuneigo
