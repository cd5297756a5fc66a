// The reader's own rules: versions, the block order, comments, extensions, transparency,
// delay and disposal, bitmap layout and depth, damaged data and every message.
#include "base/Exception.h"
#include "base/Stream.h"
#include "tests/ui/gif/GifTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace zuneigo::test {
namespace {

// A small valid picture: 4 colours, 6x4, one frame.
std::string Small(const std::string& signature = "GIF89a")
{
    return GifWriter().Header(signature).Screen(6, 4, 2, Palette(4)).SmallImage().Trailer().Bytes();
}

TEST(GIFVersion, SignatureAndVersionAreComparedWithoutCaseAndOthersRefused)
{
    TGIFImage image;
    LoadBytes(image, Small("gif89a"));
    EXPECT_EQ(image.Version(), 2);
    LoadBytes(image, Small("Gif87A"));
    EXPECT_EQ(image.Version(), 1);
    EXPECT_EQ(image.VersionText(), "87a");
    ASSERT_EQ(image.FrameCount(), 1u);
    for (const std::string& bad : {Small("GIF90a"), Small("GIX89a"), Small("GIF88a"), std::string("GIF8"), std::string()})
        EXPECT_EQ(LoadMessage(bad), "Unknown GIF version") << bad.substr(0, 6);
}

TEST(GIFScreen, DescriptorTableAndBackground)
{
    TGIFImage image;
    LoadBytes(image, GifWriter().Header().Screen(300, 2, 3, Palette(8), 5).Image(3, 2, Ramp(6, 8), 3).Trailer().Bytes());
    EXPECT_EQ(image.Width(), 300);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.BitsPerPixel(), 3);
    EXPECT_EQ(image.ColorResolution(), 8);
    EXPECT_EQ(image.GlobalColorTable().size(), 8u);
    ASSERT_TRUE(image.HasBackgroundColor());
    EXPECT_EQ(image.BackgroundColor(), Palette(8)[5]);

    // A background index outside the table gives no background colour.
    LoadBytes(image, GifWriter().Header().Screen(3, 2, 1, Palette(2), 5).Image(3, 2, Ramp(6, 2), 2).Trailer().Bytes());
    EXPECT_FALSE(image.HasBackgroundColor());
    // A cut screen descriptor or table is a read error.
    EXPECT_EQ(LoadMessage(Small().substr(0, 10)), "Stream-Read-Fehler");
    EXPECT_EQ(LoadMessage(Small().substr(0, 13 + 5)), "Stream-Read-Fehler");
}

TEST(GIFBlocks, ZeroBytesBetweenBlocksAreSkippedAndTheTrailerEndsReading)
{
    GifWriter w;
    w.Start().Raw(std::string(3, '\0')).GraphicControl(1, 0, 2).Raw(std::string(2, '\0'));
    w.SmallImage().Raw(std::string(5, '\0')).Trailer().SmallImage(); // nothing after the trailer is read
    TGIFImage image;
    LoadBytes(image, w.Bytes());
    ASSERT_EQ(image.FrameCount(), 1u);
    EXPECT_TRUE(image.Frame(0).HasTransparentColor());
}

TEST(GIFBlocks, AStrayByteEndsReadingAfterAnImageButIsAnErrorAfterAnExtension)
{
    const std::string head = GifWriter().Start().SmallImage().Bytes();
    TGIFImage image;
    LoadBytes(image, head + "x" + GifWriter().SmallImage().Trailer().Bytes());
    EXPECT_EQ(image.FrameCount(), 1u);
    EXPECT_EQ(LoadMessage(head + GifWriter().GraphicControl(0, 0, 0).Raw("x").Trailer().Bytes()), "Stream-Read-Fehler");
    EXPECT_EQ(LoadMessage(GifWriter().Start().Raw("x").SmallImage().Trailer().Bytes()), "Stream-Read-Fehler");
    // The trailer missing altogether is fine.
    LoadBytes(image, head);
    EXPECT_EQ(image.FrameCount(), 1u);
    // An unknown extension label is named in hex.
    EXPECT_EQ(LoadMessage(GifWriter().Start().Byte('!').Byte(0x0A).Byte(0).Trailer().Bytes()), "Unrecognized extension block: 0a");
    EXPECT_EQ(LoadMessage(GifWriter().Start().Byte('!').Byte(0xAB).Byte(0).Trailer().Bytes()), "Unrecognized extension block: ab");
}

