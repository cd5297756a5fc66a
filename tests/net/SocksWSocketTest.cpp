// The SOCKS layer of TWSocket against real SOCKS servers (microsocks, dante-server)
// relaying to an echo peer, and against a scripted server for the replies real servers
// do not send on demand.
#include "net/WSocket.h"
#include "tests/net/SocksTestPeers.h"
#include "tests/net/WSocketEventLog.h"
#include "tests/net/WSocketTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

// Records the events of one socket as text, and everything it receives.
struct Recorder {
    TWSocket& s;
    std::vector<std::string> events;
    std::string data;
    bool closed = false;
    int phaseAtConnected = -1;

    explicit Recorder(TWSocket& sock) : s(sock)
    {
        s.OnSocksConnected = [this](TCustomWSocket*, std::uint16_t e) { Add("SocksConnected", e); };
        s.OnSocksError = [this](TCustomWSocket*, int e, const std::string& m) {
            events.push_back("SocksError(" + std::to_string(e) + "," + m + ")");
        };
        s.OnSocksAuthState = [this](TCustomWSocket*, TSocksAuthState a) { Add("AuthState", a); };
        s.OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) {
            phaseAtConnected = s.SocksPhase();
            Add("SessionConnected", e);
        };
        s.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) {
            Add("SessionClosed", e);
            closed = true;
        };
        s.OnDataAvailable = [this](TCustomWSocket*, std::uint16_t) {
            char buf[8192];
            const int n = s.Receive(buf, sizeof buf);
            if (n > 0)
                data.append(buf, static_cast<std::size_t>(n));
        };
    }
    void Add(const char* name, int v) { events.push_back(std::string(name) + "(" + std::to_string(v) + ")"); }
    bool Has(const std::string& e) const { return std::find(events.begin(), events.end(), e) != events.end(); }
};

void ConnectThrough(TWSocket& s, int socksPort, const std::string& level, int destPort,
                    const std::string& dest = "127.0.0.1")
{
    s.SetSocksServer("127.0.0.1");
    s.SetSocksPort(std::to_string(socksPort));
    s.SetSocksLevel(level);
    s.SetAddr(dest);
    s.SetPort(std::to_string(destPort));
    s.Connect();
}

// Sends a payload through the relay and waits for all of it to come back.
void ExpectRelayedIntact(Recorder& r, std::size_t size)
{
    ASSERT_TRUE(PumpUntil([&] { return r.Has("SessionConnected(0)") || r.closed; }));
    ASSERT_TRUE(r.Has("SessionConnected(0)")) << ::testing::PrintToString(r.events);
    EXPECT_EQ(r.phaseAtConnected, 0);
    EXPECT_EQ(r.s.State(), wsConnected);
    const std::string payload = Payload(size, 3);
    r.s.SendText(payload);
    ASSERT_TRUE(PumpUntil([&] { return r.data.size() >= payload.size() || r.closed; }));
    EXPECT_EQ(r.data.size(), payload.size());
    EXPECT_TRUE(r.data == payload);
}

// The scripted peer accepts one connection; the test waits for the outcome.
void ExpectFailure(const std::vector<std::string>& steps, const std::string& level, int code,
                   const std::string& text, TSocksAuthentication auth = socksNoAuthentication)
{
    TempDir dir;
    RunningPeer peer = StartScriptedSocksPeer(dir, steps);
    ASSERT_TRUE(peer.ok);
    TWSocket s;
    Recorder r(s);
    s.SetSocksAuthentication(auth);
    ConnectThrough(s, peer.port, level, 9);
    ASSERT_TRUE(PumpUntil([&] { return r.closed; })) << ::testing::PrintToString(r.events);
    const std::string c = std::to_string(code);
    std::vector<std::string> tail(r.events.end() - 3, r.events.end());
    if (r.events.size() >= 4 && r.events[r.events.size() - 2] == "AuthState(2)")
        tail = {r.events[r.events.size() - 4], r.events[r.events.size() - 3], r.events.back()};
    EXPECT_EQ(tail, (std::vector<std::string>{"SocksError(" + c + "," + text + ")", "SessionConnected(" + c + ")", "SessionClosed(" + c + ")"}))
        << ::testing::PrintToString(r.events);
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(s.SocksServer(), ""); // closed: back to the defaults
}

} // namespace

