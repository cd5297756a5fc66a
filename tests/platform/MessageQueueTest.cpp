// The per-thread message queue and hidden windows.
#include "platform/Application.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <poll.h>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace zuneigo::platform;

namespace {

struct Recorded {
    UINT msg;
    WPARAM w;
    LPARAM l;
};

void DrainAll()
{
    MSG m;
    while (PeekMessage(m))
        DispatchMessage(m);
}

double CpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_THREAD, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

bool FdReadable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

// Every case starts with an empty queue.
class MessageQueue : public ::testing::Test {
protected:
    void SetUp() override { DrainAll(); }
};

} // namespace

TEST_F(MessageQueue, DeliversInOrderOneAtATimeToTheRightWindow)
{
    std::vector<Recorded> a, b;
    HWND wa = CreateHiddenWindow([&](UINT m, WPARAM w, LPARAM l) { a.push_back({m, w, l}); return LRESULT(7); });
    HWND wb = CreateHiddenWindow([&](UINT m, WPARAM w, LPARAM l) { b.push_back({m, w, l}); return LRESULT(0); });
    ASSERT_NE(wa, 0u);
    ASSERT_NE(wa, wb);
    EXPECT_TRUE(PostMessage(wa, WM_USER + 1, 1, 10));
    EXPECT_TRUE(PostMessage(wb, WM_USER + 2, 2, 20));
    EXPECT_TRUE(PostMessage(wa, WM_USER + 3, 3, 30));
    EXPECT_EQ(PendingMessageCount(), 3u);

    MSG m;
    ASSERT_TRUE(PeekMessage(m, false)); // looking does not take it
    EXPECT_EQ(PendingMessageCount(), 3u);
    ASSERT_TRUE(PeekMessage(m));
    EXPECT_EQ(m.hwnd, wa);
    EXPECT_EQ(m.message, WM_USER + 1);
    EXPECT_EQ(PendingMessageCount(), 2u);
    EXPECT_EQ(DispatchMessage(m), 7);
    DrainAll();
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(a[1].msg, WM_USER + 3u);
    EXPECT_EQ(a[1].l, 30);
    EXPECT_EQ(b[0].w, 2u);
    DestroyWindow(wa);
    DestroyWindow(wb);
}

TEST_F(MessageQueue, DestroyedWindowLosesItsMessagesAndRefusesNewOnes)
{
    int calls = 0;
    HWND w = CreateHiddenWindow([&](UINT, WPARAM, LPARAM) { ++calls; return LRESULT(0); });
    HWND other = CreateHiddenWindow([&](UINT, WPARAM, LPARAM) { return LRESULT(0); });
    PostMessage(w, WM_USER, 0, 0);
    PostMessage(other, WM_USER, 0, 0);
    PostMessage(w, WM_USER, 0, 0);
    DestroyWindow(w);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(PendingMessageCount(), 1u);
    EXPECT_FALSE(PostMessage(w, WM_USER, 0, 0));
    DrainAll();
    EXPECT_EQ(calls, 0);
    DestroyWindow(other);
}

TEST_F(MessageQueue, WindowMayDestroyItselfInsideItsHandler)
{
    struct Holder {
        HWND w = 0;
        std::string text = "still alive";
        std::string seen;
    } h;
    h.w = CreateHiddenWindow([&h](UINT, WPARAM, LPARAM) {
        DestroyWindow(h.w);
        h.seen = h.text; // the handler object must survive until it returns
        return LRESULT(1);
    });
    PostMessage(h.w, WM_USER, 0, 0);
    PostMessage(h.w, WM_USER, 0, 0);
    DrainAll();
    EXPECT_EQ(h.seen, "still alive");
    EXPECT_FALSE(IsWindow(h.w));
}