TEST(GIFComments, WhereACommentBelongs)
{
    // A comment-only picture has no frames and keeps the text.
    TGIFImage image;
    LoadBytes(image, GifWriter().Header().Screen(10, 10, 1, {}).Comment({"Zeile eins", "Zeile zwei"}).Trailer().Bytes());
    EXPECT_EQ(image.FrameCount(), 0u);
    EXPECT_EQ(image.CurrentFrame(), nullptr);
    EXPECT_EQ(image.Comment(), (std::vector<std::string>{"Zeile eins", "Zeile zwei"}));

    // Comments after the last image are the picture's, with a separator line; the one in
    // front of the image belongs to the frame.
    GifWriter w;
    w.Start().Comment({"vorher"}).SmallImage().Comment({"a", "b"}).Comment({}).Comment({"c"}).GraphicControl(0, 0, 0).Trailer();
    LoadBytes(image, w.Bytes());
    EXPECT_EQ(image.Comment(), (std::vector<std::string>{"a", "b", "\r\n\r\n", "\r\n\r\n", "c"}));
    ASSERT_EQ(image.Frame(0).Extensions().size(), 1u);
    EXPECT_EQ(image.Frame(0).Extensions()[0].Lines, std::vector<std::string>{"vorher"});

    // Comments between two images belong to the second one, not to the picture.
    LoadBytes(image, GifWriter().Start().SmallImage().Comment({"zwei"}).SmallImage().Trailer().Bytes());
    EXPECT_TRUE(image.Comment().empty());
    ASSERT_EQ(image.Frame(1).Extensions().size(), 1u);
    EXPECT_EQ(image.Frame(1).Extensions()[0].Lines, std::vector<std::string>{"zwei"});

    // A comment cut off from its trailer is kept.
    LoadBytes(image, GifWriter().Start().SmallImage().Comment({"Ende"}).Bytes());
    EXPECT_EQ(image.Comment(), std::vector<std::string>{"Ende"});
}

TEST(GIFExtensions, ApplicationLoopCount)
{
    auto loopOf = [](const std::string& id, const std::string& block) {
        TGIFImage image;
        LoadBytes(image, GifWriter().Start().Application(id, {block, "more"}).SmallImage().Trailer().Bytes());
        return image.Looping() ? image.LoopCount() : -1;
    };
    EXPECT_EQ(loopOf("NETSCAPE2.0", std::string("\x01\x05\x00", 3)), 5);
    EXPECT_EQ(loopOf("ANIMEXTS1.0", std::string("\x01\x00\x00", 3)), 0);
    EXPECT_EQ(loopOf("NETSCAPE2.0", std::string("\x01\x40\x9C", 3)), 30000); // 40000
    EXPECT_EQ(loopOf("NETSCAPE2.0", std::string("\x01\x31\x75", 3)), 30000);
    EXPECT_EQ(loopOf("NETSCAPE2.0", std::string("\x01\x2F\x75", 3)), 29999);
    EXPECT_EQ(loopOf("NETSCAPE2.0", std::string("\x02\x05\x00", 3)), -1);
    EXPECT_EQ(loopOf("NETSCAPE2.0", std::string("\x01\x05", 2)), -1);
    EXPECT_EQ(loopOf("XMP DataXMP", std::string("\x01\x05\x00", 3)), -1);
}

