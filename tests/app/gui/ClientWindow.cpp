#include "ClientWindow.h"

#include "app/gui/QtBridge.h"
#include "app/gui/ResultListModel.h"

#include <QApplication>
#include <QTimer>
#include <QTreeView>

namespace zuneigo::test {

namespace {

void StartApplication()
{
    static int argc = 1;
    static char name[] = "client-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    static TQtBridge* bridge = new TQtBridge;
    (void)app;
    (void)bridge;
}

} // namespace

std::string Utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

ClientWindow::ClientWindow()
{
    StartApplication();
    SetMessageHook([this](const ShownMessage& m) {
        const char* icon = m.Icon == QMessageBox::Information ? "i " : m.Icon == QMessageBox::Critical ? "e " : "? ";
        messages_.push_back(icon + Utf8(m.Title) + "|" + Utf8(m.Text));
        return int(QMessageBox::Ok);
    });
    detail_ = std::make_unique<TDetailForm>();
    form_ = std::make_unique<TMainForm>();
    form_->DetailForm = detail_.get();
}

ClientWindow::~ClientWindow()
{
    SetMessageHook(nullptr);
}

std::vector<std::string> ClientWindow::TakeMessages()
{
    return std::exchange(messages_, {});
}

std::vector<std::vector<std::string>> ClientWindow::Rows()
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

void ClientWindow::SelectRow(int row)
{
    form_->ListView1->selectionModel()->select(form_->ListView1->model()->index(row, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

WhileWaiting::WhileWaiting(std::function<bool()> f) : timer_(std::make_unique<QTimer>())
{
    timer_->setInterval(10);
    QTimer* timer = timer_.get();
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (f())
            timer->stop();
    });
    timer_->start();
}

WhileWaiting::~WhileWaiting() = default;

} // namespace zuneigo::test
