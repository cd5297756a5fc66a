#include "base/Exception.h"
#include "base/IntText.h"

#include <gtest/gtest.h>

#include <optional>

using namespace zuneigo;

TEST(IntText, BlanksSignDigitsOrHexAndNothingElseWithinThirtyTwoBits)
{
    const std::pair<std::string_view, std::optional<std::int32_t>> cases[] = {
        // Blanks lead, then a sign, then decimal digits.
        {"42", 42},
        {"   42", 42},
        {"+7", 7},
        {"-4", -4},
        {"  -0", 0},
        {"007", 7},
        // Hexadecimal after $ or 0x.
        {"$1F", 31},
        {"$ff", 255},
        {"0x10", 16},
        {"0X7FFFFFFF", INT32_MAX},
        {" -$10", -16},
        {"$", {}},
        {"0x", {}},
        {"$1G", {}},
        {"$80000000", {}},
        // Only blanks lead; a trailing blank is something after the digits.
        {"", {}},
        {"   ", {}},
        {"-", {}},
        {"1 ", {}},
        {"12a", {}},
        {"1.5", {}},
        {"- 1", {}},
        {"+-1", {}},
        {"\t1", {}},
        {std::string_view("1\0", 2), {}},
        // Exactly the signed 32-bit range.
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", {}},
        {"-2147483649", {}},
        {"99999999999999999999999999", {}},
        {"0000000000000000000000000012", 12}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(TryStrToInt(text), value) << '"' << text << '"';
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
