// Socket notifications: the rules of the asynchronous select, over real loopback
// connections.
#include "platform/Messages.h"
#include "platform/SocketApi.h"
#include "platform/SocketLibrary.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zuneigo::platform;

namespace {

constexpr UINT kMsg = WM_USER + 1;

struct Event {
    int fd;
    int bits;
    int error;
};

// A hidden window that records socket notifications.
class Recorder {
public:
    Recorder()
    {
        hwnd = CreateHiddenWindow([this](UINT m, WPARAM w, LPARAM l) {
            if (m == kMsg) events.push_back({static_cast<int>(w), LoWord(l), HiWord(l)});
            return LRESULT(0);
        });
    }
    ~Recorder() { DestroyWindow(hwnd); }

    // Pumps until pred holds or timeout; true when it holds.
    template <class Pred>
    bool Until(Pred pred, int timeoutMs = 5000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            MSG m;
            while (PeekMessage(m))
                DispatchMessage(m);
            if (pred()) return true;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            if (left <= 0) return false;
            WaitMessage(static_cast<int>(left));
        }
    }
    void Settle(int ms = 150)
    {
        Until([] { return false; }, ms);
    }
    int Count(int bits) const
    {
        int n = 0;
        for (auto& e : events)
            n += (e.bits == bits);
        return n;
    }

    HWND hwnd = 0;
    std::vector<Event> events;
};

sockaddr_in Loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

// A plain listening socket on a free port.
struct Listener {
    int fd = -1;
    int port = 0;
    Listener()
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = Loopback(0);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, 16);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener() { ::close(fd); }
};

// A connected pair: ours (registered with the recorder when one is given) and the
// peer's plain socket.
struct Pair {
    int ours = -1;
    int peer = -1;
    Pair()
    {
        Listener l;
        ours = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = Loopback(l.port);
        EXPECT_EQ(::connect(ours, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        peer = ::accept(l.fd, nullptr, nullptr);
    }
    Pair(const Recorder& r, long mask) : Pair() { EXPECT_EQ(WsAsyncSelect(ours, r.hwnd, kMsg, mask), 0); }
    ~Pair()
    {
        if (ours >= 0) WsCloseSocket(ours);
        if (peer >= 0) ::close(peer);
    }
};

void ResetClose(int fd)
{
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
}

} // namespace

TEST(SocketNotify, ReadIsPostedOnceUntilReceiveAndAgainWhileDataWaits)
{
    Recorder r;
    Pair p(r, FD_READ | FD_CLOSE);
    ASSERT_EQ(::send(p.peer, "0123456789", 10, 0), 10);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_READ) == 1; }));
    EXPECT_EQ(r.events[0].fd, p.ours);
    EXPECT_EQ(r.events[0].error, 0);
    ::send(p.peer, "abc", 3, 0);
    r.Settle();
    EXPECT_EQ(r.Count(FD_READ), 1); // not re-enabled yet

    char buf[64];
    ASSERT_EQ(WsRecv(p.ours, buf, 4, 0), 4); // 9 bytes still waiting
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_READ) == 2; }));
    ASSERT_EQ(WsRecv(p.ours, buf, sizeof buf, 0), 9);
    r.Settle();
    EXPECT_EQ(r.Count(FD_READ), 2); // nothing left: no notification
    EXPECT_EQ(r.Count(FD_CLOSE), 0);
}

