// Event sequences of client connections: connect, refusal, peer close, data delivery,
// exceptions in handlers, property rules.
#include "net/WSocket.h"
#include "tests/net/WSocketEventLog.h"
#include "tests/net/WSocketTestSupport.h"

#include <gtest/gtest.h>

using namespace zuneigo;
using namespace zuneigo::test;

TEST(WSocketEvents, RefusedConnectionGivesTheFixedSequence)
{
    TWSocket s;
    EventLog log(s);
    ConnectLocal(s, FreeTcpPort()); // nothing listens there
    EXPECT_EQ(s.State(), wsConnecting);
    ASSERT_TRUE(PumpUntil([&] { return log.Has("closed 0"); })) << log.Text();
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(log.Text(), "state 7->1, state 1->3, state 3->4, connected 10061, state 4->7, closed 0");
    EXPECT_EQ(s.State(), wsClosed);
}

TEST(WSocketEvents, PeerThatAcceptsAndClosesGivesConnectedThenClosed)
{
    ScriptedPeer peer("close");
    TWSocket s;
    EventLog log(s);
    ConnectLocal(s, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return log.Has("closed 0"); })) << log.Text();
    PumpFor(std::chrono::milliseconds(100));
    // The write notification after the connect reports the empty chain; the close
    // notification runs the receive loop once before it reports the close.
    EXPECT_EQ(log.Text(), "state 7->1, state 1->3, state 3->4, connected 0, sent 0, data 0, closed 0, state 4->7");
}

TEST(WSocketEvents, PendingDataIsDeliveredBeforeTheOneCloseEvent)
{
    const std::string greeting(100000, 'g');
    ScriptedPeer peer("send-close", greeting);
    TWSocket s;
    EventLog log;
    log.readChunk = 1000; // many passes of the receive loop
    log.Attach(s);
    int closes = 0;
    std::size_t receivedAtClose = 0;
    auto base = s.OnSessionClosed;
    s.OnSessionClosed = [&](TCustomWSocket* sender, std::uint16_t e) {
        ++closes;
        receivedAtClose = log.received.size();
        base(sender, e);
        sender->Close(); // closing again inside the handler fires nothing more
    };
    ConnectLocal(s, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed && closes > 0; })) << log.Text();
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(receivedAtClose, greeting.size());
    EXPECT_EQ(log.received, greeting);
    EXPECT_EQ(log.Count("closed 0"), 1);
}

TEST(WSocketEvents, DataWithoutAHandlerIsDiscardedAndTheCloseStillReported)
{
    ScriptedPeer peer("send-close", std::string(50000, 'x'));
    TWSocket s;
    EventLog log(s);
    s.OnDataAvailable = nullptr;
    ConnectLocal(s, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return log.Has("closed 0"); })) << log.Text();
    EXPECT_EQ(s.State(), wsClosed);
}

TEST(WSocketEvents, HandlerThatReadsLittleStillGetsEverything)
{
    // With the receive loop one notification delivers all; without it each notification
    // is one call (here of 2 bytes).
    for (bool loop : {true, false}) {
        SCOPED_TRACE(loop ? "receive loop" : "no receive loop");
        ScriptedPeer peer(loop ? "send-close" : "send-reset", "0123456789");
        TWSocket s;
        if (!loop) s.SetComponentOptions({wsoNoReceiveLoop});
        std::string got;
        int calls = 0;
        bool closed = false;
        s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
            ++calls;
            char c[2];
            int n = sender->Receive(c, loop ? 1 : 2);
            if (n > 0) got.append(c, static_cast<std::size_t>(n));
        };
        s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { closed = true; };
        ConnectLocal(s, peer.Port());
        ASSERT_TRUE(PumpUntil([&] { return loop ? closed : got.size() == 10; }));
        EXPECT_EQ(got, "0123456789");
        if (loop) {
            EXPECT_EQ(s.ReadCount(), 0); // the close reset the counter
        } else {
            EXPECT_EQ(calls, 5);
        }
    }
}

TEST(WSocketEvents, ExceptionInSessionConnectedAbortsTheConnectionQuietly)
{
    ScriptedPeer peer("hold");
    TWSocket s;
    EventLog log(s);
    s.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) { throw ESocketException("handler failed"); };
    ConnectLocal(s, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; })) << log.Text();
    EXPECT_EQ(s.HSocket(), -1);
}

