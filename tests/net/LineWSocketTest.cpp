// Line-mode reception of TWSocket against real peers (nc, socat) and a scripted peer that
// sends in timed pieces: split line ends, partial takes, switching line mode off in the
// middle of a stream, the unterminated last line, editing with and without echo.
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

// A scripted peer that sends the steps in timed pieces, then logs what it received.
struct Peer {
    TempDir dir;
    RunningPeer peer;
    explicit Peer(std::vector<std::string> steps)
    {
        steps.push_back("wait");
        peer = StartScriptedSocksPeer(dir, steps);
    }
    // What the peer received (hex), once it has seen the close.
    std::string Received()
    {
        PumpUntil([&] { return !ScriptedPeerLog(dir).empty() || !peer.process.Running(); },
                  std::chrono::seconds(5));
        const auto log = ScriptedPeerLog(dir);
        return log.empty() ? "" : log.back();
    }
};

std::string S(const std::string& bytes) { return "send:" + Hex(bytes); }

// A line-mode client that records each announcement and what the handler took.
struct LineClient {
    TWSocket s;
    std::vector<std::string> taken;   // one entry per OnDataAvailable
    std::vector<int> rcvd;            // RcvdCount at each OnDataAvailable
    std::vector<std::string> order;   // "data" / "closed"
    std::function<void()> handler;    // default: take the whole line
    bool closed = false;

    LineClient()
    {
        s.SetLineMode(true);
        s.OnDataAvailable = [this](TCustomWSocket*, std::uint16_t) {
            rcvd.push_back(s.RcvdCount());
            order.push_back("data");
            if (handler)
                handler();
            else
                Take(static_cast<int>(s.RcvdCount()));
        };
        s.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t) {
            order.push_back("closed");
            closed = true;
        };
    }
    std::string Take(int n)
    {
        std::string b(static_cast<std::size_t>(std::max(n, 0)), '\0');
        const int r = s.Receive(b.data(), n);
        b.resize(r > 0 ? static_cast<std::size_t>(r) : 0);
        taken.push_back(b);
        return b;
    }
    void Connect(int port) { ConnectLocal(s, port); }
    // Connects and waits for the peer to close.
    bool RunToClose(int port)
    {
        Connect(port);
        return PumpUntil([&] { return closed; });
    }
    std::string All() const
    {
        std::string a;
        for (const auto& t : taken)
            a += t;
        return a;
    }
};

} // namespace

TEST(LineWSocket, TwoLinesInOneReadFromSocat)
{
    TempDir dir;
    const int port = FreeTcpPort();
    WriteFile(dir.File("lines"), "A\r\nB\r\n");
    Process socat({FindProgram("socat"), "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr",
                   "EXEC:/bin/cat " + dir.File("lines")},
                  dir.File("socat.log"));
    ASSERT_TRUE(WaitForListener(port));
    LineClient c;
    ASSERT_TRUE(c.RunToClose(port));
    EXPECT_EQ(c.taken, (std::vector<std::string>{"A\r\n", "B\r\n"}));
    EXPECT_EQ(c.rcvd, (std::vector<int>{3, 3}));
    EXPECT_EQ(c.order.back(), "closed");
    EXPECT_EQ(c.s.ReadCount(), 0); // reset by the close; counted once while open (below)
}

TEST(LineWSocket, LineEndSplitAcrossReadsAndPartialTakes)
{
    Peer p({S("abc\r"), "pause:150", S("\nde"), "pause:150", S("f\r\n"), "pause:100", "half-close"});
    ASSERT_TRUE(p.peer.ok);
    LineClient c;
    long long readCountAtLastLine = 0;
    c.handler = [&] {
        c.Take(std::min(2, c.s.RcvdCount())); // two bytes at a time
        readCountAtLastLine = c.s.ReadCount();
    };
    ASSERT_TRUE(c.RunToClose(p.peer.port));
    EXPECT_EQ(c.taken, (std::vector<std::string>{"ab", "c\r", "\n", "de", "f\r", "\n"}));
    EXPECT_EQ(c.rcvd, (std::vector<int>{5, 3, 1, 5, 3, 1}));
    EXPECT_EQ(readCountAtLastLine, 10); // each byte counted once
}

TEST(LineWSocket, SwitchingOffMidStreamGivesEveryByteOnceInOrder)
{
    Peer p({S("AB\r\nCD\r\nEF"), "pause:200", S("GH"), "pause:100", "half-close"});
    ASSERT_TRUE(p.peer.ok);
    LineClient c;
    c.handler = [&] {
        if (c.s.LineMode()) {
            c.s.SetLineMode(false); // during the first line, without reading
            return;
        }
        c.Take(3); // raw, three at a time
    };
    ASSERT_TRUE(c.RunToClose(p.peer.port));
    EXPECT_EQ(c.All(), "AB\r\nCD\r\nEFGH");
    EXPECT_EQ(c.order.back(), "closed");
}

