#include "BenchDots.h"

#include "app/gui/MainForm.h"
#include "app/gui/ResultDotLayer.h"
#include "app/gui/ResultListModel.h"

#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

void BenchDots(zuneigo::TMainForm& form)
{
    // As after the search: the rows' positions read, the dots drawn and shown.
    constexpr int Rounds = 5;
    double total = 0;
    for (int i = 0; i < Rounds; ++i) {
        const auto t = Clock::now();
        form.ShowResultDots();
        form.ResultDotLayer->repaint();
        total += Ms(t, Clock::now());
    }
    std::printf("dots_ms=%.1f\n", total / Rounds);

    // Selection moves spread over the list, each painted (list and map) before the next.
    const int rows = form.ResultList->rowCount();
    constexpr int Moves = 200;
    std::vector<double> times;
    QItemSelectionModel* selection = form.ListView1->selectionModel();
    for (int i = 0; i < Moves && rows > 0; ++i) {
        const QModelIndex index = form.ResultList->index(static_cast<int>((static_cast<long long>(i) * 7919) % rows), 0);
        const auto t = Clock::now();
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCoreApplication::processEvents();
        times.push_back(Ms(t, Clock::now()));
    }
    if (times.empty()) times.push_back(0);
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double ms : times)
        sum += ms;
    std::printf("dot_select_mean_ms=%.2f\ndot_select_p95_ms=%.2f\ndot_select_max_ms=%.2f\n", sum / times.size(),
                times[times.size() * 95 / 100], times.back());
}
