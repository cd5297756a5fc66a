// Synchronous waiting: WaitUntilDone and RunAndWait, the quit message in a component's
// own loop, and that an idle wait sleeps instead of spinning.
#include "net/WSocket.h"
#include "platform/Application.h"
#include "platform/Messages.h"
#include "tests/net/SocksTestPeers.h"
#include "tests/net/WSocketEventLog.h"
#include "tests/net/WSocketTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

// Counts the rounds of the wait.
class CountingSocket : public TWSocket {
public:
    int pumps = 0;
    void PumpMessages() override
    {
        ++pumps;
        TWSocket::PumpMessages();
    }
};

constexpr platform::UINT kPing = platform::WM_USER + 100;

} // namespace

TEST(SyncWSocket, FlagAlreadyTrueReturnsAtOnceWithoutPumping)
{
    CountingSocket s;
    int handled = 0;
    const platform::HWND w = platform::CreateHiddenWindow([&](platform::UINT m, platform::WPARAM, platform::LPARAM) {
        if (m == kPing)
            ++handled;
        return platform::LRESULT(0);
    });
    platform::PostMessage(w, kPing, 0, 0);
    bool done = true;
    EXPECT_EQ(s.WaitUntilDone(done), 0);
    EXPECT_EQ(s.pumps, 0);
    EXPECT_EQ(handled, 0); // still queued
    PumpUntil([&] { return handled == 1; });
    EXPECT_EQ(handled, 1);
    platform::DestroyWindow(w);
}

TEST(SyncWSocket, QuitMessageEndsTheWaitAndIsConsumed)
{
    std::atomic<platform::HWND> window{0};
    int result = -1, second = -1, third = -1, pumps = 0;
    bool quitSeenAfterwards = true, terminated = false;

    std::thread worker([&] {
        CountingSocket s;
        s.SetMultiThreaded(true);
        const platform::HWND w = platform::CreateHiddenWindow([](platform::UINT m, platform::WPARAM, platform::LPARAM) {
            if (m == kPing)
                platform::PostQuitMessage(0);
            return platform::LRESULT(0);
        });
        window = w;
        bool done = false;
        result = s.WaitUntilDone(done);
        pumps = s.pumps;
        terminated = s.Terminated();
        platform::MSG msg;
        quitSeenAfterwards = false;
        while (platform::PeekMessage(msg, true))
            if (msg.message == platform::WM_QUIT)
                quitSeenAfterwards = true;
        // Terminated stays: a later wait gives up at once, unless its flag is already true.
        second = s.WaitUntilDone(done);
        bool already = true;
        third = s.WaitUntilDone(already);
        platform::DestroyWindow(w);
    });
    while (window == 0)
        std::this_thread::yield();
    // The worker now sleeps in its wait; a second later the quit arrives.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    platform::PostMessage(window, kPing, 0, 0);
    worker.join();

    EXPECT_EQ(result, 12001);
    EXPECT_TRUE(terminated);
    EXPECT_FALSE(quitSeenAfterwards); // the thread's own loop never sees it
    EXPECT_EQ(second, 12001);
    EXPECT_EQ(third, 0);
    // An idle second is a handful of rounds, not a busy loop.
    EXPECT_LE(pumps, 5);
    EXPECT_FALSE(platform::Application::Instance().Terminated());
}

TEST(SyncWSocket, ClosingApplicationEndsTheWait)
{
    TWSocket s;
    platform::Application::Instance().SetTerminated(true);
    bool done = false;
    const int r = s.WaitUntilDone(done);
    platform::Application::Instance().SetTerminated(false);
    EXPECT_EQ(r, 12001);
}

TEST(SyncWSocket, RunAndWaitDrivesAnExchangeToTheEnd)
{
    TempDir dir;
    RunningPeer echo = StartEchoPeer(dir);
    ASSERT_TRUE(echo.ok);
    CountingSocket s;
    const std::string payload = Payload(200000, 5);
    std::string got;
    bool done = true; // RunAndWait clears it first
    s.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t e) {
        if (e == 0)
            s.SendText(payload);
        else
            done = true;
    };
    s.OnDataAvailable = [&](TCustomWSocket*, std::uint16_t) {
        char buf[16384];
        const int n = s.Receive(buf, sizeof buf);
        if (n > 0)
            got.append(buf, static_cast<std::size_t>(n));
        if (got.size() >= payload.size())
            done = true;
    };
    const int r = s.RunAndWait([&] { ConnectLocal(s, echo.port); }, done);
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(got == payload);
    EXPECT_GT(s.pumps, 0);
    // Without a procedure it only waits.
    bool flag = false;
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { flag = true; };
    s.CloseLater();
    EXPECT_EQ(s.RunAndWait(nullptr, flag), 0);
    EXPECT_EQ(s.State(), wsClosed);
}