TEST(LineWSocket, RawReadersSeeHeldBytesInRcvdCount)
{
    // ReceiveText reads RcvdCount bytes: held bytes must count, or it would get nothing.
    Peer p({S("one\r\ntwo\r\nthree"), "pause:200", "half-close"});
    ASSERT_TRUE(p.peer.ok);
    LineClient c;
    std::string raw;
    c.handler = [&] {
        if (c.s.LineMode()) {
            c.Take(c.s.RcvdCount());
            c.s.SetLineMode(false);
            return;
        }
        raw += c.s.ReceiveText();
    };
    ASSERT_TRUE(c.RunToClose(p.peer.port));
    EXPECT_EQ(c.taken[0], "one\r\n");
    EXPECT_EQ(raw, "two\r\nthree");
}

TEST(LineWSocket, UnterminatedLineComesBeforeTheClose)
{
    Peer p({S("x\r\nxyz"), "pause:100", "half-close"});
    ASSERT_TRUE(p.peer.ok);
    LineClient c;
    ASSERT_TRUE(c.RunToClose(p.peer.port));
    EXPECT_EQ(c.taken, (std::vector<std::string>{"x\r\n", "xyz"}));
    EXPECT_EQ(c.rcvd, (std::vector<int>{3, 3}));
    EXPECT_EQ(c.order, (std::vector<std::string>{"data", "data", "closed"}));
}

TEST(LineWSocket, EditingWithEchoAgainstNc)
{
    TempDir dir;
    const int port = FreeTcpPort();
    WriteFile(dir.File("in"), std::string("ab\bc\r\n"));
    Process nc({FindProgram("nc"), "-l", "127.0.0.1", std::to_string(port)}, dir.File("out"), dir.File("in"));
    ASSERT_TRUE(WaitForListener(port));
    LineClient c;
    c.s.SetLineEdit(true);
    c.s.SetLineEcho(true);
    c.Connect(port);
    ASSERT_TRUE(PumpUntil([&] { return !c.taken.empty(); }));
    EXPECT_EQ(c.taken, (std::vector<std::string>{"ac\r\n"}));
    ASSERT_TRUE(PumpUntil([&] { return ReadFile(dir.File("out")).size() >= 8; }, std::chrono::seconds(5)));
    EXPECT_EQ(ReadFile(dir.File("out")), std::string("ab\b \bc\r\n"));
    c.s.Close();
}

TEST(LineWSocket, EditingWithoutEchoSendsNothing)
{
    Peer p({S("a\tb\r\n"), "pause:50", S("1\b\b2\r\n"), "pause:100", "half-close"});
    ASSERT_TRUE(p.peer.ok);
    LineClient c;
    c.s.SetLineEdit(true);
    ASSERT_TRUE(c.RunToClose(p.peer.port));
    EXPECT_EQ(c.taken, (std::vector<std::string>{"a       b\r\n", "2\r\n"}));
    EXPECT_EQ(p.Received(), "");
}

TEST(LineWSocket, EmptyLineEndIsRawAndOtherLineEndsWork)
{
    Peer p({S("a|b\r\n"), "pause:100", "half-close"});
    ASSERT_TRUE(p.peer.ok);
    LineClient c;
    c.s.SetLineEnd("");
    ASSERT_TRUE(c.RunToClose(p.peer.port));
    EXPECT_EQ(c.All(), "a|b\r\n");
    EXPECT_EQ(c.taken[0], "a|b\r\n"); // as it came, not cut

    Peer q({S("a|b|"), "pause:50", S("c"), "pause:100", "half-close"});
    ASSERT_TRUE(q.peer.ok);
    LineClient d;
    d.s.SetLineEnd("|");
    ASSERT_TRUE(d.RunToClose(q.peer.port));
    EXPECT_EQ(d.taken, (std::vector<std::string>{"a|", "b|", "c"}));
}

TEST(LineWSocket, ManyLinesThroughSocatEcho)
{
    TempDir dir;
    RunningPeer echo = StartEchoPeer(dir);
    ASSERT_TRUE(echo.ok);
    LineClient c;
    c.Connect(echo.port);
    bool connected = false;
    c.s.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t e) { connected = e == 0; };
    ASSERT_TRUE(PumpUntil([&] { return connected; }));
    std::string sent;
    for (int i = 0; i < 5000; ++i)
        sent += "line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x') + "\r\n";
    c.s.SendText(sent);
    ASSERT_TRUE(PumpUntil([&] { return c.taken.size() >= 5000; }));
    ASSERT_EQ(c.taken.size(), 5000u);
    for (int i : {0, 1, 96, 4999})
        EXPECT_EQ(c.taken[static_cast<std::size_t>(i)],
                  "line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x') + "\r\n");
    EXPECT_EQ(c.All(), sent);
    c.s.Close();
}
