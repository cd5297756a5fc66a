#include "ui/gif/GIFFrame.h"

#include "base/Exception.h"
#include "ui/gif/GIFByteReader.h"
#include "ui/gif/GIFDecoder.h"
#include "ui/gif/GIFImage.h"

#include <algorithm>

namespace zuneigo {

using gifdetail::GifByteReader;
using gifdetail::ReadColorTable;
using gifdetail::ReadLe16;

void TGIFFrame::Read(GifByteReader& in, int screenWidth, int screenHeight, const TGIFColorTable& global,
                     std::vector<TGIFExtension> extensions, bool tolerate)
{
    const std::uint8_t* d = in.Take(9);
    if (!d)
        throw Exception(gifmsg::StreamRead);
    left_ = static_cast<int>(ReadLe16(d));
    top_ = static_cast<int>(ReadLe16(d + 2));
    width_ = static_cast<int>(ReadLe16(d + 4));
    height_ = static_cast<int>(ReadLe16(d + 6));
    packed_ = d[8];

    if (packed_ & 0x80) {
        bitsPerPixel_ = (packed_ & 7) + 1;
        colorTable_ = ReadColorTable(in, bitsPerPixel_);
    } else {
        colorTable_ = global;
    }

    // The code size byte and the sub-blocks, kept as stored; data cut by the end of the
    // stream is kept as far as it goes and marks the frame.
    const std::uint8_t* start = in.Position();
    std::uint8_t b = 0;
    if (!in.ReadByte(b)) {
        corrupted_ = true;
    } else {
        for (;;) {
            std::uint8_t len = 0;
            if (!in.ReadByte(len)) {
                corrupted_ = true;
                break;
            }
            if (len == 0)
                break;
            if (in.Remaining() < len) {
                in.Skip(len);
                corrupted_ = true;
                break;
            }
            in.Skip(len);
        }
    }
    imageData_.assign(start, in.Position());
    if (corrupted_ && !tolerate)
        throw Exception(gifmsg::StreamRead);

    if (width_ == 0)
        width_ = screenWidth;
    if (height_ == 0)
        height_ = screenHeight;
    extensions_ = std::move(extensions);
    EvaluateGraphicControl();
}

void TGIFFrame::EvaluateGraphicControl()
{
    hasTransparent_ = false;
    transparent_ = TGIFColor{};
    delay_ = 0;
    disposal_ = 0;
    for (const TGIFExtension& e : extensions_) {
        if (e.Type != TGIFExtension::gxGraphicControl)
            continue;
        if (e.Packed & 1) {
            // An index outside the table leaves what an earlier extension set.
            if (e.TransparentIndex < colorTable_.size()) {
                hasTransparent_ = true;
                transparent_ = colorTable_[e.TransparentIndex];
            }
        } else {
            hasTransparent_ = false;
        }
        delay_ = std::max(delay_, static_cast<int>(e.Delay) * 10);
        disposal_ = (e.Packed >> 2) & 7;
    }
}

const TGIFBitmap& TGIFFrame::Bitmap() const
{
    if (bitmap_)
        return *bitmap_;
    int depth;
    if (bitsPerPixel_ == 1)
        depth = 1;
    else if (bitsPerPixel_ >= 2 && bitsPerPixel_ <= 4)
        depth = 4;
    else if (bitsPerPixel_ >= 5 && bitsPerPixel_ <= 8)
        depth = 8;
    else
        throw Exception(gifmsg::WrongColorCount);

    auto bitmap = std::make_shared<TGIFBitmap>(width_, height_, depth, depth == 8 ? gifdetail::DecodeSpare : 0);
    TGIFColorTable palette(std::size_t(1) << depth);
    std::copy_n(colorTable_.begin(), std::min(palette.size(), colorTable_.size()), palette.begin());
    bitmap->SetPalette(std::move(palette));

    const bool strict = !TGIFImage::TolerateDamagedData();
    const gifdetail::LzwOutcome outcome = gifdetail::DecodeLzw(imageData_, Interlaced(), strict, *bitmap);
    if (outcome.CodeSizeOutOfRange) {
        if (strict)
            throw Exception(gifmsg::CodeSizeRange);
        corrupted_ = true;
    }
    if (outcome.Corrupt) {
        if (strict)
            throw Exception(gifmsg::CorruptData);
        corrupted_ = true;
    }
    bitmap_ = std::move(bitmap);
    return *bitmap_;
}

void TGIFFrame::SetBitsPerPixel(int bits)
{
    bitsPerPixel_ = bits;
    bitmap_.reset();
}

} // namespace zuneigo
