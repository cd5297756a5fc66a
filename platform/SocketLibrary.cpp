// Start and stop of the socket library.
#include "platform/SocketLibrary.h"

#include <atomic>
#include <csignal>
#include <mutex>

namespace zuneigo::platform {

namespace {

std::atomic<bool> running{false};
std::atomic<int> startCount{0};
std::atomic<int> stopCount{0};
std::once_flag sigpipeOnce;

} // namespace

void SocketLibraryStart()
{
    // A write to a connection the peer has closed must fail with an error, not end the
    // program: sends use MSG_NOSIGNAL, and this covers any other write.
    std::call_once(sigpipeOnce, [] { std::signal(SIGPIPE, SIG_IGN); });
    bool expected = false;
    if (running.compare_exchange_strong(expected, true)) ++startCount;
}

void SocketLibraryStop()
{
    bool expected = true;
    if (running.compare_exchange_strong(expected, false)) ++stopCount;
}

bool SocketLibraryRunning()
{
    return running.load(std::memory_order_acquire);
}

int SocketLibraryStartCount()
{
    return startCount.load();
}

int SocketLibraryStopCount()
{
    return stopCount.load();
}

} // namespace zuneigo::platform
