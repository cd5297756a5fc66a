// Name lookups, listening, accepting, adopting handles, pausing, the library's start and
// stop, and stale notifications when a descriptor number comes back.
#include "net/WSocket.h"
#include "platform/SocketLibrary.h"
#include "tests/net/WSocketEventLog.h"
#include "tests/net/WSocketTestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace zuneigo;
using namespace zuneigo::test;

TEST(WSocketLookup, ForwardLookupResults)
{
    // A dotted address answers before DnsLookup returns; names are looked up asynchronously.
    struct Case {
        const char* name;
        bool async;
        const char* text;
        const char* result;
    };
    for (const Case& c : {Case{"127.1", false, "dns 0", "127.0.0.1"}, Case{"localhost", true, "dns 0", "127.0.0.1"},
                          Case{"nosuchhost.invalid", true, "dns 11001", ""}}) {
        SCOPED_TRACE(c.name);
        TWSocket s;
        EventLog log(s);
        s.DnsLookup(c.name);
        EXPECT_EQ(log.items.empty(), c.async);
        EXPECT_EQ(s.LookupHandle() != 0, c.async);
        ASSERT_TRUE(PumpUntil([&] { return !log.items.empty(); }));
        EXPECT_EQ(log.Text(), c.text);
        EXPECT_EQ(s.DnsResult(), c.result);
        // Only a real lookup fills the list; a dotted address is not looked up.
        EXPECT_EQ(s.DnsResultList().empty(), !c.async || *c.result == 0);
        if (!s.DnsResultList().empty()) {
            EXPECT_EQ(s.DnsResultList()[0], "127.0.0.1");
        }
        EXPECT_EQ(s.LookupHandle(), 0u);
    }
}

TEST(WSocketLookup, SecondLookupCancelsTheFirstAndReverseLookupGivesTheName)
{
    TWSocket s;
    EventLog log(s);
    s.DnsLookup("nosuchhost.invalid");
    s.DnsLookup("localhost");
    ASSERT_TRUE(PumpUntil([&] { return !log.items.empty(); }));
    PumpFor(std::chrono::milliseconds(500));
    EXPECT_EQ(log.Text(), "dns 0");
    EXPECT_EQ(s.DnsResult(), "127.0.0.1");

    // The reverse lookup gives one name, also as the list.
    log.items.clear();
    s.ReverseDnsLookup("127.0.0.1");
    ASSERT_TRUE(PumpUntil([&] { return !log.items.empty(); }));
    EXPECT_EQ(log.Text(), "dns 0");
    EXPECT_FALSE(s.DnsResult().empty());
    ASSERT_EQ(s.DnsResultList().size(), 1u);
    EXPECT_EQ(s.DnsResultList()[0], s.DnsResult());
}

TEST(WSocketLookup, CancelReports10004AndDestructionReportsNothing)
{
    TWSocket s;
    EventLog log(s);
    s.DnsLookup("localhost");
    s.CancelDnsLookup();
    EXPECT_EQ(log.Text(), "dns 10004");
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(log.Text(), "dns 10004");
    s.CancelDnsLookup(); // nothing pending: nothing happens
    EXPECT_EQ(log.items.size(), 1u);

    EventLog log2;
    {
        TWSocket t;
        log2.Attach(t);
        t.DnsLookup("localhost");
    }
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(log2.items.empty());
}

TEST(WSocketLookup, EmptyHostRaisesOrReportsThroughOnError)
{
    TWSocket s;
    EventLog log(s);
    EXPECT_EQ(RaisedText([&] { s.DnsLookup(""); }), "DNS lookup: invalid host name.");
    EXPECT_TRUE(log.items.empty());
    s.OnError = [&](TCustomWSocket*) { log.items.push_back("error"); };
    s.DnsLookup("");
    s.ReverseDnsLookup("");
    EXPECT_EQ(log.Text(), "error, dns 10022, error, dns 10022");
}

TEST(WSocketListen, AcceptWhileNotListeningIsReported)
{
    TWSocket s;
    EXPECT_EQ(RaisedText([&] { s.Accept(); }), "Error 10022 in function not a listening socket\r\nInvalid argument");
    int errors = 0;
    s.OnError = [&](TCustomWSocket*) { ++errors; };
    EXPECT_EQ(s.Accept(), -1);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(s.LastError(), 10022);
}

TEST(WSocketListen, ListenNeedsPortAndAddress)
{
    TWSocket s;
    EXPECT_EQ(RaisedText([&] { s.Listen(); }), "Error 10022 in function listen: port not assigned\r\nInvalid argument");
    s.SetPort("0");
    EXPECT_EQ(RaisedText([&] { s.Listen(); }), "Error 10022 in function listen: address not assigned\r\nInvalid argument");
    EXPECT_EQ(s.State(), wsClosed);
}

