#pragma once
// The LZW decoder of the GIF reader (internal): encoded image data in, palette indices into
// a zero-filled bitmap out.
#include "ui/gif/GIFTypes.h"

#include <cstdint>
#include <vector>

namespace zuneigo::gifdetail {

struct LzwOutcome {
    bool CodeSizeOutOfRange = false; // clamped into 2 to 9 (or, strict, nothing decoded)
    bool Corrupt = false;            // a code past the table stopped the decoding
    std::size_t Pixels = 0;          // pixels written in stream order
};

// imageData: the minimum code size byte and the sub-blocks as stored (cut sub-blocks are
// fine). The bitmap must be zero-filled, and an 8-bit one must have DecodeSpare spare
// bytes; pixels the data does not reach stay colour 0. With strict set, a code size out
// of range returns at once without decoding.
inline constexpr std::size_t DecodeSpare = 4096 + 16;

LzwOutcome DecodeLzw(const std::vector<std::uint8_t>& imageData, bool interlaced, bool strict, TGIFBitmap& bitmap);

} // namespace zuneigo::gifdetail
