#include "ui/gif/GIFImage.h"

#include "base/Exception.h"
#include "base/Stream.h"
#include "base/StringUtil.h"
#include "ui/gif/GIFByteReader.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace zuneigo {

using gifdetail::GifByteReader;
using gifdetail::ReadColorTable;
using gifdetail::ReadLe16;

namespace {

std::atomic<bool> tolerateDamagedData{true};

constexpr std::uint8_t ExtensionIntroducer = '!';
constexpr std::uint8_t ImageSeparator = ',';
constexpr std::uint8_t Trailer = ';';
constexpr int MaxLoopCount = 30000;

// Calls f(pointer, length) for each sub-block up to the empty one. A cut sub-block raises.
template <typename F>
void ReadSubBlocks(GifByteReader& in, F f)
{
    for (;;) {
        std::uint8_t len = 0;
        if (!in.ReadByte(len))
            throw Exception(gifmsg::StreamRead);
        if (len == 0)
            return;
        const std::uint8_t* data = in.Take(len);
        if (!data)
            throw Exception(gifmsg::StreamRead);
        f(data, len);
    }
}

} // namespace

bool TGIFImage::TolerateDamagedData() { return tolerateDamagedData.load(std::memory_order_relaxed); }
void TGIFImage::SetTolerateDamagedData(bool tolerate) { tolerateDamagedData.store(tolerate, std::memory_order_relaxed); }

int TGIFImage::ColorTableBits(std::size_t count)
{
    for (int bits = 1; bits <= 8; ++bits)
        if (count == (std::size_t(1) << bits))
            return bits;
    throw Exception(gifmsg::WrongColorCount);
}

std::string TGIFImage::VersionText() const
{
    switch (version_) {
    case 1:
        return "87a";
    case 2:
        return "89a";
    default:
        return "";
    }
}

const TGIFFrame* TGIFImage::CurrentFrame() const
{
    if (frameIndex_ < 0 || static_cast<std::size_t>(frameIndex_) >= frames_.size())
        return nullptr;
    return &frames_[static_cast<std::size_t>(frameIndex_)];
}

bool TGIFImage::Transparent() const
{
    return markedTransparent_ && std::any_of(frames_.begin(), frames_.end(), [](const TGIFFrame& f) { return f.HasTransparentColor(); });
}

void TGIFImage::Clear()
{
    const bool marked = markedTransparent_;
    *this = TGIFImage();
    markedTransparent_ = marked;
}

void TGIFImage::LoadFromStream(TStream& stream)
{
    std::vector<std::uint8_t> bytes;
    const std::int64_t left = stream.Size() - stream.Position();
    if (left > 0)
        bytes.reserve(static_cast<std::size_t>(left));
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t n = stream.Read(chunk, sizeof chunk);
        if (n == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    LoadFromBuffer(bytes.data(), bytes.size());
}

void TGIFImage::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, TFileStream::fmOpenRead);
    LoadFromStream(stream);
}

void TGIFImage::LoadFromBuffer(const void* data, std::size_t size)
{
    Clear();
    GifByteReader in(static_cast<const std::uint8_t*>(data), size);
    Read(in);
    if (frames_.empty())
        return;
    frameIndex_ = 0;
    try {
        frames_.front().Bitmap();
    } catch (...) {
        frames_.erase(frames_.begin());
        throw;
    }
}

