// SOCKS messages on their own: the requests byte for byte, values that do not fit, and
// the replies of each phase, whole and in pieces.
#include "net/SocksProtocol.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

using namespace zuneigo;
using Step = TSocksReplyReader::Step;

namespace {

std::string B(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s.push_back(static_cast<char>(b));
    return s;
}

Step Feed(TSocksReplyReader& r, const std::string& bytes)
{
    return r.Add(bytes.data(), bytes.size());
}

// Feeds a reply that must fail and checks the failure; code 0 leaves the code unchecked.
void ExpectFailed(TSocksReplyReader& r, const std::string& bytes, int code, const std::string& text = "")
{
    ASSERT_EQ(Feed(r, bytes), Step::Failed);
    EXPECT_TRUE(code == 0 || r.Failure().Code == code) << r.Failure().Code;
    EXPECT_TRUE(text.empty() || r.Failure().Text == text) << r.Failure().Text;
}

// Starts a reader in the connect-reply phase.
void StartConnectReply(TSocksReplyReader& r, bool socks4)
{
    r.Start(socks4, 0);
    r.SetPhase(3);
}

} // namespace

TEST(SocksProtocol, RequestsAreBuiltByteForByte)
{
    EXPECT_EQ(SocksMethodRequest(2), B({5, 1, 2}));

    std::string out;
    ASSERT_FALSE(SocksAuthRequest("usr", "pw", out));
    EXPECT_EQ(out, B({1, 3}) + "usr" + B({2}) + "pw");

    ASSERT_FALSE(Socks4ConnectRequest(8080, inet_addr("10.1.2.3"), "me", out));
    EXPECT_EQ(out, B({4, 1, 0x1F, 0x90, 10, 1, 2, 3}) + "me" + B({0}));

    ASSERT_FALSE(Socks4AConnectRequest(80, "example.test", "", out));
    EXPECT_EQ(out, B({4, 1, 0, 80, 0, 0, 0, 1, 0}) + "example.test" + B({0}));

    ASSERT_FALSE(Socks5ConnectRequest("127.0.0.1", 65535, out));
    EXPECT_EQ(out, B({5, 1, 0, 3, 9}) + "127.0.0.1" + B({255, 255}));
}

TEST(SocksProtocol, ValuesThatDoNotFitAreRefusedNotCut)
{
    std::string out = "untouched";
    const std::string max(255, 'x'), over(256, 'x');

    EXPECT_FALSE(Socks5ConnectRequest(max, 1, out));
    EXPECT_EQ(out.size(), 5u + 255u + 2u);
    EXPECT_EQ(static_cast<unsigned char>(out[4]), 255u);

    out = "untouched";
    auto f = Socks5ConnectRequest(over, 1, out);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Code, socksValueRejected);
    EXPECT_EQ(f->Text, "host name too long (more than 255 bytes)");
    EXPECT_EQ(out, "untouched");

    EXPECT_FALSE(SocksAuthRequest(max, max, out));
    EXPECT_EQ(out.size(), 1u + 1u + 255u + 1u + 255u);
    f = SocksAuthRequest(over, "p", out);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Text, "socks user code too long (more than 255 bytes)");
    f = SocksAuthRequest("u", over, out);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Text, "socks password too long (more than 255 bytes)");

    // SOCKS 4 fields end at a zero byte: one inside would cut the request short.
    f = Socks4ConnectRequest(1, 0, std::string("a\0b", 3), out);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Text, "socks user code contains a zero byte");
    f = Socks4AConnectRequest(1, std::string("h\0st", 4), "", out);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Text, "host name contains a zero byte");
    EXPECT_TRUE(Socks5ConnectRequest("", 1, out));

    // No length limit where the protocol has none.
    EXPECT_FALSE(Socks4AConnectRequest(1, std::string(5000, 'h'), std::string(5000, 'u'), out));
    EXPECT_EQ(out.size(), 8u + 5001u + 5001u);
}

TEST(SocksProtocol, MethodChoice)
{
    TSocksReplyReader r;
    r.Start(false, 0);
    EXPECT_EQ(Feed(r, B({5})), Step::NeedMore);
    EXPECT_EQ(Feed(r, B({0})), Step::SendConnect);
    EXPECT_FALSE(r.AuthNotRequired());

    r.Start(false, 2);
    EXPECT_EQ(Feed(r, B({5, 0})), Step::SendConnect);
    EXPECT_TRUE(r.AuthNotRequired()); // offered 2, got 0

    r.Start(false, 2);
    EXPECT_EQ(Feed(r, B({5, 2})), Step::SendAuth);

    struct Case {
        std::string reply;
        int code;
        const char* text;
    };
    for (const Case& c : {Case{B({4, 0}), 20002, "socks version error"},
                          Case{B({5, 0xFF}), 20003, "authentification method not acceptable"},
                          Case{B({5, 0, 1}), 20001, "too much data availaible"}}) {
        r.Start(false, 0);
        ExpectFailed(r, c.reply, c.code, c.text);
    }
    r.Start(true, 0); // SOCKS 4 has no method choice
    ExpectFailed(r, B({5, 0}), 0, "TWSocket logic error");
}

