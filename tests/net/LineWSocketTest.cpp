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
    std::vector<std::string> taken; // one entry per OnDataAvailable
    std::vector<int> rcvd;          // RcvdCount at each OnDataAvailable
    std::vector<std::string> order; // "data" / "closed"
    std::function<void()> handler;  // default: take the whole line
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

TEST(LineWSocket, LinesCutFromTimedPiecesWithEachSetting)
{
    struct Case {
        const char* name;
        std::vector<std::string> steps;
        std::string lineEnd;
        bool edit;
        std::vector<std::string> taken;
        std::vector<int> rcvd; // empty: not checked
    };
    const std::vector<Case> cases = {
        {"unterminated last line before the close", {S("x\r\nxyz"), "pause:100", "half-close"}, "\r\n", false, {"x\r\n", "xyz"}, {3, 3}},
        {"editing without echo sends nothing",
         {S("a\tb\r\n"), "pause:50", S("1\b\b2\r\n"), "pause:100", "half-close"},
         "\r\n",
         true,
         {"a       b\r\n", "2\r\n"},
         {}},
        {"empty line end: raw, as it came", {S("a|b\r\n"), "pause:100", "half-close"}, "", false, {"a|b\r\n"}, {}},
        {"other line end", {S("a|b|"), "pause:50", S("c"), "pause:100", "half-close"}, "|", false, {"a|", "b|", "c"}, {}}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Peer p(k.steps);
        ASSERT_TRUE(p.peer.ok);
        LineClient c;
        c.s.SetLineEnd(k.lineEnd);
        c.s.SetLineEdit(k.edit);
        ASSERT_TRUE(c.RunToClose(p.peer.port));
        // Raw mode may announce once more at the close and find nothing left.
        std::vector<std::string> taken = c.taken;
        while (k.lineEnd.empty() && !taken.empty() && taken.back().empty())
            taken.pop_back();
        EXPECT_EQ(taken, k.taken);
        if (!k.rcvd.empty()) {
            EXPECT_EQ(c.rcvd, k.rcvd);
        }
        EXPECT_EQ(c.order.back(), "closed");
        EXPECT_EQ(p.Received(), "");
    }
}

TEST(LineWSocket, ManyLinesThroughSocatEcho)
{
    TempDir dir;
    RunningPeer echo = StartEchoPeer(dir);
    ASSERT_TRUE(echo.ok);
    LineClient c;
    ASSERT_TRUE(ConnectAndWait(c.s, echo.port));
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
