#include "app/gui/QtBridge.h"

#include "platform/Application.h"
#include "platform/Messages.h"

#include <QCoreApplication>
#include <QSocketNotifier>

namespace zuneigo {

TQtBridge::TQtBridge()
{
    notifier_ = std::make_unique<QSocketNotifier>(platform::QueueFd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [] {
        platform::Application::PlatformProcessMessages();
    });

    auto& app = platform::Application::Instance();
    app.SetProcessMessagesStep([] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        platform::Application::PlatformProcessMessages();
    });
    app.SetWaitStep([] {
        // Something of the platform's is already waiting: nothing to sleep for.
        if (platform::WaitMessage(0)) return;
        // Sleeps in Qt's one poll until a Qt event or the queue's descriptor (through the
        // notifier) wakes it; what woke it is handled before returning.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    });
}

TQtBridge::~TQtBridge()
{
    auto& app = platform::Application::Instance();
    app.SetProcessMessagesStep(nullptr);
    app.SetWaitStep(nullptr);
}

} // namespace zuneigo