void TGIFImage::Read(GifByteReader& in)
{
    const std::uint8_t* sig = in.Take(6);
    if (!sig)
        throw Exception(gifmsg::UnknownVersion);
    const std::string_view signature(reinterpret_cast<const char*>(sig), 3);
    const std::string_view version(reinterpret_cast<const char*>(sig + 3), 3);
    if (!SameText(signature, "GIF"))
        throw Exception(gifmsg::UnknownVersion);
    if (SameText(version, "87a"))
        version_ = 1;
    else if (SameText(version, "89a"))
        version_ = 2;
    else
        throw Exception(gifmsg::UnknownVersion);

    const std::uint8_t* sd = in.Take(7);
    if (!sd)
        throw Exception(gifmsg::StreamRead);
    width_ = static_cast<int>(ReadLe16(sd));
    height_ = static_cast<int>(ReadLe16(sd + 2));
    const std::uint8_t packed = sd[4];
    backgroundIndex_ = sd[5];
    aspectRatio_ = sd[6];
    bitsPerPixel_ = (packed & 7) + 1;
    colorResolution_ = ((packed >> 4) & 7) + 1;
    if (packed & 0x80) {
        globalTable_ = ReadColorTable(in, bitsPerPixel_);
        if (static_cast<std::size_t>(backgroundIndex_) < globalTable_.size()) {
            hasBackground_ = true;
            background_ = globalTable_[static_cast<std::size_t>(backgroundIndex_)];
        }
    }

    const bool tolerate = TolerateDamagedData();
    std::vector<TGIFExtension> kept;
    std::uint8_t b = in.NextBlockByte();
    bool ended = false;
    while (!ended && b != 0 && b != Trailer && !in.AtEnd()) {
        while (b == ExtensionIntroducer) {
            ReadExtension(in, kept);
            if (in.AtEnd()) {
                ended = true;
                break;
            }
            b = in.NextBlockByte();
        }
        if (ended)
            break;
        if (b == ImageSeparator) {
            TGIFFrame frame;
            if (!globalTable_.empty())
                frame.bitsPerPixel_ = ColorTableBits(globalTable_.size());
            frame.Read(in, width_, height_, globalTable_, std::move(kept), tolerate);
            kept.clear();
            frames_.push_back(std::move(frame));
            if (in.AtEnd())
                break;
            b = in.NextBlockByte();
            if (b != ExtensionIntroducer && b != ImageSeparator && b != Trailer)
                break;
        } else if (!kept.empty() && comment_.empty()) {
            // Extensions outside any image: their comments become the picture's comment,
            // and the same byte is looked at again.
            CollectComments(kept);
        } else if (b != 0 && b != Trailer) {
            throw Exception(gifmsg::StreamRead);
        }
    }
    // Comments that the end of the stream cut off from a trailer are kept all the same.
    if (!kept.empty() && comment_.empty())
        CollectComments(kept);
}

void TGIFImage::CollectComments(std::vector<TGIFExtension>& kept)
{
    bool first = true;
    for (const TGIFExtension& e : kept) {
        if (e.Type != TGIFExtension::gxComment)
            continue;
        if (!first)
            comment_.push_back("\r\n\r\n");
        first = false;
        comment_.insert(comment_.end(), e.Lines.begin(), e.Lines.end());
    }
    kept.clear();
}

void TGIFImage::ReadExtension(GifByteReader& in, std::vector<TGIFExtension>& kept)
{
    std::uint8_t label = 0;
    if (!in.ReadByte(label))
        throw Exception(gifmsg::StreamRead);
    switch (label) {
    case 0xF9: {
        const std::uint8_t* d = in.Take(6);
        if (!d)
            throw Exception(gifmsg::StreamRead);
        TGIFExtension e;
        e.Type = TGIFExtension::gxGraphicControl;
        e.Packed = d[1];
        e.Delay = static_cast<std::uint16_t>(ReadLe16(d + 2));
        e.TransparentIndex = d[4];
        kept.push_back(std::move(e));
        break;
    }
    case 0xFE: {
        TGIFExtension e;
        e.Type = TGIFExtension::gxComment;
        ReadSubBlocks(in, [&](const std::uint8_t* data, std::size_t len) {
            e.Lines.emplace_back(reinterpret_cast<const char*>(data), len);
        });
        kept.push_back(std::move(e));
        break;
    }
    case 0x01: {
        if (!in.Take(13))
            throw Exception(gifmsg::StreamRead);
        ReadSubBlocks(in, [](const std::uint8_t*, std::size_t) {});
        // Text drawn over the coming image replaces it: what was kept for it goes.
        kept.clear();
        break;
    }
    case 0xFF: {
        const std::uint8_t* d = in.Take(12);
        if (!d)
            throw Exception(gifmsg::StreamRead);
        const std::string_view id(reinterpret_cast<const char*>(d + 1), 11);
        const bool loopExtension = id == "NETSCAPE2.0" || id == "ANIMEXTS1.0";
        bool firstBlock = true;
        ReadSubBlocks(in, [&](const std::uint8_t* data, std::size_t len) {
            if (firstBlock && loopExtension && len >= 3 && data[0] == 1) {
                looping_ = true;
                loopCount_ = std::min(static_cast<int>(ReadLe16(data + 1)), MaxLoopCount);
            }
            firstBlock = false;
        });
        break;
    }
    default: {
        char text[64];
        std::snprintf(text, sizeof text, gifmsg::UnrecognizedExtension, static_cast<unsigned>(label));
        throw Exception(text);
    }
    }
}

} // namespace zuneigo
