#include "ui/widgets/Beep.h"

#include <QApplication>

namespace zuneigo {

namespace {

std::function<void()>& Handler()
{
    static std::function<void()> handler;
    return handler;
}

} // namespace

void Beep()
{
    if (Handler())
        Handler()();
    else
        QApplication::beep();
}

std::function<void()> SetBeepHandler(std::function<void()> handler)
{
    std::swap(Handler(), handler);
    return handler;
}

} // namespace zuneigo
