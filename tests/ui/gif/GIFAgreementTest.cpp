// The reader against giflib on pictures written by real encoders: every frame, pixel for
// pixel, with its colours, position, transparency, delay and disposal; the loop count and
// the comment text.
#include "tests/support/TestSupport.h"
#include "tests/ui/gif/GifTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace zuneigo::test {
namespace {

int BitmapDepth(int frameBits) { return frameBits == 1 ? 1 : frameBits <= 4 ? 4
                                                                            : 8; }

// The graphic control and comment blocks giflib saw before an image, with a plain-text
// extension throwing away what came before it.
struct Expected {
    bool transparent = false;
    TGIFColor transparentColor;
    int delay = 0;
    int disposal = 0;
    std::vector<std::string> comments;
};

Expected FromBlocks(const SavedImage& image, const std::vector<TGIFColor>& table)
{
    Expected e;
    int current = -1;
    for (int i = 0; i < image.ExtensionBlockCount; ++i) {
        const ExtensionBlock& b = image.ExtensionBlocks[i];
        if (b.Function != CONTINUE_EXT_FUNC_CODE)
            current = b.Function;
        if (current == PLAINTEXT_EXT_FUNC_CODE && b.Function == PLAINTEXT_EXT_FUNC_CODE)
            e = Expected{};
        if (current == COMMENT_EXT_FUNC_CODE)
            e.comments.emplace_back(reinterpret_cast<const char*>(b.Bytes), static_cast<std::size_t>(b.ByteCount));
        if (b.Function == GRAPHICS_EXT_FUNC_CODE) {
            GraphicsControlBlock gcb;
            DGifExtensionToGCB(static_cast<std::size_t>(b.ByteCount), b.Bytes, &gcb);
            if (gcb.TransparentColor >= 0 && static_cast<std::size_t>(gcb.TransparentColor) < table.size()) {
                e.transparent = true;
                e.transparentColor = table[static_cast<std::size_t>(gcb.TransparentColor)];
            } else if (gcb.TransparentColor < 0) {
                e.transparent = false;
            }
            e.delay = std::max(e.delay, gcb.DelayTime * 10);
            e.disposal = gcb.DisposalMode;
        }
    }
    return e;
}

std::vector<std::string> FrameComments(const TGIFFrame& frame)
{
    std::vector<std::string> lines;
    for (const TGIFExtension& e : frame.Extensions())
        if (e.Type == TGIFExtension::gxComment)
            lines.insert(lines.end(), e.Lines.begin(), e.Lines.end());
    return lines;
}

// The picture's comment: comment extensions after the last image, a CR LF CR LF line
// between two of them.
std::vector<std::string> TrailingComments(const GifFileType* gif)
{
    std::vector<std::string> lines;
    int current = -1;
    int seen = 0;
    for (int i = 0; i < gif->ExtensionBlockCount; ++i) {
        const ExtensionBlock& b = gif->ExtensionBlocks[i];
        if (b.Function != CONTINUE_EXT_FUNC_CODE) {
            current = b.Function;
            if (current == COMMENT_EXT_FUNC_CODE && seen++ > 0)
                lines.push_back("\r\n\r\n");
        }
        if (current == COMMENT_EXT_FUNC_CODE)
            lines.emplace_back(reinterpret_cast<const char*>(b.Bytes), static_cast<std::size_t>(b.ByteCount));
    }
    return lines;
}

int LoopCount(const GifFileType* gif)
{
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& s = gif->SavedImages[i];
        for (int k = 0; k + 1 < s.ExtensionBlockCount; ++k) {
            const ExtensionBlock& b = s.ExtensionBlocks[k];
            if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 && std::string(reinterpret_cast<const char*>(b.Bytes), 11) == "NETSCAPE2.0") {
                const ExtensionBlock& d = s.ExtensionBlocks[k + 1];
                if (d.ByteCount >= 3 && d.Bytes[0] == 1)
                    return d.Bytes[1] | (d.Bytes[2] << 8);
            }
        }
    }
    return -1;
}

