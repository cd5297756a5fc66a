#pragma once
// Every message box of the windows goes through ShowMessage: application-modal, with the
// texts as given. Tests install a hook that records the box and answers it, so nothing
// blocks.
#include <QMessageBox>
#include <QString>

#include <functional>

namespace zuneigo {

struct ShownMessage {
    QWidget* Parent = nullptr;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QString Title;
    QString Text;
    QMessageBox::StandardButtons Buttons;
};

// Shows the box and returns the button chosen (a QMessageBox::StandardButton). An empty
// title shows the application's name, as the desktop does for untitled boxes.
int ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// While set, ShowMessage calls the hook instead of showing a box and returns its answer.
using MessageHook = std::function<int(const ShownMessage&)>;
void SetMessageHook(MessageHook hook);

} // namespace zuneigo
