#include "base/Exception.h"
#include "base/IntText.h"

#include <gtest/gtest.h>

using namespace zuneigo;

TEST(IntText, AcceptsBlanksSignsAndDigits)
{
    EXPECT_EQ(TryStrToInt("42"), 42);
    EXPECT_EQ(TryStrToInt("   42"), 42);
    EXPECT_EQ(TryStrToInt("+7"), 7);
    EXPECT_EQ(TryStrToInt("-4"), -4);
    EXPECT_EQ(TryStrToInt("  -0"), 0);
    EXPECT_EQ(TryStrToInt("007"), 7);
}

TEST(IntText, AcceptsHexadecimalAfterDollarOrZeroX)
{
    EXPECT_EQ(TryStrToInt("$1F"), 31);
    EXPECT_EQ(TryStrToInt("$ff"), 255);
    EXPECT_EQ(TryStrToInt("0x10"), 16);
    EXPECT_EQ(TryStrToInt("0X7FFFFFFF"), INT32_MAX);
    EXPECT_EQ(TryStrToInt(" -$10"), -16);
    EXPECT_FALSE(TryStrToInt("$"));
    EXPECT_FALSE(TryStrToInt("0x"));
    EXPECT_FALSE(TryStrToInt("$1G"));
    EXPECT_FALSE(TryStrToInt("$80000000"));
}

TEST(IntText, RejectsEmptyTrailingAndMisplacedCharacters)
{
    EXPECT_FALSE(TryStrToInt(""));
    EXPECT_FALSE(TryStrToInt("   "));
    EXPECT_FALSE(TryStrToInt("-"));
    EXPECT_FALSE(TryStrToInt("1 "));   // a trailing blank is something after the digits
    EXPECT_FALSE(TryStrToInt("12a"));
    EXPECT_FALSE(TryStrToInt("1.5"));
    EXPECT_FALSE(TryStrToInt("- 1"));
    EXPECT_FALSE(TryStrToInt("+-1"));
    EXPECT_FALSE(TryStrToInt("\t1"));  // only blanks lead
    EXPECT_FALSE(TryStrToInt(std::string_view("1\0", 2)));
}

TEST(IntText, HoldsTheSigned32BitRangeExactly)
{
    EXPECT_EQ(TryStrToInt("2147483647"), INT32_MAX);
    EXPECT_EQ(TryStrToInt("-2147483648"), INT32_MIN);
    EXPECT_FALSE(TryStrToInt("2147483648"));
    EXPECT_FALSE(TryStrToInt("-2147483649"));
    EXPECT_FALSE(TryStrToInt("99999999999999999999999999"));
    EXPECT_EQ(TryStrToInt("0000000000000000000000000012"), 12);
}

TEST(IntText, StrToIntRaisesConversionErrorWithTheText)
{
    EXPECT_EQ(StrToInt("-12"), -12);
    try {
        StrToInt("abc");
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(StrToIntDef("x", 5), 5);
}