TEST(WSocketEvents, BgExceptionHandlerSeesTheExceptionAndMayKeepTheConnection)
{
    ScriptedPeer peer("hold");
    TWSocket s;
    std::string seen;
    s.OnBgException = [&](TCustomWSocket*, const Exception& e, bool& canClose) {
        seen = e.what();
        canClose = false;
    };
    ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
    platform::PostMessage(s.WindowHandle(), WM_SOCKET_TEST_EXCEPTION, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, "Test exception in WSocket");
    EXPECT_EQ(s.State(), wsConnected);
    s.Close();
}

TEST(WSocketEvents, ExceptionInDataAvailableEndsOnlyThatDelivery)
{
    ScriptedPeer peer("echo");
    TWSocket s;
    int bg = 0, calls = 0;
    std::string got;
    s.OnBgException = [&](TCustomWSocket*, const Exception&, bool&) { ++bg; };
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        ++calls;
        got += sender->ReceiveText();
        if (calls == 1) throw ESocketException("first delivery fails");
    };
    ASSERT_TRUE(ConnectAndWait(s, peer.Port()));
    s.SendText("one");
    ASSERT_TRUE(PumpUntil([&] { return got == "one"; }));
    s.SendText("two");
    ASSERT_TRUE(PumpUntil([&] { return got == "onetwo"; }));
    EXPECT_EQ(s.State(), wsConnected);
    EXPECT_EQ(bg, 0);
    s.Close();
}

TEST(WSocketEvents, ConnectChecksPortAddressAndUse)
{
    TWSocket s;
    EXPECT_EQ(RaisedText([&] { s.Connect(); }), "Connect: No Port Specified");
    s.SetPort("80");
    EXPECT_EQ(RaisedText([&] { s.Connect(); }), "Connect: No IP Address Specified");
    s.SetProto("");
    s.SetAddr("127.0.0.1");
    EXPECT_THROW(s.Connect(), ESocketException); // no protocol
    s.SetProto("nosuchproto");
    EXPECT_TRUE(RaisedText([&] { s.Connect(); }).starts_with("connect: WSocketResolveProto: Cannot convert protocol"));
    // With OnError assigned nothing is raised; the code is in LastError for library errors.
    int errors = 0;
    s.OnError = [&](TCustomWSocket*) { ++errors; };
    TWSocket t;
    t.OnError = s.OnError;
    t.Connect();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(t.State(), wsClosed);
}

TEST(WSocketEvents, AfterACloseAddrAndPortMustBeSetAgain)
{
    ScriptedPeer peer("close");
    TWSocket s;
    bool closed = false;
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { closed = true; };
    ConnectLocal(s, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return closed && s.State() == wsClosed; }));
    EXPECT_EQ(s.Addr(), "127.0.0.1");
    EXPECT_EQ(s.Port(), std::to_string(peer.Port()));
    EXPECT_EQ(RaisedText([&] { s.Connect(); }), "Connect: No Port Specified");
    // Setting the same texts again counts.
    ScriptedPeer again("close");
    closed = false;
    ConnectLocal(s, again.Port());
    ASSERT_TRUE(PumpUntil([&] { return closed; }));
}

TEST(WSocketEvents, PropertiesCannotChangeWhileConnectedButTheSameTextIsAccepted)
{
    ScriptedPeer peer("hold");
    TWSocket s;
    bool connected = false;
    s.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) { connected = true; };
    EXPECT_EQ(s.PeerAddr(), "error");
    EXPECT_EQ(s.PeerPort(), "error");
    EXPECT_EQ(s.GetLocalPortText(), "error");
    ConnectLocal(s, peer.Port());
    EXPECT_EQ(s.PeerAddr(), "error"); // connecting
    ASSERT_TRUE(PumpUntil([&] { return connected; }));
    EXPECT_EQ(s.PeerAddr(), "127.0.0.1");
    EXPECT_EQ(s.PeerPort(), std::to_string(peer.Port()));
    EXPECT_NE(s.GetLocalPortText(), "error");
    EXPECT_NO_THROW(s.SetPort(std::to_string(peer.Port())));
    EXPECT_EQ(RaisedText([&] { s.SetPort("81"); }), "Cannot change Port if not closed");
    EXPECT_THROW(s.SetAddr("10.0.0.1"), ESocketException);
    EXPECT_THROW(s.SetProto("udp"), ESocketException);
    EXPECT_THROW(s.SetLocalPort("1"), ESocketException);
    EXPECT_THROW(s.SetLocalAddr("1.2.3.4"), ESocketException);
    s.Close();
    EXPECT_EQ(s.PeerAddr(), "error");
    EXPECT_EQ(s.PeerPort(), "error");
}

