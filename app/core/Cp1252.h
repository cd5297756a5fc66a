#pragma once
// Windows-1252, the code page of every text in the system, and Unicode, for the window
// toolkit's boundary. Characters the code page lacks become "?".
#include <string>
#include <string_view>

namespace zuneigo {

// The five bytes the code page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to
// the C1 controls of the same value, so every byte survives a round trip.
char32_t Cp1252ToUnicode(unsigned char byte);
// The byte for a code point, or '?' when the code page has none.
char UnicodeToCp1252(char32_t codePoint);

std::u16string Cp1252ToUtf16(std::string_view text);
// Surrogate pairs stand for one character (one "?"); a lone surrogate also gives "?".
std::string Utf16ToCp1252(std::u16string_view text);

std::string Cp1252ToUtf8(std::string_view text);
// Each malformed UTF-8 sequence gives one "?".
std::string Utf8ToCp1252(std::string_view text);

} // namespace zuneigo