TEST(SocksWSocket, MicrosocksRelaysWithoutAuthentication)
{
    TempDir dir;
    RunningPeer echo = StartEchoPeer(dir);
    RunningPeer socks = StartMicrosocks(dir);
    ASSERT_TRUE(echo.ok && socks.ok);
    TWSocket s;
    Recorder r(s);
    ConnectThrough(s, socks.port, "5", echo.port);
    ExpectRelayedIntact(r, 300000);
    EXPECT_EQ(r.events[0], "SocksConnected(0)");
    EXPECT_EQ(r.events[1], "SessionConnected(0)");
    EXPECT_FALSE(s.BoundAddr().empty());
    EXPECT_FALSE(s.BoundPort().empty());
    s.Close();
    EXPECT_EQ(r.events.back(), "SessionClosed(0)");
}

TEST(SocksWSocket, MicrosocksWithUserAndRightOrWrongPassword)
{
    TempDir dir;
    RunningPeer echo = StartEchoPeer(dir);
    RunningPeer socks = StartMicrosocks(dir, "zuser", "geheim7");
    ASSERT_TRUE(echo.ok && socks.ok);
    for (const char* password : {"geheim7", "falsch"}) {
        SCOPED_TRACE(password);
        TWSocket s;
        Recorder r(s);
        s.SetSocksAuthentication(socksAuthenticateUsercode);
        s.SetSocksUsercode("zuser");
        s.SetSocksPassword(password);
        ConnectThrough(s, socks.port, "5", echo.port);
        if (std::string(password) == "geheim7") {
            ExpectRelayedIntact(r, 20000);
            // authStarting, authSucceeded
            EXPECT_EQ(r.events, (std::vector<std::string>{"SocksConnected(0)", "AuthState(0)", "AuthState(1)", "SessionConnected(0)"}));
            continue;
        }
        ASSERT_TRUE(PumpUntil([&] { return r.closed; }));
        EXPECT_EQ(r.events, (std::vector<std::string>{"SocksConnected(0)", "AuthState(0)", "SocksError(20015,socks authentication failed)", "SessionConnected(20015)", "AuthState(2)", "SessionClosed(20015)"}));
        EXPECT_EQ(s.State(), wsClosed);
    }
}

TEST(SocksWSocket, DanteRelaysSocks5AndSocks4AndRefusesSocks4A)
{
    TempDir dir;
    RunningPeer echo = StartEchoPeer(dir);
    RunningPeer socks = StartDante(dir);
    ASSERT_TRUE(echo.ok && socks.ok) << ReadFile(dir.File("danted.log"));
    for (const char* level : {"5", "4"}) {
        SCOPED_TRACE(level);
        TWSocket s;
        Recorder r(s);
        ConnectThrough(s, socks.port, level, echo.port);
        ExpectRelayedIntact(r, 100000);
        EXPECT_EQ(s.BoundAddr(), "127.0.0.1");
        EXPECT_GT(std::stoi(s.BoundPort()), 0);
        s.Close();
    }
    // This dante does not take SOCKS 4A.
    TWSocket s;
    Recorder r(s);
    ConnectThrough(s, socks.port, "4A", echo.port, "localhost");
    ASSERT_TRUE(PumpUntil([&] { return r.closed; }));
    EXPECT_TRUE(r.Has("SocksError(20016,request rejected or failed)")) << ::testing::PrintToString(r.events);
    EXPECT_EQ(r.events.back(), "SessionClosed(20016)");
}

