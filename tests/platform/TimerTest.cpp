// Window timers: WM_TIMER arrives with the timer's id, never piles up, and stops for good.
#include "platform/Messages.h"
#include "platform/Timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace zuneigo::platform;

namespace {

void PumpFor(std::chrono::milliseconds span)
{
    const auto end = std::chrono::steady_clock::now() + span;
    MSG m;
    while (std::chrono::steady_clock::now() < end) {
        WaitMessage(10);
        while (PeekMessage(m))
            DispatchMessage(m);
    }
}

} // namespace

TEST(Timer, PostsTheIdEveryIntervalUntilKilled)
{
    std::vector<WPARAM> ids;
    HWND w = CreateHiddenWindow([&](UINT m, WPARAM id, LPARAM) {
        if (m == WM_TIMER) ids.push_back(id);
        return LRESULT(0);
    });
    ASSERT_TRUE(SetTimer(w, 7, 20));
    MSG m;
    while (ids.size() < 3 && GetMessage(m))
        DispatchMessage(m);
    EXPECT_EQ(ids, (std::vector<WPARAM>{7, 7, 7}));
    EXPECT_TRUE(KillTimer(w, 7));
    EXPECT_FALSE(KillTimer(w, 7));
    ids.clear();
    PumpFor(std::chrono::milliseconds(80));
    EXPECT_TRUE(ids.empty());
    DestroyWindow(w);
    EXPECT_FALSE(SetTimer(w, 1, 10));
}

TEST(Timer, BusyThreadFindsOneQueuedTimerAndKillDropsIt)
{
    struct Case {
        bool kill;
        std::size_t expected;
    };
    for (const Case c : {Case{false, 1}, Case{true, 0}}) {
        std::size_t fired = 0;
        HWND w = CreateHiddenWindow([&](UINT m, WPARAM, LPARAM) { fired += m == WM_TIMER; return LRESULT(0); });
        ASSERT_TRUE(SetTimer(w, 1, 5));
        std::this_thread::sleep_for(std::chrono::milliseconds(60)); // many periods, no pumping
        if (c.kill) KillTimer(w, 1);
        MSG m;
        while (PeekMessage(m))
            DispatchMessage(m);
        EXPECT_EQ(fired, c.expected) << "kill=" << c.kill;
        KillTimer(w, 1);
        DestroyWindow(w);
    }
}
