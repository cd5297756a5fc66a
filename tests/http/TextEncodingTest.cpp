#include "http/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>

using namespace zuneigo;

namespace {
// Reference decoder, independent of the encoder's tables.
std::string DecodeBase64(const std::string& s)
{
    auto val = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string out;
    unsigned acc = 0;
    int bits = 0;
    for (char c : s) {
        if (c == '=') break;
        acc = (acc << 6) | static_cast<unsigned>(val(c));
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
}
} // namespace

TEST(Base64, PaddingOfTheLastGroup)
{
    for (int mode : {1, 2}) {
        EXPECT_EQ(EncodeText(mode, "abc"), "YWJj");
        EXPECT_EQ(EncodeText(mode, "ab"), "YWI=");
        EXPECT_EQ(EncodeText(mode, "a"), "YQ==");
        EXPECT_EQ(EncodeText(mode, ""), "");
    }
    EXPECT_EQ(EncodeText(1, "Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

TEST(Base64, LongInputIsOneLineAndRoundTripsAllByteValues)
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    const std::string enc = EncodeText(1, bytes);
    EXPECT_EQ(enc.find('\n'), std::string::npos);
    EXPECT_EQ(enc.size(), 344u);
    EXPECT_EQ(DecodeBase64(enc), bytes);
    EXPECT_EQ(EncodeBytes(1, std::string(100, 'x').data(), 100).size(), 136u);
    EXPECT_EQ(EncodeText(1, "\xFF\xFE\xFD"), "//79");
}

TEST(UuLine, CountCharacterAndGroupsWithoutPadding)
{
    EXPECT_EQ(EncodeText(0, "abc"), "#86)C");
    EXPECT_EQ(EncodeText(0, ""), "`");
    // zero bits are written as the back quote, never as a blank
    EXPECT_EQ(EncodeText(0, std::string(3, '\0')), "#````");
    // one byte: padded to a group with zero bytes, no pad characters
    EXPECT_EQ(EncodeText(0, "a"), "!80``");
    EXPECT_EQ(EncodeText(0, "\xFF\xFF"), "\"__\\`");
    EXPECT_EQ(EncodeText(0, std::string(63, 'x')).front(), '_');
    EXPECT_EQ(EncodeText(0, std::string(64, 'x')).front(), '`');
    EXPECT_EQ(EncodeText(0, std::string(65, 'x')).front(), '!');
    EXPECT_EQ(EncodeText(0, std::string(45, 'x')).size(), 61u);
}
