#include "app/gui/MessageBox.h"

#include <QApplication>

namespace zuneigo {

namespace {
MessageHook& Hook()
{
    static MessageHook hook;
    return hook;
}
} // namespace

void SetMessageHook(MessageHook hook)
{
    Hook() = std::move(hook);
}

int ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                QMessageBox::StandardButtons buttons)
{
    ShownMessage shown{parent, icon, title, text, buttons};
    if (Hook()) return Hook()(shown);
    QMessageBox box(icon, title.isEmpty() ? QApplication::applicationDisplayName() : title, text, buttons, parent);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec();
}

} // namespace zuneigo
