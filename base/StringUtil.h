#pragma once
// Small byte-string helpers. Texts are single-byte (Windows-1252); case folding and
// trimming touch ASCII only, as on the wire.
#include <string>
#include <string_view>

namespace zuneigo {

// Removes leading and trailing control characters and blanks (bytes up to 32).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string LowerCase(std::string_view s);
std::string UpperCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);

} // namespace zuneigo
