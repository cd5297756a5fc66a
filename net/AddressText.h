#pragma once
// Small parsers of address and number texts used by the resolvers.
#include <string_view>

namespace zuneigo {

// True for four decimal parts 0..255 joined by three dots, with blanks allowed before
// and after the whole text ("  1.2.3.4 "). An empty text is false.
bool IsDottedAddress(std::string_view text);
// Skips leading blanks and reads decimal digits up to the first non-digit; 0 when there
// are none.
int ParseLeadingNumber(std::string_view text);

} // namespace zuneigo