TEST(GIFExtensions, TransparencyDelayAndDisposalFollowTheGraphicControlsInOrder)
{
    auto frameWith = [](const std::function<void(GifWriter&)>& controls) {
        GifWriter w;
        w.Start();
        controls(w);
        auto image = std::make_shared<TGIFImage>();
        LoadBytes(*image, w.SmallImage().Trailer().Bytes());
        return image;
    };
    // Transparent index 1; then an index outside the table leaves it.
    auto a = frameWith([](GifWriter& w) { w.GraphicControl(1 | (2 << 2), 7, 1).GraphicControl(1 | (3 << 2), 3, 200); });
    EXPECT_TRUE(a->Frame(0).HasTransparentColor());
    EXPECT_EQ(a->Frame(0).TransparentColor(), Palette(4)[1]);
    EXPECT_EQ(a->Frame(0).Delay(), 70);   // the largest
    EXPECT_EQ(a->Frame(0).Disposal(), 3); // the last
    // A later control without the flag takes it away.
    auto b = frameWith([](GifWriter& w) { w.GraphicControl(1, 0, 1).GraphicControl(0, 12, 1); });
    EXPECT_FALSE(b->Frame(0).HasTransparentColor());
    EXPECT_EQ(b->Frame(0).Delay(), 120);
    // No control: nothing.
    auto c = frameWith([](GifWriter&) {});
    EXPECT_FALSE(c->Frame(0).HasTransparentColor());
    EXPECT_EQ(c->Frame(0).Disposal(), 0);
    // A plain-text extension discards what was kept for the coming image.
    auto d = frameWith([](GifWriter& w) { w.GraphicControl(1, 50, 2).Comment({"weg"}).PlainText(); });
    EXPECT_TRUE(d->Frame(0).Extensions().empty());
    EXPECT_FALSE(d->Frame(0).HasTransparentColor());
    EXPECT_EQ(d->Frame(0).Delay(), 0);

    // The picture counts as transparent only when marked so and a frame has the colour.
    EXPECT_FALSE(a->Transparent());
    a->SetTransparent(true);
    EXPECT_TRUE(a->Transparent());
    c->SetTransparent(true);
    EXPECT_FALSE(c->Transparent());
}

TEST(GIFFrames, SizeLocalTablesAndDepth)
{
    // Zero size takes the screen's; larger than the screen is kept.
    GifWriter w;
    w.Start(5, 3).Descriptor(0, 0, 0, 0).Data(2, LzwEncode(Ramp(15, 4), 2));
    w.Descriptor(2, 1, 20, 9).Data(2, LzwEncode(Ramp(180, 4), 2)).Trailer();
    TGIFImage image;
    LoadBytes(image, w.Bytes());
    ASSERT_EQ(image.FrameCount(), 2u);
    EXPECT_EQ(image.Frame(0).Width(), 5);
    EXPECT_EQ(image.Frame(0).Height(), 3);
    EXPECT_EQ(Indices(image.Frame(0).Bitmap()), Ramp(15, 4));
    EXPECT_EQ(image.Frame(1).Width(), 20);
    EXPECT_EQ(Indices(image.Frame(1).Bitmap()), Ramp(180, 4));
    // Screen and frame both 0 wide: an empty bitmap, not a fault.
    LoadBytes(image, GifWriter().Start(0, 0).Descriptor(0, 0, 0, 0).Data(2, LzwEncode(Ramp(4, 4), 2)).Trailer().Bytes());
    EXPECT_EQ(image.Frame(0).Bitmap().Size(), 0u);

    // A local table gives the frame its own depth and colours.
    GifWriter local;
    local.Start(4, 4, 8).Descriptor(0, 0, 4, 4, false, 1, {TGIFColor{1, 2, 3}, TGIFColor{4, 5, 6}}).Data(2, LzwEncode(Ramp(16, 2), 2));
    local.Image(4, 4, Ramp(16, 200), 8).Trailer();
    LoadBytes(image, local.Bytes());
    EXPECT_EQ(image.Frame(0).BitsPerPixel(), 1);
    EXPECT_EQ(image.Frame(0).ColorTable().size(), 2u);
    EXPECT_EQ(image.Frame(0).Bitmap().Palette()[1], (TGIFColor{4, 5, 6}));
    EXPECT_EQ(image.Frame(1).BitsPerPixel(), 8);
    EXPECT_EQ(image.Frame(1).ColorTable(), image.GlobalColorTable());
    // Only the drawn frame is decoded while reading.
    EXPECT_TRUE(image.Frame(0).Decoded());
    EXPECT_FALSE(image.Frame(1).Decoded());
}

TEST(GIFBitmap, DepthRowLengthAndBottomUpRows)
{
    struct Case {
        int bits, depth, width;
        std::size_t rowBytes;
    };
    for (const Case& c : {Case{1, 1, 33, 8}, Case{2, 4, 9, 8}, Case{3, 4, 8, 4}, Case{4, 4, 1, 4}, Case{5, 8, 5, 8}, Case{8, 8, 4, 4}}) {
        SCOPED_TRACE(c.bits);
        const std::vector<std::uint8_t> pixels = Ramp(c.width * 3, 1 << c.bits);
        TGIFImage image;
        LoadBytes(image, GifWriter().Start(c.width, 3, c.bits).Image(c.width, 3, pixels, std::max(2, c.bits)).Trailer().Bytes());
        const TGIFBitmap& bm = image.Frame(0).Bitmap();
        EXPECT_EQ(bm.BitsPerPixel(), c.depth);
        EXPECT_EQ(bm.RowBytes(), c.rowBytes);
        EXPECT_EQ(bm.Palette().size(), std::size_t(1) << c.depth);
        EXPECT_EQ(Indices(bm), pixels);
        // The first row in memory is the last row of the picture.
        EXPECT_EQ(bm.ScanLine(2), bm.Bits());
        EXPECT_EQ(bm.ScanLine(0), bm.Bits() + 2 * c.rowBytes);
    }
}