TEST(SocksWSocket, Socks4ARequestAndGrantFromScriptedServer)
{
    TempDir dir;
    RunningPeer peer = StartScriptedSocksPeer(dir, {"req4", "send:005a1f907f000001", "echo"});
    ASSERT_TRUE(peer.ok);
    TWSocket s;
    Recorder r(s);
    s.SetSocksUsercode("ich");
    ConnectThrough(s, peer.port, "4a", 8080, "ziel.example");
    EXPECT_EQ(s.SocksLevel(), "4A");
    ExpectRelayedIntact(r, 5000);
    EXPECT_EQ(s.BoundAddr(), "127.0.0.1");
    EXPECT_EQ(s.BoundPort(), "8080");
    s.Close();
    ASSERT_TRUE(PumpUntil([&] { return !ScriptedPeerLog(dir).empty(); }));
    EXPECT_EQ(ScriptedPeerLog(dir)[0], "04011f9000000001" + Hex("ich") + "00" + Hex("ziel.example") + "00");
}

TEST(SocksWSocket, Socks4ReplyCodes)
{
    ExpectFailure({"req4", "send:005b000000000000", "wait"}, "4", 20016, "request rejected or failed");
    ExpectFailure({"req4", "send:005c000000000000", "wait"}, "4", 20008, "connection refused");
    ExpectFailure({"req4", "send:005d000000000000", "wait"}, "4", 20015, "authentification failed");
    ExpectFailure({"req4", "send:0063000000000000", "wait"}, "4", 20012, "unassigned error #99");
    ExpectFailure({"req4", "send:045a000000000000", "wait"}, "4", 20002, "socks version error");
}

TEST(SocksWSocket, Socks5ReplyCodes)
{
    const char* texts[] = {"general SOCKS server failure", "connection not allowed by ruleset",
                           "network unreachable", "host unreachable", "connection refused",
                           "time to live expired", "command not supported", "address type not supported"};
    for (int rep = 1; rep <= 9; ++rep) {
        SCOPED_TRACE(rep);
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", rep);
        ExpectFailure({"greet5", "send:0500", "req5", std::string("send:05") + hex + "000100000000" + "0000", "wait"},
                      "5", rep <= 8 ? 20003 + rep : 20012,
                      rep <= 8 ? texts[rep - 1] : "unassigned error #9");
    }
    ExpectFailure({"greet5", "send:0400", "wait"}, "5", 20002, "socks version error");
    ExpectFailure({"greet5", "send:05ff", "wait"}, "5", 20003, "authentification method not acceptable");
    ExpectFailure({"greet5", "send:0500", "req5", "send:0600000100000000", "wait"}, "5", 20002,
                  "socks version error");
    ExpectFailure({"greet5", "send:0502", "auth", "send:0101", "wait"}, "5", 20015, "socks authentication failed",
                  socksAuthenticateUsercode);
}

TEST(SocksWSocket, ReplyAndApplicationDataInOnePiece)
{
    TempDir dir;
    RunningPeer peer = StartScriptedSocksPeer(
        dir, {"greet5", "send:0500", "req5", "send:050000010a0000071f90" + Hex("first bytes"), "echo"});
    ASSERT_TRUE(peer.ok);
    TWSocket s;
    Recorder r(s);
    std::string atConnect = "unset";
    s.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t e) {
        r.Add("SessionConnected", e);
        atConnect = r.data; // nothing delivered before the grant is announced
    };
    ConnectThrough(s, peer.port, "5", 4711, "name.example");
    ASSERT_TRUE(PumpUntil([&] { return r.data.size() >= 11 || r.closed; }));
    EXPECT_EQ(atConnect, "");
    EXPECT_EQ(r.data, "first bytes");
    EXPECT_EQ(s.BoundAddr(), "10.0.0.7");
    EXPECT_EQ(s.BoundPort(), "8080");
    s.SendText("after");
    ASSERT_TRUE(PumpUntil([&] { return r.data.size() >= 16; }));
    EXPECT_EQ(r.data, "first bytesafter");
    s.Close();
    ASSERT_TRUE(PumpUntil([&] { return ScriptedPeerLog(dir).size() >= 2; }));
    // The greeting offers method 0 only; the name goes as a name.
    EXPECT_EQ(ScriptedPeerLog(dir)[0], "050100");
    EXPECT_EQ(ScriptedPeerLog(dir)[1], "050100030c" + Hex("name.example") + "1267");
}

