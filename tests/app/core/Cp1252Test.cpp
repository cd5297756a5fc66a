#include "app/core/Cp1252.h"

#include <gtest/gtest.h>

using namespace zuneigo;

TEST(Cp1252, GermanLettersAndTheEuroSign)
{
    EXPECT_EQ(Cp1252ToUtf8("M\344dchen h\xF6ren \xFC\xDF\xC4\xD6\xDC \x80"), "Mädchen hören üßÄÖÜ €");
    EXPECT_EQ(Utf8ToCp1252("Mädchen hören üßÄÖÜ €"), "M\344dchen h\xF6ren \xFC\xDF\xC4\xD6\xDC \x80");
    EXPECT_EQ(Cp1252ToUtf16("\xE4\x80\x9F"), u"ä€Ÿ");
    EXPECT_EQ(Utf16ToCp1252(u"Größe „Titel“ – …"), "Gr\xF6\337e \x84Titel\x93 \x96 \x85");
}

TEST(Cp1252, EveryByteRoundTrips)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(all)), all);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    // Each byte stands for a different character.
    std::u16string chars = Cp1252ToUtf16(all);
    std::sort(chars.begin(), chars.end());
    EXPECT_EQ(std::adjacent_find(chars.begin(), chars.end()), chars.end());
}

TEST(Cp1252, MissingCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(Utf16ToCp1252(u"a\u0100b\u4E2Dc"), "a?b?c");
    EXPECT_EQ(Utf16ToCp1252(u"x\U0001F600y"), "x?y"); // one character, two UTF-16 units
    EXPECT_EQ(Utf16ToCp1252(std::u16string{u'a', char16_t(0xD800), u'b', char16_t(0xDC00)}), "a?b?");
    EXPECT_EQ(Utf8ToCp1252("x\xF0\x9F\x98\x80y"), "x?y");
    EXPECT_EQ(UnicodeToCp1252(0x20AC), '\x80');
    EXPECT_EQ(UnicodeToCp1252(0x0100), '?');
}

TEST(Cp1252, MalformedUtf8GivesOneQuestionMarkPerBrokenSequence)
{
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");       // cut short at the end
    EXPECT_EQ(Utf8ToCp1252("a\xC3z"), "a?z");     // cut short by a plain letter
    EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");    // overlong form of "/"
    EXPECT_EQ(Utf8ToCp1252("\xE0\x80\xAF"), "?"); // overlong three-byte form
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "?"); // an encoded surrogate
    EXPECT_EQ(Utf8ToCp1252("\x80\xBF"), "??");    // stray continuation bytes
    EXPECT_EQ(Utf8ToCp1252("\xF5\x80\x80\x80"), "????");
}
