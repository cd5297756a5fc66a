#pragma once
// Base64 (RFC 2045 alphabet, no line breaks) for the Basic credentials, and the
// uu-style single line.
#include <cstddef>
#include <string>
#include <string_view>

namespace zuneigo {

// Mode 0: uu-style line (count character, groups of four, no padding or line end).
// Any other mode: Base64 with "=" padding.
std::string EncodeBytes(int mode, const void* bytes, std::size_t count);
std::string EncodeText(int mode, std::string_view text);

} // namespace zuneigo
