#pragma once
// One image of a GIF picture: its descriptor, colour table, the encoded data as stored and
// the extensions that preceded it; decoded into a palette bitmap on first use.
#include "ui/gif/GIFTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace zuneigo {

namespace gifdetail {
class GifByteReader;
}

class TGIFFrame {
public:
    TGIFFrame() = default;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::uint8_t Packed() const { return packed_; }
    bool Interlaced() const { return (packed_ & 0x40) != 0; }
    bool HasLocalColorTable() const { return (packed_ & 0x80) != 0; }
    const TGIFColorTable& ColorTable() const { return colorTable_; }
    // The frame's depth: bits of its colour table (1 to 8).
    int BitsPerPixel() const { return bitsPerPixel_; }
    // The minimum code size byte and the sub-blocks with their length bytes, as stored.
    const std::vector<std::uint8_t>& ImageData() const { return imageData_; }
    const std::vector<TGIFExtension>& Extensions() const { return extensions_; }

    bool HasTransparentColor() const { return hasTransparent_; }
    TGIFColor TransparentColor() const { return transparent_; }
    // Milliseconds; disposal method 0 to 7.
    int Delay() const { return delay_; }
    int Disposal() const { return disposal_; }
    // Damaged data was met while reading or decoding.
    bool Corrupted() const { return corrupted_; }

    // Decodes on first use. Raises on a depth outside 1 to 8, and with damaged data not
    // tolerated on a bad code size or corrupt codes.
    const TGIFBitmap& Bitmap() const;
    bool Decoded() const { return bitmap_ != nullptr; }

    // Drops a bitmap decoded before.
    void SetBitsPerPixel(int bits);

private:
    friend class TGIFImage;
    // Reads the image descriptor, the local colour table and the image data; raises
    // "Stream-Read-Fehler" on a cut descriptor or table, and on cut image data when damaged
    // data is not tolerated.
    void Read(gifdetail::GifByteReader& in, int screenWidth, int screenHeight, const TGIFColorTable& global,
              std::vector<TGIFExtension> extensions, bool tolerate);
    void EvaluateGraphicControl();

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::uint8_t packed_ = 0;
    TGIFColorTable colorTable_;
    // No colour table at all: keep every index the data holds.
    int bitsPerPixel_ = 8;
    std::vector<std::uint8_t> imageData_;
    std::vector<TGIFExtension> extensions_;
    bool hasTransparent_ = false;
    TGIFColor transparent_;
    int delay_ = 0;
    int disposal_ = 0;
    mutable bool corrupted_ = false;
    mutable std::shared_ptr<const TGIFBitmap> bitmap_;
};

} // namespace zuneigo