TEST(SocksProtocol, AuthenticationReply)
{
    TSocksReplyReader r;
    r.Start(false, 2);
    r.SetPhase(2);
    EXPECT_EQ(Feed(r, B({1})), Step::NeedMore);
    EXPECT_EQ(Feed(r, B({0})), Step::SendConnect);

    r.SetPhase(2);
    ExpectFailed(r, B({1, 1}), 20015, "socks authentication failed");
    r.SetPhase(2);
    ExpectFailed(r, B({5}), 20002);
    r.SetPhase(2);
    ExpectFailed(r, B({1, 0, 0}), 20001);
    EXPECT_EQ(r.Phase(), 2); // the layer closes; the phase tells it was authenticating
}

TEST(SocksProtocol, Socks4Replies)
{
    TSocksReplyReader r;
    StartConnectReply(r, true);
    EXPECT_EQ(r.Room(), 8u);
    EXPECT_EQ(Feed(r, B({0, 90, 0x1F})), Step::NeedMore);
    EXPECT_EQ(r.Room(), 5u); // never reads past the reply
    EXPECT_EQ(Feed(r, B({0x90, 192, 168, 0, 7})), Step::Granted);
    EXPECT_EQ(r.BoundAddr(), "192.168.0.7");
    EXPECT_EQ(r.BoundPort(), 8080);
    EXPECT_EQ(r.Phase(), 0);

    struct Case {
        int vn, cd;
        int code;
        std::string text;
    };
    for (const Case& c : {Case{0, 91, 20016, "request rejected or failed"},
                          Case{0, 92, 20008, "connection refused"},
                          Case{0, 93, 20015, "authentification failed"},
                          Case{0, 94, 20012, "unassigned error #94"},
                          Case{0, 0, 20012, "unassigned error #0"},
                          Case{4, 90, 20002, "socks version error"}}) {
        SCOPED_TRACE(c.cd);
        StartConnectReply(r, true);
        ExpectFailed(r, B({c.vn, c.cd, 0, 0, 0, 0, 0, 0}), c.code, c.text);
    }
}

TEST(SocksProtocol, Socks5RepliesEveryCode)
{
    TSocksReplyReader r;
    const char* texts[] = {"", "general SOCKS server failure", "connection not allowed by ruleset",
                           "network unreachable", "host unreachable", "connection refused",
                           "time to live expired", "command not supported",
                           "address type not supported"};
    for (int rep = 1; rep <= 255; ++rep) {
        SCOPED_TRACE(rep);
        StartConnectReply(r, false);
        // Decided at the second byte.
        ExpectFailed(r, B({5, rep}), rep <= 8 ? 20003 + rep : 20012,
                     rep <= 8 ? texts[rep] : "unassigned error #" + std::to_string(rep));
    }
    StartConnectReply(r, false);
    ExpectFailed(r, B({4}), 0, "socks version error");
    StartConnectReply(r, false);
    ExpectFailed(r, B({5, 0, 0, 4, 0}), 20011); // IPv6 is not taken
}

TEST(SocksProtocol, Socks5GrantWithAddressNameAndLeftover)
{
    TSocksReplyReader r;
    StartConnectReply(r, false);
    EXPECT_EQ(Feed(r, B({5, 0, 0, 1, 127, 0})), Step::NeedMore);
    EXPECT_EQ(Feed(r, B({0, 1, 0x30, 0x39}) + "HTTP/1.0"), Step::Granted);
    EXPECT_EQ(r.BoundAddr(), "127.0.0.1");
    EXPECT_EQ(r.BoundPort(), 12345);
    EXPECT_EQ(r.Leftover(), "HTTP/1.0");

    // A bound name longer than the usual reply area is waited for, not cut.
    const std::string name(250, 'n');
    StartConnectReply(r, false);
    std::string reply = B({5, 0, 0, 3, 250}) + name + B({0, 80}) + "x";
    std::size_t at = 0;
    Step step = Step::NeedMore;
    while (step == Step::NeedMore && at < reply.size()) {
        const std::size_t n = std::min(r.Room(), reply.size() - at);
        ASSERT_GT(n, 0u);
        step = r.Add(reply.data() + at, n);
        at += n;
    }
    ASSERT_EQ(step, Step::Granted);
    EXPECT_EQ(r.BoundAddr(), name);
    EXPECT_EQ(r.BoundPort(), 80);
    EXPECT_EQ(r.Leftover(), ""); // reads stopped at the reply's end: "x" is still unread
    EXPECT_EQ(at, reply.size() - 1);
}