void CompareWithGiflib(const std::string& file)
{
    SCOPED_TRACE(file);
    const std::string bytes = ReadFile(file);
    GiflibPicture ref(bytes);
    ASSERT_TRUE(ref.Ok()) << "giflib refused the picture";
    const GifFileType* gif = ref.Gif();

    TGIFImage image;
    LoadBytes(image, bytes);

    EXPECT_EQ(image.VersionText(), bytes.substr(3, 3));
    EXPECT_EQ(image.Width(), gif->SWidth);
    EXPECT_EQ(image.Height(), gif->SHeight);
    EXPECT_EQ(image.ColorResolution(), gif->SColorResolution);
    EXPECT_EQ(image.BackgroundIndex(), gif->SBackGroundColor);
    EXPECT_EQ(image.AspectRatio(), gif->AspectByte);
    const std::vector<TGIFColor> global = ToTable(gif->SColorMap);
    EXPECT_EQ(image.GlobalColorTable(), global);
    if (gif->SColorMap) {
        EXPECT_EQ(image.BitsPerPixel(), gif->SColorMap->BitsPerPixel);
    }
    EXPECT_EQ(image.Comment(), TrailingComments(gif));
    const int loop = LoopCount(gif);
    EXPECT_EQ(image.Looping(), loop >= 0);
    if (loop >= 0) {
        EXPECT_EQ(image.LoopCount(), loop);
    }

    ASSERT_EQ(image.FrameCount(), static_cast<std::size_t>(gif->ImageCount));
    for (int i = 0; i < gif->ImageCount; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const SavedImage& s = gif->SavedImages[i];
        const TGIFFrame& f = image.Frame(static_cast<std::size_t>(i));
        EXPECT_EQ(f.Left(), s.ImageDesc.Left);
        EXPECT_EQ(f.Top(), s.ImageDesc.Top);
        ASSERT_EQ(f.Width(), s.ImageDesc.Width);
        ASSERT_EQ(f.Height(), s.ImageDesc.Height);
        EXPECT_EQ(f.Interlaced(), s.ImageDesc.Interlace);
        EXPECT_EQ(f.HasLocalColorTable(), s.ImageDesc.ColorMap != nullptr);
        const std::vector<TGIFColor> table = s.ImageDesc.ColorMap ? ToTable(s.ImageDesc.ColorMap) : global;
        EXPECT_EQ(f.ColorTable(), table);

        const Expected e = FromBlocks(s, table);
        EXPECT_EQ(f.HasTransparentColor(), e.transparent);
        if (e.transparent) {
            EXPECT_EQ(f.TransparentColor(), e.transparentColor);
        }
        EXPECT_EQ(f.Delay(), e.delay);
        EXPECT_EQ(f.Disposal(), e.disposal);
        EXPECT_EQ(FrameComments(f), e.comments);

        const TGIFBitmap& bm = f.Bitmap();
        EXPECT_FALSE(f.Corrupted());
        EXPECT_EQ(bm.BitsPerPixel(), BitmapDepth(f.BitsPerPixel()));
        const int mask = (1 << bm.BitsPerPixel()) - 1;
        const std::vector<std::uint8_t> ours = Indices(bm);
        std::size_t differing = 0;
        for (std::size_t p = 0; p < ours.size(); ++p)
            if (ours[p] != (s.RasterBits[p] & mask))
                ++differing;
        EXPECT_EQ(differing, 0u) << "pixels that differ from giflib";
        for (std::size_t c = 0; c < table.size() && c < bm.Palette().size(); ++c)
            EXPECT_EQ(bm.Palette()[c], table[c]);
    }
}

TEST(GIFAgreement, EveryCorpusPictureDecodesLikeGiflib)
{
    TempDir dir;
    const std::vector<std::string> files = MakeCorpus(dir.Path());
    ASSERT_GE(files.size(), 45u) << "the encoders did not write the whole corpus";
    // Guards the corpus too: an encoder that stops writing some feature would make the
    // comparison prove less than it claims.
    std::set<int> depths;
    bool interlaced = false, local = false, offset = false, multi = false, transparent = false, v87 = false, v89 = false,
         loop = false, comment = false;
    for (const std::string& file : files) {
        CompareWithGiflib(file);
        TGIFImage image;
        LoadBytes(image, ReadFile(file));
        v87 |= image.Version() == 1;
        v89 |= image.Version() == 2;
        loop |= image.Looping();
        comment |= !image.Comment().empty();
        multi |= image.FrameCount() > 1;
        for (const TGIFFrame& f : image.Frames()) {
            depths.insert(f.BitsPerPixel());
            interlaced |= f.Interlaced();
            local |= f.HasLocalColorTable();
            offset |= (f.Left() > 0 || f.Top() > 0) && f.Width() < image.Width();
            transparent |= f.HasTransparentColor();
        }
    }
    for (int d : {1, 2, 4, 7, 8})
        EXPECT_TRUE(depths.count(d)) << "depth " << d;
    EXPECT_TRUE(interlaced && local && offset && multi && transparent && v87 && v89 && loop && comment);
}

} // namespace
} // namespace zuneigo::test