TEST(SocksWSocket, LeftoverDataIsCutIntoLinesInLineMode)
{
    TempDir dir;
    RunningPeer peer = StartScriptedSocksPeer(
        dir, {"greet5", "send:0500", "req5", "send:050000017f0000010050" + Hex("L1\r\nL2\r\nL"), "send:" + Hex("3\r\n"), "wait"});
    ASSERT_TRUE(peer.ok);
    TWSocket s;
    Recorder r(s);
    std::vector<std::string> lines;
    s.SetLineMode(true);
    s.OnDataAvailable = [&](TCustomWSocket*, std::uint16_t) {
        char buf[100];
        const int n = s.Receive(buf, sizeof buf);
        if (n > 0)
            lines.emplace_back(buf, static_cast<std::size_t>(n));
    };
    ConnectThrough(s, peer.port, "5", 80);
    ASSERT_TRUE(PumpUntil([&] { return lines.size() >= 3 || r.closed; }));
    EXPECT_EQ(lines, (std::vector<std::string>{"L1\r\n", "L2\r\n", "L3\r\n"}));
}

TEST(SocksWSocket, ServerPicksNoAuthenticationAfterPasswordOffered)
{
    TempDir dir;
    RunningPeer peer = StartScriptedSocksPeer(dir, {"greet5", "send:0500", "req5", "send:05000001000000000000", "echo"});
    ASSERT_TRUE(peer.ok);
    TWSocket s;
    Recorder r(s);
    s.SetSocksAuthentication(socksAuthenticateUsercode);
    s.SetSocksUsercode("u");
    s.SetSocksPassword("p");
    ConnectThrough(s, peer.port, "5", 80);
    ExpectRelayedIntact(r, 1000);
    EXPECT_EQ(r.events, (std::vector<std::string>{"SocksConnected(0)", "AuthState(3)", "SessionConnected(0)"}));
    s.Close();
    ASSERT_TRUE(PumpUntil([&] { return ScriptedPeerLog(dir).size() >= 2; }));
    EXPECT_EQ(ScriptedPeerLog(dir)[0], "050102");
    EXPECT_EQ(ScriptedPeerLog(dir)[1].substr(0, 8), "05010003"); // no password was sent
}

