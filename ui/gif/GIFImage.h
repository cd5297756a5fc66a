#pragma once
// A GIF picture (GIF87a and GIF89a): the logical screen, the global colour table, the comment
// text, the loop setting and the frames. Reading keeps the encoded data of every frame and
// decodes frame 0, the one that is drawn.
#include "ui/gif/GIFFrame.h"
#include "ui/gif/GIFTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zuneigo {

class TStream;

namespace gifdetail {
class GifByteReader;
}

class TGIFImage {
public:
    static constexpr const char* FileFormatDescription = "CompuServe GIF Image";

    // Process-wide: whether damaged data is read as far as it goes (on in this program) or
    // raises. Read when a picture is read and when a frame is decoded.
    static bool TolerateDamagedData();
    static void SetTolerateDamagedData(bool tolerate);

    // Reads the whole remaining content of the stream. Raises zuneigo::Exception with the
    // reader's messages (GIFTypes.h); the picture is then left empty or partly read.
    void LoadFromStream(TStream& stream);
    void LoadFromBuffer(const void* data, std::size_t size);
    void LoadFromFile(const std::string& fileName);
    void Clear();

    // 0 none recognised, 1 "87a", 2 "89a".
    int Version() const { return version_; }
    std::string VersionText() const;
    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitsPerPixel() const { return bitsPerPixel_; }
    int ColorResolution() const { return colorResolution_; }
    int AspectRatio() const { return aspectRatio_; }
    int BackgroundIndex() const { return backgroundIndex_; }
    bool HasBackgroundColor() const { return hasBackground_; }
    TGIFColor BackgroundColor() const { return background_; }
    const TGIFColorTable& GlobalColorTable() const { return globalTable_; }

    const std::vector<std::string>& Comment() const { return comment_; }
    bool Looping() const { return looping_; }
    int LoopCount() const { return loopCount_; }

    std::size_t FrameCount() const { return frames_.size(); }
    const std::vector<TGIFFrame>& Frames() const { return frames_; }
    const TGIFFrame& Frame(std::size_t index) const { return frames_.at(index); }
    TGIFFrame& Frame(std::size_t index) { return frames_.at(index); }
    bool Empty() const { return frames_.empty(); }
    // The frame that is drawn (0 after reading).
    int FrameIndex() const { return frameIndex_; }
    void SetFrameIndex(int index) { frameIndex_ = index; }
    // nullptr when FrameIndex names no frame (as without frames).
    const TGIFFrame* CurrentFrame() const;

    // Transparent only when marked so and at least one frame has a transparent colour.
    bool Transparent() const;
    bool MarkedTransparent() const { return markedTransparent_; }
    void SetTransparent(bool transparent) { markedTransparent_ = transparent; }

    // Bits of a colour table of `count` entries: 2 -> 1, 4 -> 2, ... 256 -> 8; any other
    // count raises "Wrong number of colors; must be a power of 2".
    static int ColorTableBits(std::size_t count);

private:
    void Read(gifdetail::GifByteReader& in);
    void ReadExtension(gifdetail::GifByteReader& in, std::vector<TGIFExtension>& kept);
    void CollectComments(std::vector<TGIFExtension>& kept);

    int version_ = 0;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    int colorResolution_ = 0;
    int aspectRatio_ = 0;
    int backgroundIndex_ = 0;
    bool hasBackground_ = false;
    TGIFColor background_;
    TGIFColorTable globalTable_;
    std::vector<std::string> comment_;
    bool looping_ = false;
    int loopCount_ = 0;
    std::vector<TGIFFrame> frames_;
    int frameIndex_ = 0;
    bool markedTransparent_ = false;
};

} // namespace zuneigo
