// The small functions of the socket layer: error texts, address and number parsing, the
// resolvers, and the send chain's block.
#include "net/AddressText.h"
#include "net/Buffer.h"
#include "net/Resolvers.h"
#include "net/SocketErrors.h"
#include "tests/net/WSocketEventLog.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <vector>

using namespace zuneigo;
using zuneigo::test::RaisedText;

TEST(SocketErrorText, KnownCodesHaveTextsAndEverythingElseDoesNot)
{
    EXPECT_EQ(SocketErrorText(0), "No Error");
    EXPECT_EQ(SocketErrorText(10035), "Operation would block");
    EXPECT_EQ(SocketErrorText(10054), "Connection reset by peer");
    EXPECT_EQ(SocketErrorText(10058), "Can't send after socket shutdown");
    EXPECT_EQ(SocketErrorText(10059), "Too many references: can't splice");
    EXPECT_EQ(SocketErrorText(10061), "Connection refused");
    EXPECT_EQ(SocketErrorText(10071), "Too many levels of remote in path");
    EXPECT_EQ(SocketErrorText(10091), "Network sub-system is unusable");
    EXPECT_EQ(SocketErrorText(11001), "Host not found");
    EXPECT_EQ(SocketErrorText(11004), "No Data");
    // Exactly these codes have a text of their own; the gap 10072..10090 has none.
    std::vector<int> known;
    for (int code = -5; code <= 12005; ++code)
        if (SocketErrorText(code) != "Not a WinSock error") known.push_back(code);
    std::vector<int> expected{0, 10004, 10009, 10013, 10014, 10022, 10024};
    for (int code = 10035; code <= 10071; ++code)
        expected.push_back(code);
    for (int code : {10091, 10092, 10093, 11001, 11002, 11003, 11004})
        expected.push_back(code);
    EXPECT_EQ(known, expected);
}

TEST(IsDottedAddress, FourPartsWithBlanksAroundAndNothingElse)
{
    for (const char* ok : {"255.255.255.255", "  255.255.255.255", "255.255.255.255  ", " 1.2.3.4 ", "0.0.0.0",
                           "127.0.0.1", "010.1.1.1"})
        EXPECT_TRUE(IsDottedAddress(ok)) << ok;
    for (const char* bad : {"", " ", ".1.2.3", "1.2.3.4.", "1..2.3", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.256",
                            "1.2.3.4 x", "1.2.3.4x", "a.b.c.d", "localhost", "1.2.3. 4", "99999999999.1.1.1"})
        EXPECT_FALSE(IsDottedAddress(bad)) << bad;
}

TEST(ParseLeadingNumber, ReadsDigitsAfterBlanksUpToTheFirstOther)
{
    EXPECT_EQ(ParseLeadingNumber("80"), 80);
    EXPECT_EQ(ParseLeadingNumber("  8080abc"), 8080);
    EXPECT_EQ(ParseLeadingNumber("12 34"), 12);
    EXPECT_EQ(ParseLeadingNumber("abc"), 0);
    EXPECT_EQ(ParseLeadingNumber(""), 0);
    EXPECT_EQ(ParseLeadingNumber("-5"), 0);
    EXPECT_EQ(ParseLeadingNumber("99999999999999999999"), 0x7FFFFFFF); // clamped, not wrapped
}

TEST(WSocketResolveHost, DottedTextsNamesAndFailureTexts)
{
    EXPECT_EQ(WSocketResolveHost("127.0.0.1"), htonl(0x7F000001));
    EXPECT_EQ(WSocketResolveHost(" 10.0.0.2 "), htonl(0x0A000002));
    EXPECT_EQ(WSocketResolveHost("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(WSocketResolveHost("localhost"), htonl(0x7F000001));
    EXPECT_EQ(RaisedText([&] { WSocketResolveHost(""); }), "WSocketResolveHost: '' Invalid Hostname.");
    EXPECT_THROW(WSocketResolveHost(std::string(257, 'a')), ESocketException);
    EXPECT_EQ(RaisedText([&] { WSocketResolveHost("nosuchhost.invalid"); }),
              "WSocketResolveHost: Cannot convert host address 'nosuchhost.invalid', Error #11001");
}

TEST(WSocketResolvePort, DigitsServiceNamesAndLimits)
{
    EXPECT_EQ(WSocketResolvePort("80", "tcp"), 80);
    EXPECT_EQ(WSocketResolvePort("8080abc", "tcp"), 8080);
    EXPECT_EQ(WSocketResolvePort("http", "tcp"), 80);
    EXPECT_EQ(WSocketResolvePort(" smtp ", " tcp "), 25);
    EXPECT_EQ(WSocketResolvePort("domain", ""), 53);
    EXPECT_EQ(RaisedText([&] { WSocketResolvePort(std::string(32, '1'), "tcp"); }), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(WSocketResolvePort(std::string(31, '0'), "tcp"), 0);
    EXPECT_THROW(WSocketResolvePort("", "tcp"), ESocketException);
    EXPECT_TRUE(RaisedText([&] { WSocketResolvePort("nosuchservice", "tcp"); })
                    .starts_with("WSocketResolvePort: Cannot convert port 'nosuchservice', Error #"));
}

TEST(WSocketResolveProto, NumbersAndNames)
{
    EXPECT_EQ(WSocketResolveProto("tcp"), 6);
    EXPECT_EQ(WSocketResolveProto(" udp "), 17);
    EXPECT_EQ(WSocketResolveProto("17"), 17);
    EXPECT_THROW(WSocketResolveProto(""), ESocketException);
    EXPECT_EQ(RaisedText([&] { WSocketResolveProto(std::string(32, 'x')); }), "WSocketResolveProto: Invalid Protocol.");
    EXPECT_TRUE(RaisedText([&] { WSocketResolveProto("nosuchproto"); })
                    .starts_with("WSocketResolveProto: Cannot convert protocol 'nosuchproto', Error #"));
}

TEST(TBuffer, FillsAtTheEndDrainsFromTheFrontAndRestarts)
{
    TBuffer b(10);
    EXPECT_EQ(b.BufferSize(), 10);
    EXPECT_EQ(TBuffer(0).BufferSize(), 1514);
    EXPECT_EQ(TBuffer(-3).BufferSize(), 1514);
    int len = -1;
    EXPECT_EQ(b.Peek(len), nullptr);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(b.Remove(5), 0);
    EXPECT_EQ(b.Write("abcdef", 6), 6);
    EXPECT_EQ(b.Write("ghijkl", 6), 4); // only what fits
    EXPECT_EQ(b.Write("z", 1), 0);
    EXPECT_EQ(b.Remove(3), 3);
    const char* p = b.Peek(len);
    ASSERT_EQ(len, 7);
    EXPECT_EQ(std::string(p, 7), "defghij");
    EXPECT_EQ(b.Write("z", 1), 0); // the front is not reused while bytes are pending
    EXPECT_EQ(b.Remove(100), 7);
    EXPECT_EQ(b.FillCount(), 0);
    EXPECT_EQ(b.TakeCount(), 0);
    EXPECT_EQ(b.Write("0123456789", 10), 10); // drained: filled from the start again
}