TEST_F(MessageQueue, QuitMessageEndsGetMessageAndTerminatesTheApplication)
{
    PostQuitMessage(3);
    MSG m;
    EXPECT_FALSE(GetMessage(m));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);

    auto& app = Application::Instance();
    app.SetTerminated(false);
    int calls = 0;
    HWND w = CreateHiddenWindow([&](UINT, WPARAM, LPARAM) { ++calls; return LRESULT(0); });
    PostMessage(w, WM_USER, 0, 0);
    PostQuitMessage(0);
    PostMessage(w, WM_USER, 0, 0);
    app.ProcessMessages();
    EXPECT_TRUE(app.Terminated());
    EXPECT_EQ(calls, 2); // the quit is consumed, the rest still handled
    app.SetTerminated(false);
    DestroyWindow(w);
}

TEST_F(MessageQueue, ReplacedApplicationStepsAreUsed)
{
    auto& app = Application::Instance();
    int processed = 0, waited = 0;
    app.SetProcessMessagesStep([&] { ++processed; Application::PlatformProcessMessages(); });
    app.SetWaitStep([&] { ++waited; });
    app.HandleMessage();
    EXPECT_EQ(processed, 1);
    EXPECT_EQ(waited, 1);
    app.SetProcessMessagesStep(nullptr);
    app.SetWaitStep(nullptr);
}

TEST_F(MessageQueue, PostFromAnotherThreadWakesABlockedWait)
{
    std::atomic<int> got{0};
    HWND w = CreateHiddenWindow([&](UINT m, WPARAM, LPARAM) { if (m == WM_USER + 9) ++got; return LRESULT(0); });
    std::thread poster([w] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        for (int i = 0; i < 100; ++i)
            PostMessage(w, WM_USER + 9, static_cast<WPARAM>(i), 0);
    });
    double cpu0 = CpuSeconds();
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(WaitMessage(10000));
    auto waited = std::chrono::steady_clock::now() - t0;
    double cpu = CpuSeconds() - cpu0;
    poster.join();
    DrainAll();
    EXPECT_EQ(got.load(), 100);
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    // Blocked in the kernel, not polling: far less CPU than wall time.
    EXPECT_LT(cpu, 0.05);
    DestroyWindow(w);
}

TEST_F(MessageQueue, WaitTimesOutWithoutSpinning)
{
    double cpu0 = CpuSeconds();
    EXPECT_FALSE(WaitMessage(200));
    EXPECT_LT(CpuSeconds() - cpu0, 0.05);
}

TEST_F(MessageQueue, QueueDescriptorIsReadableExactlyWhileSomethingIsPending)
{
    int fd = QueueFd();
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(FdReadable(fd));
    HWND w = CreateHiddenWindow(nullptr);
    PostMessage(w, WM_USER, 0, 0);
    EXPECT_TRUE(FdReadable(fd));
    MSG m;
    ASSERT_TRUE(PeekMessage(m));
    EXPECT_FALSE(FdReadable(fd));
    // From another thread too.
    std::thread([w] { PostMessage(w, WM_USER, 0, 0); }).join();
    EXPECT_TRUE(FdReadable(fd));
    DrainAll();
    EXPECT_FALSE(FdReadable(fd));
    DestroyWindow(w);
}

TEST_F(MessageQueue, EachThreadHasItsOwnQueue)
{
    std::atomic<bool> handledOnWorker{false};
    std::atomic<HWND> workerWindow{0};
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        auto self = std::this_thread::get_id();
        workerWindow = CreateHiddenWindow([&, self](UINT m, WPARAM, LPARAM) {
            if (m == WM_USER && std::this_thread::get_id() == self) handledOnWorker = true;
            if (m == WM_USER + 1) stop = true;
            return LRESULT(0);
        });
        MSG msg;
        while (!stop && GetMessage(msg))
            DispatchMessage(msg);
        DestroyWindow(workerWindow);
    });
    while (workerWindow == 0)
        std::this_thread::yield();
    PostMessage(workerWindow, WM_USER, 0, 0);
    PostMessage(workerWindow, WM_USER + 1, 0, 0);
    worker.join();
    EXPECT_TRUE(handledOnWorker);
    EXPECT_EQ(PendingMessageCount(), 0u); // nothing landed here
}