TEST(SocksWSocket, ValuesTooLongFailCleanlyBeforeAnythingIsSent)
{
    struct Case {
        std::string addr, user, pass;
        std::string text;
    };
    const std::vector<Case> cases = {
        {std::string(256, 'h'), "", "", "host name too long (more than 255 bytes)"},
        {"ok.example", std::string(256, 'u'), "p", "socks user code too long (more than 255 bytes)"},
        {"ok.example", "u", std::string(300, 'p'), "socks password too long (more than 255 bytes)"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        RunningPeer peer = StartScriptedSocksPeer(dir, {"wait"});
        ASSERT_TRUE(peer.ok);
        TWSocket s;
        Recorder r(s);
        s.SetSocksAuthentication(socksAuthenticateUsercode);
        s.SetSocksUsercode(c.user);
        s.SetSocksPassword(c.pass);
        ConnectThrough(s, peer.port, "5", 80, c.addr);
        ASSERT_TRUE(PumpUntil([&] { return r.closed; }));
        EXPECT_EQ(r.events, (std::vector<std::string>{"SocksConnected(0)", "SocksError(20014," + c.text + ")", "SessionConnected(20014)", "SessionClosed(20014)"}));
        ASSERT_TRUE(PumpUntil([&] { return !ScriptedPeerLog(dir).empty(); }));
        EXPECT_EQ(ScriptedPeerLog(dir)[0], ""); // the server got not a single byte
    }
}

TEST(SocksWSocket, PropertiesAndRefusals)
{
    TWSocket s;
    EXPECT_EQ(s.SocksLevel(), "5");
    s.SetSocksLevel("4a");
    EXPECT_EQ(s.SocksLevel(), "4A");
    EXPECT_EQ(RaisedText([&] { s.SetSocksLevel("6"); }), "Invalid socks level. Must be 4, 4A or 5.");
    s.SetSocksServer("  127.0.0.1 ");
    EXPECT_EQ(s.SocksServer(), "127.0.0.1");
    EXPECT_THROW(s.Listen(), ESocketException);
    s.SetProto("udp");
    s.SetAddr("127.0.0.1");
    s.SetPort("9");
    EXPECT_EQ(RaisedText([&] { s.Connect(); }), "tcp is the only protocol supported thru socks server");

    // While connected (here: to a listener that never answers) nothing may change.
    TempDir dir;
    RunningPeer peer = StartScriptedSocksPeer(dir, {"wait"});
    ASSERT_TRUE(peer.ok);
    TWSocket c;
    Recorder r(c);
    ConnectThrough(c, peer.port, "5", 80);
    ASSERT_TRUE(PumpUntil([&] { return r.Has("SocksConnected(0)"); }));
    EXPECT_THROW(c.SetSocksServer("x"), ESocketException);
    EXPECT_THROW(c.SetSocksPort("1"), ESocketException);
    EXPECT_THROW(c.SetSocksLevel("4"), ESocketException);
    int errors = 0;
    c.OnError = [&](TCustomWSocket*) { ++errors; };
    c.SetSocksLevel("4");
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(c.SocksLevel(), "5");
    c.Close();
    // The close returns the layer to the pass-through: server and port empty, level 5.
    EXPECT_EQ(c.SocksServer(), "");
    EXPECT_EQ(c.SocksPort(), "");
    EXPECT_EQ(c.SocksPhase(), 0);
}

TEST(SocksWSocket, UnreachableServerAndUnresolvableSocks4Destination)
{
    // Nothing listens on the SOCKS port: the TCP failure reaches the owner as it is.
    TWSocket s;
    Recorder r(s);
    ConnectThrough(s, FreeTcpPort(), "5", 80);
    ASSERT_TRUE(PumpUntil([&] { return r.closed; }));
    EXPECT_EQ(r.events, (std::vector<std::string>{"SocksConnected(10061)", "SessionConnected(10061)", "SessionClosed(0)"}));

    // SOCKS 4 carries an address: a name that does not resolve fails through the same
    // sequence as any negotiation failure, and nothing is sent.
    TempDir dir;
    RunningPeer peer = StartScriptedSocksPeer(dir, {"wait"});
    ASSERT_TRUE(peer.ok);
    TWSocket t;
    Recorder q(t);
    ConnectThrough(t, peer.port, "4", 80, "no-such-host.invalid");
    ASSERT_TRUE(PumpUntil([&] { return q.closed; }));
    ASSERT_EQ(q.events.size(), 4u) << ::testing::PrintToString(q.events);
    EXPECT_EQ(q.events[1].rfind("SocksError(20017,ESocketException ", 0), 0u) << q.events[1];
    EXPECT_EQ(q.events[2], "SessionConnected(20017)");
    EXPECT_EQ(q.events[3], "SessionClosed(20017)");
    ASSERT_TRUE(PumpUntil([&] { return !ScriptedPeerLog(dir).empty(); }));
    EXPECT_EQ(ScriptedPeerLog(dir)[0], "");
}
