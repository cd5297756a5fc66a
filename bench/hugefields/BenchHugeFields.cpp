// The window's answer times on ads with huge text fields, offscreen.
//   bench_hugefields FIELD_BYTES [ADS]
// loads ADS ads (default 20) whose name, hair, activities, title and contact each hold
// FIELD_BYTES bytes, then times, each up to the window painted again: the search with its
// list, every move to the next row of the list, opening the detail window on a row and
// closing it. Prints one "name=value" line per figure (milliseconds, the slowest of each
// kind).
#include "app/gui/DetailForm.h"
#include "app/gui/MainForm.h"
#include "app/gui/MessageBox.h"
#include "app/gui/QtBridge.h"
#include "app/gui/ResultListModel.h"
#include "ui/widgets/RxSpinEdit.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace zuneigo;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void Painted(QWidget* w)
{
    w->repaint();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fputs("usage: bench_hugefields FIELD_BYTES [ADS]\n", stderr);
        return 2;
    }
    const std::size_t bytes = std::strtoull(argv[1], nullptr, 10);
    const int ads = argc == 3 ? std::atoi(argv[2]) : 20;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TQtBridge bridge;
    SetMessageHook([](const ShownMessage&) { return int(QMessageBox::Ok); });

    TDetailForm detail;
    TMainForm form;
    form.DetailForm = &detail;
    form.show();
    QCoreApplication::processEvents();

    const std::string filler(bytes, 'x');
    std::string text;
    for (int i = 0; i < ads; ++i) {
        const std::string n = std::to_string(i);
        text += "Eva" + n + filler + "\r\n0\r\n1\r\n19\r\n168\r\n55\r\n1\r\nrot" + filler + "\r\nbraun\r\nTanzen" + filler +
            "\r\nHallo" + filler + "\r\neva" + n + "@x.de" + filler + "\r\n136\r\n120\r\n";
    }
    form.Database.AppendText(text);
    text.clear();
    text.shrink_to_fit();

    auto t = Clock::now();
    form.SearchBtnClick();
    Painted(&form);
    std::printf("search_ms=%.1f\nrows=%d\n", Ms(t, Clock::now()), form.ResultList->rowCount());

    double move = 0;
    for (int r = 0; r < form.ResultList->rowCount(); ++r) {
        t = Clock::now();
        form.ListView1->setCurrentIndex(form.ResultList->index(r, 0));
        Painted(form.ListView1->viewport());
        move = std::max(move, Ms(t, Clock::now()));
    }
    std::printf("list_move_ms=%.1f\n", move);

    // Opening: filled, shown and painted; closing: gone and the main window painted.
    double open = 0, close = 0;
    Clock::time_point shown;
    for (int r = 0; r < std::min(3, form.ResultList->rowCount()); ++r) {
        form.ListView1->setCurrentIndex(form.ResultList->index(r, 0));
        QTimer::singleShot(0, [&] {
            Painted(&detail);
            shown = Clock::now();
            detail.OKBtn->click();
        });
        t = Clock::now();
        form.ListView1DblClick();
        Painted(&form);
        const auto closed = Clock::now();
        open = std::max(open, Ms(t, shown));
        close = std::max(close, Ms(shown, closed));
    }
    std::printf("detail_open_ms=%.1f\ndetail_close_ms=%.1f\n", open, close);
    return 0;
}
