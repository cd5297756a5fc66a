#pragma once
// The plain value types of the GIF reader: colours, the extensions a frame keeps, the
// palette bitmap a frame decodes into, and the reader's message texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace zuneigo {

struct TGIFColor {
    std::uint8_t R = 0;
    std::uint8_t G = 0;
    std::uint8_t B = 0;
    friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};

using TGIFColorTable = std::vector<TGIFColor>;

// A graphic control or comment extension that preceded an image.
struct TGIFExtension {
    enum Kind { gxGraphicControl,
                gxComment };
    Kind Type = gxGraphicControl;
    // Graphic control: the packed byte, the delay in hundredths of a second and the
    // transparent index, as stored.
    std::uint8_t Packed = 0;
    std::uint16_t Delay = 0;
    std::uint8_t TransparentIndex = 0;
    // Comment: one line per non-empty sub-block.
    std::vector<std::string> Lines;
};

// A device-independent palette bitmap: 1, 4 or 8 bits per pixel, rows bottom-up, each row
// padded to a multiple of 4 bytes. At 1 and 4 bits the leftmost pixel sits in the high bits.
class TGIFBitmap {
public:
    TGIFBitmap() = default;
    // Zero-filled (every pixel colour 0). Raises when the bitmap would be unreasonably large.
    // `spare` zero bytes are allocated behind the bits for a writer's own use.
    TGIFBitmap(int width, int height, int bitsPerPixel, std::size_t spare = 0);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitsPerPixel() const { return bpp_; }
    std::size_t RowBytes() const { return rowBytes_; }
    std::size_t Size() const { return rowBytes_ * static_cast<std::size_t>(height_); }
    const TGIFColorTable& Palette() const { return palette_; }
    void SetPalette(TGIFColorTable palette) { palette_ = std::move(palette); }

    // The bits in memory order (first byte = bottom row).
    const std::uint8_t* Bits() const { return bits_.get(); }
    std::uint8_t* Bits() { return bits_.get(); }
    // Image row y, counted from the top.
    const std::uint8_t* ScanLine(int y) const { return bits_.get() + static_cast<std::size_t>(height_ - 1 - y) * rowBytes_; }
    std::uint8_t* ScanLine(int y) { return bits_.get() + static_cast<std::size_t>(height_ - 1 - y) * rowBytes_; }
    // The palette index of a pixel (no bounds check beyond the caller's).
    int Pixel(int x, int y) const;
    TGIFColor PixelColor(int x, int y) const;

    // Rows of (depth x width + 31) div 32 x 4 bytes.
    static std::size_t RowBytesFor(int width, int bitsPerPixel);
    // Process-wide bound on a bitmap's pixels (default 2^28, e.g. 16384 x 16384): a header
    // of a few bytes cannot make the reader claim gigabytes. Larger frames raise
    // "GIF image too large".
    static std::size_t MaxPixels();
    static void SetMaxPixels(std::size_t pixels);

private:
    struct FreeDeleter {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    int width_ = 0;
    int height_ = 0;
    int bpp_ = 0;
    std::size_t rowBytes_ = 0;
    // calloc: a large bitmap costs no page until a row is written.
    std::unique_ptr<std::uint8_t[], FreeDeleter> bits_;
    TGIFColorTable palette_;
};

// The reader's messages.
namespace gifmsg {
inline constexpr const char* UnknownVersion = "Unknown GIF version";
inline constexpr const char* CodeSizeRange = "GIF code size not in range 2 to 9";
inline constexpr const char* CorruptData = "GIF encoded data is corrupt";
inline constexpr const char* WrongColorCount = "Wrong number of colors; must be a power of 2";
inline constexpr const char* UnrecognizedExtension = "Unrecognized extension block: %.2x";
inline constexpr const char* StreamRead = "Stream-Read-Fehler";
inline constexpr const char* ImageTooLarge = "GIF image too large";
} // namespace gifmsg

} // namespace zuneigo