TEST(WSocketListen, BindFailureLeavesTheComponentClosed)
{
    TWSocket first, second;
    int port = FreeTcpPort();
    for (TWSocket* s : {&first, &second}) {
        s->SetAddr("127.0.0.1");
        s->SetPort(std::to_string(port));
    }
    first.Listen();
    EXPECT_EQ(first.State(), wsListening);
    EXPECT_EQ(first.GetLocalPortText(), std::to_string(port));
    EXPECT_EQ(RaisedText([&] { second.Listen(); }), "Error 10048 in function Bind\r\nAddress already in use");
    EXPECT_EQ(second.State(), wsClosed);
    EXPECT_EQ(second.HSocket(), -1);
}

TEST(WSocketListen, ListenFailureLeavesTheComponentClosed)
{
    // Another socket bound to the same port starts listening between our bind and listen.
    const int other = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(other, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(other, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    ::getsockname(other, reinterpret_cast<sockaddr*>(&a), &len);
    TWSocket s;
    s.SetAddr("127.0.0.1");
    s.SetPort(std::to_string(ntohs(a.sin_port)));
    s.SetReuseAddr(true);
    std::string states;
    s.OnChangeState = [&](TCustomWSocket*, TSocketState, TSocketState state) {
        states += std::to_string(state);
        if (state == wsBound) ::listen(other, 5);
    };
    EXPECT_EQ(RaisedText([&] { s.Listen(); }), "Error 10048 in function Listen\r\nAddress already in use");
    EXPECT_EQ(states, "27");
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(s.HSocket(), -1);
    ::close(other);
}

TEST(WSocketListen, StreamListenSequenceAcceptAndDup)
{
    TWSocket server;
    EventLog log(server);
    int port = FreeTcpPort();
    server.SetAddr("0.0.0.0");
    server.SetPort(std::to_string(port));
    std::unique_ptr<TWSocket> client;
    EventLog clientLog;
    server.OnSessionAvailable = [&](TCustomWSocket* sender, std::uint16_t e) {
        log.items.push_back("available " + std::to_string(e));
        SOCKET h = sender->Accept();
        EXPECT_EQ(h, sender->AcceptedHandle());
        client = std::make_unique<TWSocket>();
        clientLog.Attach(*client);
        client->Dup(h);
    };
    server.Listen();
    EXPECT_EQ(log.Text(), "state 7->2, state 2->6");

    TWSocket outgoing;
    bool connected = false;
    outgoing.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) { connected = true; };
    outgoing.SetAddr("127.0.0.1");
    outgoing.SetPort(std::to_string(port));
    outgoing.SetLingerOnOff(wsLingerOff); // a graceful close (the default resets)
    outgoing.Connect();
    ASSERT_TRUE(PumpUntil([&] { return connected && client != nullptr; }));
    EXPECT_EQ(log.Count("available 0"), 1);
    EXPECT_EQ(client->State(), wsConnected);
    EXPECT_EQ(client->PeerAddr(), "127.0.0.1");
    EXPECT_EQ(client->PeerPort(), outgoing.GetLocalPortText());
    EXPECT_EQ(clientLog.items.front(), "state 7->4");
    // The adopted socket is writable at once and says so.
    ASSERT_TRUE(PumpUntil([&] { return clientLog.Has("sent 0"); }));
    outgoing.SendText("to the server");
    ASSERT_TRUE(PumpUntil([&] { return clientLog.received == "to the server"; }));
    client->SendText("to the client");
    std::string back;
    outgoing.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) { back += sender->ReceiveText(); };
    ASSERT_TRUE(PumpUntil([&] { return back == "to the client"; }));
    outgoing.Close();
    ASSERT_TRUE(PumpUntil([&] { return client->State() == wsClosed; }));
    EXPECT_EQ(clientLog.Count("closed 0"), 1);
    EXPECT_EQ(server.State(), wsListening);

    // Dup replaces an open handle; invalid handles are refused.
    TWSocket adopter;
    EXPECT_THROW(adopter.Dup(-1), ESocketException);
    EXPECT_THROW(adopter.Dup(0), ESocketException);
}

TEST(WSocketListen, DatagramListenEndsConnected)
{
    TWSocket s;
    EventLog log(s);
    s.SetProto("udp");
    s.SetAddr("127.0.0.1");
    s.SetPort(std::to_string(FreeTcpPort()));
    s.Listen();
    EXPECT_EQ(s.State(), wsConnected);
    EXPECT_EQ(log.Text(), "state 7->2, state 2->6, state 6->4, connected 0");
    int u = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<uint16_t>(std::stoi(s.Port())));
    ::sendto(u, "datagram", 8, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ASSERT_TRUE(PumpUntil([&] { return log.received == "datagram"; }));
    ::close(u);
}

