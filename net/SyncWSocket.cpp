#include "net/SyncWSocket.h"

#include "platform/Application.h"

namespace zuneigo {

TCustomSyncWSocket::TCustomSyncWSocket() = default;

int TCustomSyncWSocket::WaitUntilDone(bool& done)
{
    auto closing = [this] { return platform::Application::Instance().Terminated() || terminated_; };
    while (!done) {
        if (closing())
            return WSocketWaitAborted;
        PumpMessages();
        if (done)
            break;
        if (closing())
            return WSocketWaitAborted;
        WaitForMessage(); // sleeps until something is pending: no busy loop
    }
    return 0;
}

int TCustomSyncWSocket::RunAndWait(const std::function<void()>& proc, bool& done)
{
    done = false;
    if (proc)
        proc();
    return WaitUntilDone(done);
}

} // namespace zuneigo
