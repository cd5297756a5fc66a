// Asynchronous host lookups on the helper thread.
#include "platform/HostLookup.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <vector>

using namespace zuneigo::platform;

namespace {

constexpr UINT kDone = WM_USER + 2;

struct Result {
    HANDLE handle;
    int error;
    bool hadEntry;
    HostEntry entry;
};

class LookupWindow {
public:
    LookupWindow()
    {
        hwnd = CreateHiddenWindow([this](UINT m, WPARAM w, LPARAM l) {
            if (m != kDone) return LRESULT(0);
            Result r{static_cast<HANDLE>(w), HiWord(l), false, {}};
            if (const HostEntry* e = WsLookupResult(r.handle)) {
                r.hadEntry = true;
                r.entry = *e;
            }
            results.push_back(r);
            return LRESULT(0);
        });
    }
    ~LookupWindow() { DestroyWindow(hwnd); }
    bool WaitFor(std::size_t n, int timeoutMs = 20000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (results.size() < n) {
            MSG m;
            while (PeekMessage(m))
                DispatchMessage(m);
            if (results.size() >= n) break;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            if (left <= 0) return false;
            WaitMessage(static_cast<int>(left));
        }
        return true;
    }
    HWND hwnd;
    std::vector<Result> results;
};

} // namespace

TEST(HostLookup, LocalhostResolvesToLoopbackThroughAMessage)
{
    LookupWindow w;
    HANDLE h = WsAsyncGetHostByName(w.hwnd, kDone, "localhost");
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(w.results.empty()); // never inside the call
    ASSERT_TRUE(w.WaitFor(1));
    EXPECT_EQ(w.results[0].handle, h);
    EXPECT_EQ(w.results[0].error, 0);
    ASSERT_TRUE(w.results[0].hadEntry);
    ASSERT_FALSE(w.results[0].entry.addresses.empty());
    EXPECT_EQ(w.results[0].entry.addresses[0], htonl(INADDR_LOOPBACK));
    EXPECT_EQ(WsLookupResult(h + 1000), nullptr);
    // The result lives until the thread takes its next message.
    PostMessage(w.hwnd, WM_USER + 50, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessage(m));
    EXPECT_EQ(WsLookupResult(h), nullptr);
    EXPECT_EQ(PendingLookupCount(), 0u);
}

TEST(HostLookup, UnknownNameAndReverseLookup)
{
    LookupWindow w;
    ASSERT_NE(WsAsyncGetHostByName(w.hwnd, kDone, "nosuchhost.invalid"), 0u);
    ASSERT_TRUE(w.WaitFor(1));
    EXPECT_EQ(w.results[0].error, WSAHOST_NOT_FOUND);
    ASSERT_NE(WsAsyncGetHostByAddr(w.hwnd, kDone, htonl(INADDR_LOOPBACK)), 0u);
    ASSERT_TRUE(w.WaitFor(2));
    EXPECT_EQ(w.results[1].error, 0);
    EXPECT_FALSE(w.results[1].entry.name.empty());
}

TEST(HostLookup, CancelledLookupPostsNothing)
{
    LookupWindow w;
    HANDLE first = WsAsyncGetHostByName(w.hwnd, kDone, "localhost");
    HANDLE second = WsAsyncGetHostByName(w.hwnd, kDone, "localhost");
    ASSERT_NE(first, second);
    EXPECT_EQ(WsCancelAsyncRequest(first), 0);
    ASSERT_TRUE(w.WaitFor(1));
    EXPECT_FALSE(w.WaitFor(2, 500)); // the cancelled one gets every chance to show up
    ASSERT_EQ(w.results.size(), 1u);
    EXPECT_EQ(w.results[0].handle, second);
    EXPECT_EQ(WsCancelAsyncRequest(second), SOCKET_ERROR); // finished: nothing to cancel
    EXPECT_EQ(WsGetLastError(), WSAEINVAL);
}

TEST(HostLookup, ResultAlreadyQueuedIsWithdrawnByCancel)
{
    LookupWindow w;
    HANDLE h = WsAsyncGetHostByName(w.hwnd, kDone, "localhost");
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (PendingMessageCount() == 0 && std::chrono::steady_clock::now() < end)
        WaitMessage(50);
    ASSERT_EQ(PendingMessageCount(), 1u);
    EXPECT_EQ(WsCancelAsyncRequest(h), 0);
    EXPECT_EQ(PendingMessageCount(), 0u);
    w.WaitFor(1, 200);
    EXPECT_TRUE(w.results.empty());
}

TEST(HostLookup, LookupForADestroyedWindowIsDroppedQuietly)
{
    {
        LookupWindow w;
        ASSERT_NE(WsAsyncGetHostByName(w.hwnd, kDone, "localhost"), 0u);
    } // destroyed while the lookup runs
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (PendingLookupCount() > 0 && std::chrono::steady_clock::now() < end)
        WaitMessage(20);
    EXPECT_EQ(PendingLookupCount(), 0u);
    {
        LookupWindow w;
        ASSERT_NE(WsAsyncGetHostByName(w.hwnd, kDone, "localhost"), 0u);
        while (PendingMessageCount() == 0 && std::chrono::steady_clock::now() < end)
            WaitMessage(20);
        ASSERT_EQ(PendingMessageCount(), 1u);
    } // destroyed with the result queued
    EXPECT_EQ(PendingMessageCount(), 0u);
    EXPECT_EQ(PendingLookupCount(), 0u);
    EXPECT_EQ(WsAsyncGetHostByName(0, kDone, "localhost"), 0u);
}
