#include "ui/gif/GIFTypes.h"

#include "base/Exception.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace zuneigo {

namespace {
std::atomic<std::size_t> maxPixels{std::size_t(1) << 28};
}

std::size_t TGIFBitmap::MaxPixels() { return maxPixels.load(std::memory_order_relaxed); }
void TGIFBitmap::SetMaxPixels(std::size_t pixels)
{
    // The decoder keeps pixel positions in 32 bits.
    maxPixels.store(std::min<std::size_t>(pixels, 0xFFFF0000u), std::memory_order_relaxed);
}

TGIFBitmap::TGIFBitmap(int width, int height, int bitsPerPixel, std::size_t spare)
    : width_(width < 0 ? 0 : width),
      height_(height < 0 ? 0 : height),
      bpp_(bitsPerPixel)
{
    // The decoder also keeps one byte per pixel while it works, hence the pixel bound.
    if (static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) > MaxPixels())
        throw Exception(gifmsg::ImageTooLarge);
    rowBytes_ = RowBytesFor(width_, bpp_);
    const std::size_t size = Size() + spare;
    if (size != 0) {
        bits_.reset(static_cast<std::uint8_t*>(std::calloc(size, 1)));
        if (!bits_)
            throw std::bad_alloc();
    }
}

std::size_t TGIFBitmap::RowBytesFor(int width, int bitsPerPixel)
{
    return (static_cast<std::size_t>(bitsPerPixel) * static_cast<std::size_t>(width) + 31) / 32 * 4;
}

int TGIFBitmap::Pixel(int x, int y) const
{
    const std::uint8_t* row = ScanLine(y);
    switch (bpp_) {
    case 8:
        return row[x];
    case 4:
        return (x & 1) ? (row[x >> 1] & 15) : (row[x >> 1] >> 4);
    default:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
}

TGIFColor TGIFBitmap::PixelColor(int x, int y) const
{
    const int index = Pixel(x, y);
    return static_cast<std::size_t>(index) < palette_.size() ? palette_[static_cast<std::size_t>(index)] : TGIFColor{};
}

} // namespace zuneigo
