// The window's download, load, search and list fill on a large database, offscreen.
//   bench_client PROXY [VON BIS KM]
// downloads the database through the download button's handler, with PROXY (host:port,
// the local server) in the proxy field, then searches with "ein Mann" seeking "eine
// Frau" from VON to BIS years within KM km of the default marker, and prints one
// "name=value" line per figure.
#include "BenchDots.h"
#include "app/core/ResultColumns.h"
#include "app/gui/MainForm.h"
#include "app/gui/MessageBox.h"
#include "app/gui/QtBridge.h"
#include "app/gui/ResultListModel.h"
#include "http/HttpCli.h"
#include "ui/widgets/RxSpinEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeView>

#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>

using namespace zuneigo;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 5) {
        std::fputs("usage: bench_client PROXY [VON BIS KM]\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TQtBridge bridge;
    std::string lastMessage;
    SetMessageHook([&](const ShownMessage& m) {
        lastMessage = m.Text.toStdString();
        return int(QMessageBox::Ok);
    });

    TMainForm form;
    form.show();
    QCoreApplication::processEvents();
    form.Proxy2Ed->setText(QString::fromLocal8Bit(argv[1]));

    Clock::time_point docEnd{};
    form.HttpCli1->OnDocEnd = [&](TCustomHttpCli&) { docEnd = Clock::now(); };
    const auto start = Clock::now();
    form.DownBtnClick();
    const auto loaded = Clock::now();
    std::printf("message=%s\n", lastMessage.c_str());
    if (docEnd == Clock::time_point{})
        return 1;
    std::printf("download_ms=%.1f\nload_ms=%.1f\nclick_ms=%.1f\nrecords=%zu\n", Ms(start, docEnd),
                Ms(docEnd, loaded), Ms(start, loaded), form.Database.RecordCount());

    form.Bimann->setChecked(true);
    form.SuFrau->setChecked(true);
    if (argc == 5) {
        form.VonAge->setText(argv[2]);
        form.BisAge->setText(argv[3]);
        form.UmKreis->setText(argv[4]);
    }
    // The search alone, as the window's search runs it (the rows found), then the
    // window's handler with the list laid out and painted. The rows of the first are
    // dropped before the second, so the peak memory is the window's own.
    SearchCriteria criteria{true, false, TMainForm::SpinValue(form.VonAge), TMainForm::SpinValue(form.BisAge), TMainForm::SpinValue(form.UmKreis), {form.Shape2->x(), form.Shape2->y()}};
    auto t = Clock::now();
    std::size_t searched = 0;
    {
        const ResultRows rows(form.Database, criteria);
        std::printf("search_ms=%.1f\n", Ms(t, Clock::now()));
        searched = rows.Count();
    }
    t = Clock::now();
    form.SearchBtnClick();
    form.ListView1->viewport()->repaint();
    QCoreApplication::processEvents();
    std::printf("search_and_list_ms=%.1f\nmatches=%d\n", Ms(t, Clock::now()), form.ResultList->rowCount());
    BenchDots(form);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak_kib=%ld\n", usage.ru_maxrss);
    return searched == static_cast<std::size_t>(form.ResultList->rowCount()) ? 0 : 1;
}