TEST(SocketNotify, ConnectOutcomeIsReportedByTheConnectNotification)
{
    // Success: connect, then write. Refusal: the connect notification only.
    for (bool listening : {true, false}) {
        SCOPED_TRACE(listening ? "listening" : "refused");
        Recorder r;
        auto l = std::make_unique<Listener>();
        int port = l->port;
        if (!listening) l.reset(); // closed again: nothing listens there
        SOCKET s = WsSocket(AF_INET_W, SOCK_STREAM_W, IPPROTO_TCP_W);
        ASSERT_GE(s, 0);
        ASSERT_EQ(WsAsyncSelect(s, r.hwnd, kMsg, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
        EXPECT_EQ(WsConnect(s, Loopback(port)), SOCKET_ERROR);
        EXPECT_EQ(WsGetLastError(), WSAEWOULDBLOCK);
        ASSERT_TRUE(r.Until([&] { return r.events.size() >= (listening ? 2u : 1u); }));
        r.Settle();
        ASSERT_EQ(r.events.size(), listening ? 2u : 1u);
        EXPECT_EQ(r.events[0].bits, FD_CONNECT);
        EXPECT_EQ(r.events[0].error, listening ? 0 : WSAECONNREFUSED);
        if (listening) {
            EXPECT_EQ(r.events[1].bits, FD_WRITE);
        }
        WsCloseSocket(s);
    }
}

TEST(SocketNotify, WriteIsPostedAfterWouldBlockOnceTheSocketTakesDataAgain)
{
    Recorder r;
    Pair p(r, FD_READ | FD_WRITE | FD_CLOSE);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_WRITE) == 1; })); // connected socket: writable once
    std::vector<char> chunk(65536, 'x');
    long long sent = 0;
    for (;;) {
        int n = WsSend(p.ours, chunk.data(), static_cast<int>(chunk.size()), 0);
        if (n < 0) {
            ASSERT_EQ(WsGetLastError(), WSAEWOULDBLOCK);
            break;
        }
        sent += n;
    }
    r.Settle();
    EXPECT_EQ(r.Count(FD_WRITE), 1); // still full
    std::thread reader([&] {
        std::vector<char> buf(1 << 16);
        long long got = 0;
        while (got < sent) {
            ssize_t n = ::recv(p.peer, buf.data(), buf.size(), 0);
            if (n <= 0) break;
            got += n;
        }
    });
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_WRITE) == 2; }));
    reader.join();
    r.Settle();
    EXPECT_EQ(r.Count(FD_WRITE), 2); // once per would-block
}

TEST(SocketNotify, CloseWaitsUntilNoUnreadDataIsLeftAndComesOnce)
{
    Recorder r;
    Pair p(r, FD_READ | FD_CLOSE);
    ::send(p.peer, "hello", 5, 0);
    ::close(p.peer);
    p.peer = -1;
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_READ) == 1; }));
    r.Settle();
    EXPECT_EQ(r.Count(FD_CLOSE), 0); // "hello" is still unread
    char buf[16];
    ASSERT_EQ(WsRecv(p.ours, buf, 3, 0), 3);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_READ) == 2; }));
    EXPECT_EQ(r.Count(FD_CLOSE), 0);
    ASSERT_EQ(WsRecv(p.ours, buf, sizeof buf, 0), 2);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_CLOSE) == 1; }));
    EXPECT_EQ(r.events.back().error, 0);
    r.Settle();
    EXPECT_EQ(r.Count(FD_CLOSE), 1);
    EXPECT_EQ(r.Count(FD_READ), 2);
}

TEST(SocketNotify, ResetIsReportedAtOnce)
{
    Recorder r;
    Pair p(r, FD_READ | FD_WRITE | FD_CLOSE);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_WRITE) == 1; }));
    ResetClose(p.peer);
    p.peer = -1;
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_CLOSE) == 1; }));
    EXPECT_EQ(r.events.back().error, WSAECONNRESET);
    r.Settle();
    EXPECT_EQ(r.Count(FD_CLOSE), 1);
    // A send now fails with an error, and SIGPIPE does not end the test program.
    int n = WsSend(p.ours, "x", 1, 0);
    EXPECT_EQ(n, SOCKET_ERROR);
    EXPECT_TRUE(WsGetLastError() == WSAECONNRESET || WsGetLastError() == WSAECONNABORTED) << WsGetLastError();
}

TEST(SocketNotify, AfterThePeersOrderlyCloseSendsStillGetWriteAndAResetItsClose)
{
    Recorder r;
    Pair p(r, FD_READ | FD_WRITE | FD_CLOSE);
    ::shutdown(p.peer, SHUT_WR);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_CLOSE) == 1; }));
    std::vector<char> chunk(65536, 'x');
    while (WsSend(p.ours, chunk.data(), static_cast<int>(chunk.size()), 0) > 0) {
    }
    ASSERT_EQ(WsGetLastError(), WSAEWOULDBLOCK);
    const int writes = r.Count(FD_WRITE);
    char buf[1 << 16];
    for (int round = 0; round < 500 && r.Count(FD_WRITE) == writes; ++round) {
        ::recv(p.peer, buf, sizeof buf, MSG_DONTWAIT); // the peer reads on
        r.Settle(10);
    }
    EXPECT_EQ(r.Count(FD_WRITE), writes + 1);
    while (WsSend(p.ours, chunk.data(), static_cast<int>(chunk.size()), 0) > 0) {
    }
    ResetClose(p.peer);
    p.peer = -1;
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_CLOSE) == 2; }));
    EXPECT_EQ(r.events.back().error, WSAECONNRESET);
    r.Settle();
    EXPECT_EQ(r.Count(FD_CLOSE), 2);
}

