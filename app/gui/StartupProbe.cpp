#include "app/gui/StartupProbe.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace zuneigo {

namespace {

double Clock(clockid_t id)
{
    timespec now{};
    clock_gettime(id, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Seconds since this process started, from its start time in /proc (in clock ticks after
// boot); negative when it cannot be read.
double SecondsSinceStart()
{
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    // After the command name come the state (field 3) ... and the start time (field 22).
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i == 22)
            return Clock(CLOCK_BOOTTIME) - std::strtod(field.c_str(), nullptr) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    return -1;
}

// Sees every event of the application until the first paint inside the watched window;
// the report waits until the whole window has been painted.
class FirstPaintFilter : public QObject {
public:
    explicit FirstPaintFilter(QWidget* window) : QObject(qApp),
                                                 window_(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || seen_ || !watched->isWidgetType() || !window_ || static_cast<QWidget*>(watched)->window() != window_)
            return false;
        seen_ = true;
        QMetaObject::invokeMethod(
            this, [this] { Report(); }, Qt::QueuedConnection);
        return false;
    }

private:
    void Report()
    {
        const double monotonic = Clock(CLOCK_MONOTONIC);
        std::fprintf(stderr, "first paint: %.6f s monotonic, %.3f s after the process started\n", monotonic,
                     SecondsSinceStart());
        std::fflush(stderr);
        qApp->removeEventFilter(this);
        QCoreApplication::exit(0);
    }

    QPointer<QWidget> window_;
    bool seen_ = false;
};

} // namespace

void WatchFirstPaint(QWidget* window)
{
    const char* wanted = std::getenv("ZUNEIGO_EXIT_AFTER_FIRST_PAINT");
    if (!wanted || std::strcmp(wanted, "1") != 0 || !qApp)
        return;
    qApp->installEventFilter(new FirstPaintFilter(window));
}

} // namespace zuneigo