TEST(WSocketEvents, LocalAddressSettersNormaliseAndReject)
{
    TWSocket s;
    s.SetLocalAddr("");
    EXPECT_EQ(s.LocalAddr(), "0.0.0.0");
    s.SetLocalAddr("127.1");
    EXPECT_EQ(s.LocalAddr(), "127.0.0.1");
    EXPECT_EQ(RaisedText([&] { s.SetLocalAddr("not an address"); }), "SetLocalAddr(): Invalid IP address");
    int errors = 0;
    s.OnError = [&](TCustomWSocket*) { ++errors; };
    s.SetLocalAddr("bad");
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(s.LocalAddr(), "255.255.255.255");
    s.SetLocalPort(" 12 ");
    EXPECT_EQ(s.LocalPort(), " 12 ");
    s.SetAddr("  host  ");
    EXPECT_EQ(s.Addr(), "host");
}

TEST(WSocketEvents, BoundLocalPortIsReportedBack)
{
    ScriptedPeer peer("hold");
    TWSocket s;
    bool connected = false;
    s.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) { connected = true; };
    int local = FreeTcpPort();
    s.SetLocalAddr("127.0.0.1");
    s.SetLocalPort(std::to_string(local));
    ConnectLocal(s, peer.Port());
    EXPECT_EQ(s.LocalPort(), std::to_string(local));
    ASSERT_TRUE(PumpUntil([&] { return connected; }));
    EXPECT_EQ(s.GetLocalPortText(), std::to_string(local));
    s.Close();
    EXPECT_EQ(s.LocalPort(), "0"); // defaults again
}

TEST(WSocketEvents, CloseLaterAndFreeLaterActAfterTheHandlerReturns)
{
    ScriptedPeer peer("hold");
    bool closedInside = true, destroyed = false;
    struct Watch : TWSocket {
        bool* flag;
        explicit Watch(bool* f) : flag(f) {}
        ~Watch() override { *flag = true; }
    };
    auto* w = new Watch(&destroyed);
    w->OnSessionConnected = [&](TCustomWSocket* sender, std::uint16_t) {
        sender->CloseLater();
        closedInside = sender->State() == wsClosed;
    };
    bool closed = false;
    w->OnSessionClosed = [&](TCustomWSocket* sender, std::uint16_t) {
        closed = true;
        sender->FreeLater();
    };
    ConnectLocal(*w, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
    EXPECT_FALSE(closedInside);
    EXPECT_TRUE(closed);
}

TEST(WSocketEvents, UdpConnectSendsAndReceivesDatagrams)
{
    ScriptedPeer peer("udp-echo");
    TWSocket s;
    EventLog log(s);
    s.SetProto("udp");
    ConnectLocal(s, peer.Port());
    EXPECT_EQ(s.State(), wsConnected);
    EXPECT_EQ(log.Text(), "state 7->1, state 1->4, connected 0");
    EXPECT_EQ(s.SendText("ping"), 4);
    ASSERT_TRUE(PumpUntil([&] { return log.received == "PING"; })) << log.Text();
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(peer.Port()));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int sent = 0;
    s.OnSendData = [&](TCustomWSocket*, int n) { sent += n; };
    EXPECT_EQ(s.SendTo(to, sizeof to, "direct", 6), 6);
    EXPECT_EQ(sent, 6);
    char buf[32];
    sockaddr_in from{};
    int fromLen = 0;
    int n = 0;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) { n = sender->ReceiveFrom(buf, sizeof buf, from, fromLen); };
    ASSERT_TRUE(PumpUntil([&] { return n > 0; }, std::chrono::seconds(5)));
    ASSERT_EQ(n, 6);
    EXPECT_EQ(std::string(buf, 6), "DIRECT");
    EXPECT_EQ(fromLen, 16);
    EXPECT_EQ(ntohs(from.sin_port), peer.Port());
    s.Close();
}