TEST(SocketNotify, AcceptIsPostedAgainAfterEachAccept)
{
    Recorder r;
    SOCKET l = WsSocket(AF_INET_W, SOCK_STREAM_W, IPPROTO_TCP_W);
    ASSERT_EQ(WsBind(l, Loopback(0)), 0);
    ASSERT_EQ(WsListen(l, 5), 0);
    sockaddr_in bound{};
    WsGetSockName(l, &bound);
    ASSERT_EQ(WsAsyncSelect(l, r.hwnd, kMsg, FD_READ | FD_WRITE | FD_ACCEPT | FD_CLOSE), 0);
    int c1 = ::socket(AF_INET, SOCK_STREAM, 0), c2 = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(::connect(c1, reinterpret_cast<sockaddr*>(&bound), sizeof bound), 0);
    ASSERT_EQ(::connect(c2, reinterpret_cast<sockaddr*>(&bound), sizeof bound), 0);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_ACCEPT) == 1; }));
    r.Settle();
    EXPECT_EQ(r.Count(FD_ACCEPT), 1);
    sockaddr_in peer{};
    SOCKET a1 = WsAccept(l, &peer);
    ASSERT_GE(a1, 0);
    EXPECT_EQ(peer.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_ACCEPT) == 2; }));
    SOCKET a2 = WsAccept(l, nullptr);
    ASSERT_GE(a2, 0);
    r.Settle();
    EXPECT_EQ(r.Count(FD_ACCEPT), 2);
    EXPECT_EQ(WsAccept(l, nullptr), INVALID_SOCKET);
    EXPECT_EQ(WsGetLastError(), WSAEWOULDBLOCK);
    for (int fd : {a1, a2, l})
        WsCloseSocket(fd);
    ::close(c1);
    ::close(c2);
}

TEST(SocketNotify, ClosingDropsQueuedNotificationsEvenWhenTheDescriptorIsReused)
{
    Recorder r;
    Pair p(r, FD_READ | FD_WRITE | FD_CLOSE);
    ::send(p.peer, "data", 4, 0);
    ::close(p.peer);
    p.peer = -1;
    // Let the notifications reach the queue without dispatching them.
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    MSG m;
    while (PendingMessageCount() < 2 && std::chrono::steady_clock::now() < end) {
        PeekMessage(m, false);
        WaitMessage(50);
    }
    ASSERT_GE(PendingMessageCount(), 2u); // write and read are waiting
    ASSERT_TRUE(PostSocketMessage(r.hwnd, kMsg, p.ours, MakeLParam(FD_WRITE, 0)));
    int old = p.ours;
    ASSERT_EQ(WsCloseSocket(old), 0);
    p.ours = -1;
    EXPECT_EQ(PendingMessageCount(), 0u);

    // Take descriptors until the old number comes back (the lowest free one is used).
    std::vector<SOCKET> others;
    SOCKET fresh = WsSocket(AF_INET_W, SOCK_STREAM_W, IPPROTO_TCP_W);
    while (fresh != old && others.size() < 16) {
        others.push_back(fresh);
        fresh = WsSocket(AF_INET_W, SOCK_STREAM_W, IPPROTO_TCP_W);
    }
    for (SOCKET o : others)
        WsCloseSocket(o);
    ASSERT_EQ(fresh, old);
    ASSERT_EQ(WsAsyncSelect(fresh, r.hwnd, kMsg, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
    r.Settle(300);
    EXPECT_TRUE(r.events.empty()) << "stale notification bits " << (r.events.empty() ? 0 : r.events[0].bits);
    WsCloseSocket(fresh);
}

TEST(SocketNotify, MaskZeroStopsNotificationsAndReselectingDeliversWaitingData)
{
    Recorder r;
    Pair p(r, FD_READ | FD_CLOSE);
    ASSERT_EQ(WsAsyncSelect(p.ours, r.hwnd, 0, 0), 0);
    ::send(p.peer, "zz", 2, 0);
    r.Settle();
    EXPECT_TRUE(r.events.empty());
    ASSERT_EQ(WsAsyncSelect(p.ours, r.hwnd, kMsg, FD_READ | FD_CLOSE), 0);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_READ) == 1; }));
}

