#include "ui/widgets/LongLineEdit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

namespace zuneigo {

TLongLineEdit::TLongLineEdit(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    // Text set the ordinary way is short enough to be its own whole text.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (setting_)
            return;
        full_ = text;
        make_ = nullptr;
        length_ = text.size();
    });
}

void TLongLineEdit::SetFullText(const QString& text)
{
    full_ = text;
    make_ = nullptr;
    length_ = text.size();
    Show(text.left(ShownLength));
}

void TLongLineEdit::SetLongText(const QString& start, qsizetype length, std::function<QString()> whole)
{
    full_.clear();
    make_ = std::move(whole);
    length_ = length;
    Show(start.left(ShownLength));
}

void TLongLineEdit::Show(const QString& start)
{
    setting_ = true;
    setText(length_ > start.size() ? start + QChar(0x2026) : start);
    setting_ = false;
    setCursorPosition(0);
}

QString TLongLineEdit::FullText() const
{
    return make_ ? make_() : full_;
}

QString TLongLineEdit::SelectedFullText() const
{
    if (!hasSelectedText())
        return {};
    const qsizetype start = selectionStart();
    const qsizetype end = start + selectedText().size();
    return end > ShownLength ? FullText().mid(start) : FullText().mid(start, end - start);
}

void TLongLineEdit::CopyFull() const
{
    if (hasSelectedText())
        QGuiApplication::clipboard()->setText(SelectedFullText());
}

void TLongLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        CopyFull();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TLongLineEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QPointer<QMenu> menu = createStandardContextMenu();
    if (QAction* copy = menu->findChild<QAction*>(QStringLiteral("edit-copy"))) {
        QObject::disconnect(copy, &QAction::triggered, this, nullptr);
        connect(copy, &QAction::triggered, this, [this] { CopyFull(); });
    }
    menu->exec(event->globalPos());
    delete menu;
}

} // namespace zuneigo