TEST(GIFBitmap, PackingOfOneAndFourBitRowsAndMaskingToTheDepth)
{
    const auto row = [](TGIFImage& image, int w, int bits, const std::vector<std::uint8_t>& pixels, int codeSize) {
        LoadBytes(image, GifWriter().Start(w, 1, bits).Image(w, 1, pixels, codeSize).Trailer().Bytes());
        return image.Frame(0).Bitmap().ScanLine(0);
    };
    // 1 bit: leftmost pixel in the high bit.
    TGIFImage image;
    const std::uint8_t* bits = row(image, 10, 1, {1, 0, 1, 1, 0, 0, 0, 0, 1, 1}, 2);
    EXPECT_EQ(std::vector<int>(bits, bits + 3), (std::vector<int>{0xB0, 0xC0, 0}));
    bits = row(image, 3, 4, {0xA, 0x5, 0xF}, 4);
    EXPECT_EQ(std::vector<int>(bits, bits + 2), (std::vector<int>{0xA5, 0xF0}));

    // Two colours, but the data holds values up to 7: only the low bit counts.
    row(image, 8, 1, {0, 1, 2, 3, 4, 5, 6, 7}, 3);
    EXPECT_EQ(Indices(image.Frame(0).Bitmap()), (std::vector<std::uint8_t>{0, 1, 0, 1, 0, 1, 0, 1}));
    // Four colours make a 4-bit bitmap: values keep their low four bits.
    row(image, 4, 2, {3, 15, 16, 31}, 5);
    EXPECT_EQ(Indices(image.Frame(0).Bitmap()), (std::vector<std::uint8_t>{3, 15, 0, 15}));
    // Indices past the table read black from the padded palette.
    EXPECT_EQ(image.Frame(0).Bitmap().PixelColor(1, 0), TGIFColor{});
}

TEST(GIFInterlace, AllFourPassesForEveryHeightUpToSeventeen)
{
    // Stream row k holds the value k: with five rows they land as 0, 4, 2, 1, 3.
    EXPECT_EQ(InterlacedRows(5), (std::vector<int>{0, 4, 2, 1, 3}));
    for (int bits : {4, 8})
        for (int h = 1; h <= 17; ++h) {
            std::vector<std::uint8_t> stream;
            for (int k = 0; k < h; ++k)
                stream.insert(stream.end(), 2, static_cast<std::uint8_t>(k % (1 << bits)));
            TGIFImage image;
            LoadBytes(image, GifWriter().Start(2, h, bits).Image(2, h, stream, bits, true).Trailer().Bytes());
            const std::vector<int> rows = InterlacedRows(h);
            for (int k = 0; k < h; ++k)
                EXPECT_EQ(image.Frame(0).Bitmap().Pixel(1, rows[static_cast<std::size_t>(k)]), k % (1 << bits)) << bits << " bits, height " << h;
        }
}

TEST(GIFLoading, StreamsAreReadFromTheirPositionToTheEnd)
{
    TMemoryStream stream;
    stream.WriteString(std::string("\x10\x00\x00\x00", 4));
    stream.WriteString(Small());
    stream.SetPosition(4);
    TGIFImage image;
    image.LoadFromStream(stream);
    EXPECT_EQ(image.FrameCount(), 1u);
    EXPECT_EQ(image.FrameIndex(), 0);
    EXPECT_EQ(std::string(TGIFImage::FileFormatDescription), "CompuServe GIF Image");

    // Reading again replaces everything.
    LoadBytes(image, GifWriter().Header().Screen(10, 10, 1, {}).Comment({"x"}).Trailer().Bytes());
    EXPECT_EQ(image.FrameCount(), 0u);
    EXPECT_EQ(image.Width(), 10);
    EXPECT_THROW(image.LoadFromFile("/nonexistent/picture.gif"), Exception);
}

} // namespace
} // namespace zuneigo::test
