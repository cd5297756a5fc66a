#include "base/StringUtil.h"

#include <gtest/gtest.h>

using namespace zuneigo;

TEST(StringUtil, TrimsControlCharactersAndBlanksOnly)
{
    EXPECT_EQ(Trim("  \t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(TrimRight("  x "), "  x");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0"); // high bytes are text, not blanks
    EXPECT_EQ(Trim(""), "");
}

TEST(StringUtil, CaseFoldsAsciiOnly)
{
    EXPECT_EQ(LowerCase("Content-Length \xC4"), "content-length \xC4");
    EXPECT_EQ(UpperCase("abc\xE4"), "ABC\xE4");
    EXPECT_TRUE(SameText("Location", "LOCATION"));
    EXPECT_FALSE(SameText("Location", "Locatio"));
}
