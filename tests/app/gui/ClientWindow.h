#pragma once
// The main window as the client tests drive it: one QApplication joined to the platform's
// loop per test binary, a detail window, and every message box recorded as
// "ICON TITLE|TEXT" (i information, e error) and answered with OK instead of shown.
#include "app/gui/DetailForm.h"
#include "app/gui/MainForm.h"
#include "app/gui/MessageBox.h"
#include "app/gui/QtBridge.h"

#include <QApplication>
#include <QTimer>
#include <QTreeView>

#include <memory>
#include <string>
#include <vector>

namespace zuneigo::test {

inline std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

class ClientWindow {
public:
    ClientWindow()
    {
        SetMessageHook([this](const ShownMessage& m) {
            messages_.push_back((m.Icon == QMessageBox::Information ? "i " : "e ") + Utf8(m.Title) + "|" + Utf8(m.Text));
            return int(QMessageBox::Ok);
        });
        form_->DetailForm = detail_.get();
    }
    ~ClientWindow() { SetMessageHook(nullptr); }

    TMainForm& Form() { return *form_; }
    TDetailForm& Detail() { return *detail_; }
    std::vector<std::string> TakeMessages() { return std::exchange(messages_, {}); }

    // The result list's cells, row by row.
    std::vector<std::vector<std::string>> Rows()
    {
        std::vector<std::vector<std::string>> rows;
        const QAbstractItemModel* model = form_->ListView1->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            rows.emplace_back();
            for (int c = 0; c < model->columnCount(); ++c)
                rows.back().push_back(Utf8(model->index(r, c).data().toString()));
        }
        return rows;
    }

private:
    static bool Start()
    {
        static int argc = 1;
        static char name[] = "client-tests";
        static char* argv[] = {name, nullptr};
        static QApplication* app = new QApplication(argc, argv);
        static TQtBridge* bridge = new TQtBridge;
        return app && bridge;
    }

    bool started_ = Start(); // before the windows
    std::unique_ptr<TDetailForm> detail_ = std::make_unique<TDetailForm>();
    std::unique_ptr<TMainForm> form_ = std::make_unique<TMainForm>();
    std::vector<std::string> messages_;
};

// Runs f every 10 ms from the event loop (so also while a handler waits) until f returns
// true or the object is gone.
class WhileWaiting {
public:
    explicit WhileWaiting(std::function<bool()> f)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this, f] {
            if (f())
                timer_.stop();
        });
        timer_.start(10);
    }

private:
    QTimer timer_;
};

} // namespace zuneigo::test
