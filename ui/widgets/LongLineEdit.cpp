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
        if (!setting_)
            full_ = text;
    });
}

void TLongLineEdit::SetFullText(const QString& text)
{
    full_ = text;
    setting_ = true;
    if (text.size() > ShownLength)
        setText(text.left(ShownLength) + QChar(0x2026));
    else
        setText(text);
    setting_ = false;
    setCursorPosition(0);
}

QString TLongLineEdit::SelectedFullText() const
{
    if (!hasSelectedText())
        return {};
    const qsizetype start = selectionStart();
    const qsizetype end = start + selectedText().size();
    return end > ShownLength ? full_.mid(start) : full_.mid(start, end - start);
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