TEST(SocketNotify, DatagramsAnnounceReadAndWrite)
{
    Recorder r;
    SOCKET u = WsSocket(AF_INET_W, SOCK_DGRAM_W, IPPROTO_UDP_W);
    ASSERT_EQ(WsBind(u, Loopback(0)), 0);
    sockaddr_in bound{};
    WsGetSockName(u, &bound);
    ASSERT_EQ(WsAsyncSelect(u, r.hwnd, kMsg, FD_READ | FD_WRITE | FD_CLOSE), 0);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_WRITE) == 1; }));
    int c = ::socket(AF_INET, SOCK_DGRAM, 0);
    ::sendto(c, "ping", 4, 0, reinterpret_cast<sockaddr*>(&bound), sizeof bound);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_READ) == 1; }));
    char buf[16];
    sockaddr_in from{};
    EXPECT_EQ(WsRecvFrom(u, buf, sizeof buf, 0, &from), 4);
    EXPECT_EQ(from.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
    ::close(c);
    WsCloseSocket(u);
}

TEST(SocketApi, ErrnoIsMappedToTheLibraryNumbering)
{
    const int mapped[][2] = {{0, 0}, {EAGAIN, WSAEWOULDBLOCK}, {ECONNRESET, 10054}, {EPIPE, 10054}, {ECONNREFUSED, 10061}, {ENOTCONN, 10057}, {EBADF, 10038}, {EADDRINUSE, 10048}, {ETIMEDOUT, 10060}, {EHOSTUNREACH, 10065}};
    for (const auto& m : mapped)
        EXPECT_EQ(ErrnoToWsaError(m[0]), m[1]) << "errno " << m[0];
    EXPECT_EQ(GaiErrorToWsaError(EAI_NONAME), 11001);
    EXPECT_EQ(GaiErrorToWsaError(EAI_AGAIN), 11002);

    char c;
    EXPECT_EQ(WsRecv(-1, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WsGetLastError(), WSAENOTSOCK);
    SOCKET s = WsSocket(AF_INET_W, SOCK_STREAM_W, IPPROTO_TCP_W);
    EXPECT_EQ(WsRecv(s, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WsGetLastError(), WSAENOTCONN);
    WsCloseSocket(s);
    EXPECT_EQ(WsInetAddr("10.1.2.3"), htonl(0x0A010203));
    EXPECT_EQ(WsInetAddr("no address"), INADDR_NONE_W);
    EXPECT_EQ(WsInetNtoa(htonl(0x7F000001)), "127.0.0.1");
    int proto = 0;
    EXPECT_TRUE(WsGetProtoByName("tcp", proto));
    EXPECT_EQ(proto, 6);
    std::uint16_t port = 0;
    EXPECT_TRUE(WsGetServByName("http", "tcp", port));
    EXPECT_EQ(ntohs(port), 80);
}

TEST(SocketLibrary, StartsOnFirstCallAfterAStop)
{
    WsInetAddr("1.2.3.4");
    ASSERT_TRUE(SocketLibraryRunning());
    int starts = SocketLibraryStartCount();
    int stops = SocketLibraryStopCount();
    SocketLibraryStop();
    EXPECT_FALSE(SocketLibraryRunning());
    EXPECT_EQ(SocketLibraryStopCount(), stops + 1);
    SocketLibraryStop(); // already stopped: nothing
    EXPECT_EQ(SocketLibraryStopCount(), stops + 1);
    WsHtons(80);
    EXPECT_TRUE(SocketLibraryRunning());
    EXPECT_EQ(SocketLibraryStartCount(), starts + 1);
}

TEST(SocketNotify, AStreamOfPostedMessagesDoesNotStarveTheNetwork)
{
    Pair p;
    int reposts = 0;
    bool readSeen = false;
    HWND busy = 0;
    busy = CreateHiddenWindow([&](UINT m, WPARAM w, LPARAM l) {
        if (m == kMsg && LoWord(l) == FD_READ && static_cast<int>(w) == p.ours) readSeen = true;
        if (m == WM_USER + 7 && !readSeen && reposts < 100000) {
            ++reposts;
            PostMessage(busy, WM_USER + 7, 0, 0); // always something queued
        }
        return LRESULT(0);
    });
    ASSERT_EQ(WsAsyncSelect(p.ours, busy, kMsg, FD_READ | FD_CLOSE), 0);
    ::send(p.peer, "now", 3, 0);
    PostMessage(busy, WM_USER + 7, 0, 0);
    MSG m;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!readSeen && std::chrono::steady_clock::now() < end) {
        if (PeekMessage(m))
            DispatchMessage(m);
        else
            WaitMessage(100);
    }
    EXPECT_TRUE(readSeen);
    EXPECT_LT(reposts, 100000);
    while (PeekMessage(m)) {
    }
    WsCloseSocket(p.ours);
    p.ours = -1;
    DestroyWindow(busy);
}

static void ExpectSleepingWait()
{
    rusage before{}, after{};
    getrusage(RUSAGE_THREAD, &before);
    EXPECT_FALSE(WaitMessage(300));
    getrusage(RUSAGE_THREAD, &after);
    double cpu = (after.ru_utime.tv_sec - before.ru_utime.tv_sec) + (after.ru_stime.tv_sec - before.ru_stime.tv_sec) +
        ((after.ru_utime.tv_usec - before.ru_utime.tv_usec) + (after.ru_stime.tv_usec - before.ru_stime.tv_usec)) / 1e6;
    EXPECT_LT(cpu, 0.05);
}

TEST(SocketNotify, IdleConnectionsLetTheWaitSleep)
{
    Recorder r;
    Pair open, halfClosed;
    ASSERT_EQ(WsAsyncSelect(open.ours, r.hwnd, kMsg, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
    ASSERT_EQ(WsAsyncSelect(halfClosed.ours, r.hwnd, kMsg, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
    // One peer sent data and left: the data stays unread, so nothing more may be said.
    ::send(halfClosed.peer, "left", 4, 0);
    ::shutdown(halfClosed.peer, SHUT_WR);
    ASSERT_TRUE(r.Until([&] { return r.Count(FD_READ) == 1 && r.Count(FD_WRITE) == 2; }));
    ExpectSleepingWait();
    EXPECT_EQ(r.Count(FD_CLOSE), 0);
}

TEST(SocketNotify, AReadNotificationLeftUnansweredLetsTheWaitSleepAndKeepsTheCloseBehindTheData)
{
    Recorder r;
    Pair open(r, FD_READ | FD_CLOSE), closing(r, FD_READ | FD_CLOSE);
    auto count = [&](int fd, int bits) {
        int n = 0;
        for (auto& e : r.events)
            n += e.fd == fd && e.bits == bits;
        return n;
    };
    ::send(open.peer, "abc", 3, 0);
    ::send(closing.peer, "abc", 3, 0);
    ASSERT_TRUE(r.Until([&] { return count(open.ours, FD_READ) == 1 && count(closing.ours, FD_READ) == 1; }));
    // The peer ends while its notification still waits for a receive.
    ::shutdown(closing.peer, SHUT_WR);
    ExpectSleepingWait();
    EXPECT_EQ(count(closing.ours, FD_CLOSE), 0); // "abc" is still unread

    char buf[16];
    ASSERT_EQ(WsRecv(open.ours, buf, sizeof buf, 0), 3);
    ASSERT_EQ(WsRecv(closing.ours, buf, sizeof buf, 0), 3);
    ASSERT_TRUE(r.Until([&] { return count(closing.ours, FD_CLOSE) == 1; }));
    r.Settle();
    EXPECT_EQ(count(open.ours, FD_READ), 1);
    EXPECT_EQ(count(open.ours, FD_CLOSE), 0);
    EXPECT_EQ(count(closing.ours, FD_READ), 1);
    EXPECT_EQ(count(closing.ours, FD_CLOSE), 1);
}
