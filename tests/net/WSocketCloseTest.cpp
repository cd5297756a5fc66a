// How connections end and what a pause holds back, against real peers: a server that
// answers and resets, clients that reset before the accept, urgent data, own shutdowns.
#include "platform/Messages.h"
#include "platform/SocketLibrary.h"
#include "tests/net/WSocketEventLog.h"
#include "tests/net/WSocketTestSupport.h"

#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zuneigo::test {
namespace {

using namespace std::chrono_literals;

const char* kPeer = R"(import socket, struct, sys, time
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[2])))
s.listen(1)
c, _ = s.accept()
if sys.argv[1] == "answer-reset":
    c.recv(100)
    c.sendall(b"HTTP/1.0 302 Found\r\n\r\n")
    c.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
else:
    c.send(b"!", socket.MSG_OOB)
    time.sleep(0.2)
    c.sendall(b"after the urgent byte")
    time.sleep(0.2)
c.close()
)";

// A plain client connected to 127.0.0.1:port, or -1 when the connect does not complete in a second.
int RawConnect(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in a{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    pollfd p{fd, POLLOUT, 0};
    int err = 1;
    socklen_t len = sizeof err;
    if (::poll(&p, 1, 1000) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) return fd;
    ::close(fd);
    return -1;
}

void ListenLocal(TWSocket& server, int port)
{
    server.SetAddr("127.0.0.1");
    server.SetPort(std::to_string(port));
    server.Listen();
}

} // namespace

TEST(WSocketClose, AnswerThenResetIsReportedOnceAndTheNextConnectionToo)
{
    for (bool sendInHandler : {false, true}) {
        SCOPED_TRACE(sendInHandler ? "a send that fails" : "close");
        TempDir dir;
        int port = FreeTcpPort();
        Process first = StartPythonPeer(dir, "peer", kPeer, {"answer-reset", std::to_string(port)});
        ASSERT_TRUE(WaitForListener(port));
        ScriptedPeer second("send-close", "second");
        TWSocket s;
        EventLog log(s);
        s.OnDataAvailable = [&](TCustomWSocket*, std::uint16_t) {
            log.received += s.ReceiveText();
            if (log.received != "HTTP/1.0 302 Found\r\n\r\n") return;
            if (sendInHandler)
                s.SendText("more");
            else
                s.Close();
        };
        ASSERT_TRUE(ConnectAndWait(s, port));
        s.SendText("GET / HTTP/1.0\r\n\r\n");
        ASSERT_EQ(first.Wait(10s), 0); // answer and reset arrive in one notification
        ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; }));
        ConnectLocal(s, second.Port());
        ASSERT_TRUE(PumpUntil([&] { return log.received.ends_with("second") && s.State() == wsClosed; }));
        EXPECT_EQ(log.Count("closed 10054"), sendInHandler ? 1 : 0) << log.Text();
        EXPECT_EQ(log.Count("closed 0"), sendInHandler ? 1 : 2) << log.Text();
    }
}

TEST(WSocketClose, ClientResetBeforeTheAcceptIsReportedAfterIt)
{
    TWSocket server, accepted;
    EventLog log(accepted);
    server.OnSessionAvailable = [&](TCustomWSocket* l, std::uint16_t) { accepted.Dup(l->Accept()); };
    int port = FreeTcpPort();
    ListenLocal(server, port);
    int c = RawConnect(port);
    linger off{1, 0};
    ::setsockopt(c, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    ::close(c);
    ASSERT_TRUE(PumpUntil([&] { return log.Has("closed 10054"); }, 5s)) << log.Text();
    EXPECT_EQ(accepted.State(), wsClosed);
    EXPECT_EQ(accepted.HSocket(), platform::INVALID_SOCKET);
}

TEST(WSocketClose, UrgentByteThenDataIsNotTheEndOfTheStream)
{
    TempDir dir;
    int port = FreeTcpPort();
    Process peer = StartPythonPeer(dir, "peer", kPeer, {"urgent", std::to_string(port)});
    ASSERT_TRUE(WaitForListener(port));
    TWSocket s;
    EventLog log(s);
    s.OnDataAvailable = [&](TCustomWSocket*, std::uint16_t) { log.received += s.ReceiveText(); };
    ASSERT_TRUE(ConnectAndWait(s, port));
    ASSERT_TRUE(PumpUntil([&] { return log.Has("closed 0"); }));
    EXPECT_EQ(log.received, "after the urgent byte");
}

TEST(WSocketClose, OwnShutdownOfTheReceivingSideIsNotThePeersClose)
{
    for (int how : {0, 2}) {
        SCOPED_TRACE(how);
        ScriptedPeer peer("hold");
        TWSocket s;
        EventLog log(s);
        ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
        s.Shutdown(how);
        PumpFor(300ms);
        EXPECT_FALSE(log.Has("closed 0")) << log.Text();
        peer.Proc().Stop();
        ASSERT_TRUE(PumpUntil([&] { return log.Has("closed 0"); }, 5s)) << log.Text();
    }
}

// A notification queued before Pause is dropped by the paused component: Resume must say
// again what still holds, and a Flush in between must be woken by the socket itself.
TEST(WSocketClose, ResumeRepeatsWhatWasQueuedBeforeThePause)
{
    TempDir dir;
    const std::string data = Payload(4 << 20);
    for (bool bigSend : {true, false}) {
        SCOPED_TRACE(bigSend ? "write after a large send, flushed while paused" : "the peer's close");
        ScriptedPeer peer(bigSend ? "slow-reader" : "hold", dir.File("got"));
        TWSocket s;
        EventLog log(s);
        ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
        ASSERT_TRUE(PumpUntil([&] { return log.Has("sent 0"); }));
        log.items.clear();
        if (bigSend)
            s.Send(data.data(), static_cast<int>(data.size()));
        else
            peer.Proc().Stop();
        ASSERT_TRUE(platform::WaitMessage(10000)); // queued, not yet handled
        s.Pause();
        PumpFor(100ms);
        ::alarm(30); // a wait that nothing wakes ends the test here
        s.Flush();
        ::alarm(0);
        EXPECT_EQ(s.BufferedByteCount(), 0);
        s.Resume();
        EXPECT_TRUE(PumpUntil([&] { return log.Has(bigSend ? "sent 0" : "closed 0"); }, 10s)) << log.Text();
    }
}

TEST(WSocketClose, LookupRunningAtTheLastDestructionLeavesTheLibraryStopped)
{
    ASSERT_EQ(TCustomWSocket::LiveComponentCount(), 0);
    // The helper of a lookup may not have begun when its component goes: a race, so many.
    for (int i = 0; i < 100; ++i)
        TWSocket().DnsLookup("localhost");
    std::this_thread::sleep_for(500ms); // the lookup helpers finish
    EXPECT_FALSE(platform::SocketLibraryRunning());
}

TEST(WSocketClose, ListenBacklogServesABurstOfConnects)
{
    TWSocket server;
    int port = FreeTcpPort();
    server.SetListenBacklog(32);
    ListenLocal(server, port);
    for (int i = 0; i < 20; ++i) {
        int c = RawConnect(port); // never accepted: the backlog alone holds them
        EXPECT_GE(c, 0) << "connect " << i;
        ::close(c);
    }
}

} // namespace zuneigo::test
