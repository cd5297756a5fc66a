#pragma once
// The main window as the client tests drive it: one QApplication joined to the platform's
// loop for the whole test binary, a detail window, and every message box recorded and
// answered with OK instead of shown.
#include "app/gui/DetailForm.h"
#include "app/gui/MainForm.h"
#include "app/gui/MessageBox.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zuneigo::test {

class ClientWindow {
public:
    ClientWindow();
    ~ClientWindow();
    ClientWindow(const ClientWindow&) = delete;
    ClientWindow& operator=(const ClientWindow&) = delete;

    TMainForm& Form() { return *form_; }
    TDetailForm& Detail() { return *detail_; }

    // Each box as "TITLE|TEXT" in UTF-8, with the icon as "i " (information) or "e " (error)
    // in front; then forgotten.
    std::vector<std::string> TakeMessages();

    // The cells of the result list, row by row, in UTF-8.
    std::vector<std::vector<std::string>> Rows();
    // Selects a row of the result list as a click does.
    void SelectRow(int row);

private:
    std::unique_ptr<TDetailForm> detail_;
    std::unique_ptr<TMainForm> form_;
    std::vector<std::string> messages_;
};

std::string Utf8(const QString& text);

// Runs f from the event loop every 10 ms (while a handler waits) until it returns true or
// the object is gone.
class WhileWaiting {
public:
    explicit WhileWaiting(std::function<bool()> f);
    ~WhileWaiting();
    WhileWaiting(const WhileWaiting&) = delete;
    WhileWaiting& operator=(const WhileWaiting&) = delete;

private:
    std::unique_ptr<QTimer> timer_;
};

} // namespace zuneigo::test
