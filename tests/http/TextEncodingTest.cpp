#include "http/TextEncoding.h"

#include "../support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace zuneigo;

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
    // decoded by the system's own decoder
    zuneigo::test::TempDir dir;
    zuneigo::test::WriteFile(dir.File("enc"), enc);
    std::string decoded;
    ASSERT_EQ(zuneigo::test::RunCommand({zuneigo::test::FindProgram("base64"), "-d", dir.File("enc")}, &decoded), 0);
    EXPECT_EQ(decoded, bytes);
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
