#pragma once
// The submission request: one GET of the service's submission script with the 14 values
// of the user's own ad as the query keys T1 to T14.
#include "app/core/AdRecord.h"

#include <array>
#include <string>
#include <string_view>

namespace zuneigo {

using AdValues = std::array<std::string, AdFieldCount>;

// Byte by byte: ASCII letters and digits stay, the blank becomes "+", every other byte
// "%XX" with two upper-case hexadecimal digits ("ä" in Windows-1252 is "%E4").
std::string EncodeQueryValue(std::string_view text);

// Each line break of the text (CR LF, a lone CR or a lone LF) replaced by one blank.
std::string OneLine(std::string_view text);

// prefix (for instance SubmitUrlPrefix()) followed by the encoded value of T1, then
// "&T2=" and the encoded value of T2, and so on up to T14. Values are taken on one line
// (OneLine) first, so no CR or LF is ever sent.
std::string BuildSubmitUrl(std::string_view prefix, const AdValues& values);

} // namespace zuneigo