TEST(WSocketListen, PauseHoldsNotificationsUntilResume)
{
    ScriptedPeer peer("echo");
    TWSocket s;
    EventLog log(s);
    ConnectLocal(s, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return log.Has("connected 0"); }));
    s.Pause();
    EXPECT_TRUE(s.Paused());
    s.SendText("paused");
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(log.received, "");
    s.Resume();
    ASSERT_TRUE(PumpUntil([&] { return log.received == "paused"; }));
    s.Close();
}

TEST(WSocketLifetime, StaleNotificationNeverReachesTheSocketThatGotTheSameDescriptor)
{
    // First connection: notifications of it are queued, not yet handled, when the
    // component closes its socket.
    ScriptedPeer first("echo");
    TWSocket s;
    EventLog log(s);
    ConnectLocal(s, first.Port());
    ASSERT_TRUE(PumpUntil([&] { return log.Has("sent 0"); }));
    PumpFor(std::chrono::milliseconds(50));
    s.SendText("x"); // queues the component's own write notification; the echo a read
    platform::MSG m;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (platform::PendingMessageCount() < 2 && std::chrono::steady_clock::now() < end) {
        platform::PeekMessage(m, false); // collect without dispatching
        platform::WaitMessage(20);
    }
    ASSERT_EQ(platform::PendingMessageCount(), 2u);
    SOCKET old = s.HSocket();
    s.Close();
    EXPECT_EQ(platform::PendingMessageCount(), 0u); // both dropped with the socket
    log.items.clear();

    // Second connection on the same component: the same descriptor number comes back.
    ScriptedPeer second("hold");
    ConnectLocal(s, second.Port());
    ASSERT_EQ(s.HSocket(), old);
    ASSERT_TRUE(PumpUntil([&] { return log.Has("connected 0"); }));
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(log.Text(), "state 7->1, state 1->3, state 3->4, connected 0, sent 0");
    EXPECT_EQ(log.received, "");
    EXPECT_EQ(s.State(), wsConnected);
    s.Close();
}

TEST(WSocketLifetime, LibraryStartsAgainAfterTheLastComponentIsDestroyed)
{
    ASSERT_EQ(TCustomWSocket::LiveComponentCount(), 0);
    {
        TWSocket s;
        s.DnsLookup("127.0.0.1");
        EXPECT_TRUE(platform::SocketLibraryRunning());
        EXPECT_EQ(TCustomWSocket::LiveComponentCount(), 1);
    }
    EXPECT_EQ(TCustomWSocket::LiveComponentCount(), 0);
    EXPECT_FALSE(platform::SocketLibraryRunning());
    int starts = platform::SocketLibraryStartCount();
    {
        TWSocket a;
        TWSocket b;
        EXPECT_FALSE(platform::SocketLibraryRunning()); // creating does not start it
        a.DnsLookup("127.0.0.1");
        EXPECT_TRUE(platform::SocketLibraryRunning());
        EXPECT_EQ(platform::SocketLibraryStartCount(), starts + 1);
    }
    EXPECT_FALSE(platform::SocketLibraryRunning());
    // And a real connection works after the restart.
    ScriptedPeer peer("send-close", "after restart");
    TWSocket s;
    EventLog log(s);
    ConnectLocal(s, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return log.Has("closed 0"); }));
    EXPECT_EQ(log.received, "after restart");
    EXPECT_EQ(platform::SocketLibraryStartCount(), starts + 2);
}

TEST(WSocketLifetime, ComponentInAWorkerThreadUsesThatThreadsQueue)
{
    ScriptedPeer peer("echo");
    std::string echoed;
    bool terminated = false;
    std::size_t mainQueueAfter = 99;
    std::thread worker([&] {
        TWSocket s;
        s.SetMultiThreaded(true);
        s.OnSessionConnected = [](TCustomWSocket* sender, std::uint16_t) { sender->SendText("from the worker"); };
        s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) { echoed += sender->ReceiveText(); };
        ConnectLocal(s, peer.Port());
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (echoed.size() < 15 && std::chrono::steady_clock::now() < end) {
            s.PumpMessages();
            if (echoed.size() < 15) platform::WaitMessage(200);
        }
        platform::PostQuitMessage(0);
        s.PumpMessages();
        terminated = s.Terminated();
        s.Close();
    });
    worker.join();
    mainQueueAfter = platform::PendingMessageCount();
    EXPECT_EQ(echoed, "from the worker");
    EXPECT_TRUE(terminated);
    EXPECT_EQ(mainQueueAfter, 0u); // nothing of the worker's landed on this thread
}
