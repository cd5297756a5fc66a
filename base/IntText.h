#pragma once
// Integer text conversion: optional leading blanks, an optional sign, then decimal
// digits, or hexadecimal digits after "$" or "0x"/"0X"; nothing may follow; the value
// must fit a signed 32-bit integer. Everything else, the empty text included, fails.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zuneigo {

std::optional<std::int32_t> TryStrToInt(std::string_view text);

// Raises EConvertError "'TEXT' is not a valid integer value" when the text does not convert.
std::int32_t StrToInt(std::string_view text);

// Like StrToInt, but returns fallback instead of raising.
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);

std::string IntToStr(std::int64_t value);

} // namespace zuneigo
