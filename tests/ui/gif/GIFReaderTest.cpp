// The reader's own rules: versions, the block order, comments, extensions, transparency,
// delay and disposal, bitmap layout and depth, damaged data and every message.
#include "base/Exception.h"
#include "base/Stream.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/gif/GifTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace zuneigo::test {
namespace {

std::string Message(const std::string& bytes, bool tolerate = true)
{
    TGIFImage image;
    try {
        LoadBytes(image, bytes, tolerate);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

std::vector<std::uint8_t> Ramp(int n, int modulo)
{
    std::vector<std::uint8_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(static_cast<std::uint8_t>((i * 7 + i / 5) % modulo));
    return v;
}

// A small valid picture: 4 colours, 6x4, one frame.
std::string Small(const std::string& signature = "GIF89a")
{
    return GifWriter().Header(signature).Screen(6, 4, 2, Palette(4)).Image(6, 4, Ramp(24, 4), 2).Trailer().Bytes();
}

TEST(GIFVersion, SignatureAndVersionAreComparedWithoutCase)
{
    TGIFImage image;
    LoadBytes(image, Small("gif89a"));
    EXPECT_EQ(image.Version(), 2);
    LoadBytes(image, Small("Gif87A"));
    EXPECT_EQ(image.Version(), 1);
    EXPECT_EQ(image.VersionText(), "87a");
    ASSERT_EQ(image.FrameCount(), 1u);
}

TEST(GIFVersion, OtherVersionsAndShortStreamsAreRefused)
{
    for (const std::string& bad : {Small("GIF90a"), Small("GIX89a"), Small("GIF88a"), std::string("GIF8"), std::string()})
        EXPECT_EQ(Message(bad), "Unknown GIF version") << bad.substr(0, 6);
}

TEST(GIFScreen, DescriptorTableAndBackground)
{
    const std::string bytes = GifWriter().Header().Screen(300, 2, 3, Palette(8), 5).Image(3, 2, Ramp(6, 8), 3).Trailer().Bytes();
    TGIFImage image;
    LoadBytes(image, bytes);
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
}

TEST(GIFScreen, CutScreenDescriptorOrTableIsAStreamReadError)
{
    const std::string full = Small();
    EXPECT_EQ(Message(full.substr(0, 10)), "Stream-Read-Fehler");
    EXPECT_EQ(Message(full.substr(0, 13 + 5)), "Stream-Read-Fehler");
}

TEST(GIFBlocks, ZeroBytesBetweenBlocksAreSkippedAndTheTrailerEndsReading)
{
    GifWriter w;
    w.Header().Screen(6, 4, 2, Palette(4)).Raw(std::string(3, '\0')).GraphicControl(1, 0, 2).Raw(std::string(2, '\0'));
    w.Image(6, 4, Ramp(24, 4), 2).Raw(std::string(5, '\0')).Trailer();
    // Whatever follows the trailer is not read.
    w.Image(6, 4, Ramp(24, 4), 2);
    TGIFImage image;
    LoadBytes(image, w.Bytes());
    ASSERT_EQ(image.FrameCount(), 1u);
    EXPECT_TRUE(image.Frame(0).HasTransparentColor());
}

TEST(GIFBlocks, AStrayByteEndsReadingAfterAnImageButIsAnErrorAfterAnExtension)
{
    const std::string head = GifWriter().Header().Screen(6, 4, 2, Palette(4)).Image(6, 4, Ramp(24, 4), 2).Bytes();
    TGIFImage image;
    LoadBytes(image, head + "x" + GifWriter().Image(6, 4, Ramp(24, 4), 2).Trailer().Bytes());
    EXPECT_EQ(image.FrameCount(), 1u);

    const std::string afterExtension = head + GifWriter().GraphicControl(0, 0, 0).Raw("x").Trailer().Bytes();
    EXPECT_EQ(Message(afterExtension), "Stream-Read-Fehler");
    const std::string atStart = GifWriter().Header().Screen(6, 4, 2, Palette(4)).Raw("x").Image(6, 4, Ramp(24, 4), 2).Trailer().Bytes();
    EXPECT_EQ(Message(atStart), "Stream-Read-Fehler");
    // The trailer missing altogether is fine.
    LoadBytes(image, head);
    EXPECT_EQ(image.FrameCount(), 1u);
}

TEST(GIFBlocks, UnknownExtensionLabelIsNamedInHex)
{
    const std::string head = GifWriter().Header().Screen(6, 4, 2, Palette(4)).Bytes();
    EXPECT_EQ(Message(head + GifWriter().Byte('!').Byte(0x0A).Byte(0).Trailer().Bytes()), "Unrecognized extension block: 0a");
    EXPECT_EQ(Message(head + GifWriter().Byte('!').Byte(0xAB).Byte(0).Trailer().Bytes()), "Unrecognized extension block: ab");
}

TEST(GIFComments, ACommentOnlyPictureHasNoFramesAndKeepsTheText)
{
    const std::string bytes = GifWriter().Header().Screen(10, 10, 1, {}).Comment({"Zeile eins", "Zeile zwei"}).Trailer().Bytes();
    TGIFImage image;
    LoadBytes(image, bytes);
    EXPECT_EQ(image.FrameCount(), 0u);
    EXPECT_EQ(image.CurrentFrame(), nullptr);
    EXPECT_EQ(image.Comment(), (std::vector<std::string>{"Zeile eins", "Zeile zwei"}));
}

TEST(GIFComments, CommentsAfterTheLastImageAreThePicturesWithASeparatorLine)
{
    GifWriter w;
    w.Header().Screen(6, 4, 2, Palette(4)).Comment({"vorher"}).Image(6, 4, Ramp(24, 4), 2);
    w.Comment({"a", "b"}).Comment({}).Comment({"c"}).GraphicControl(0, 0, 0);
    w.Trailer();
    TGIFImage image;
    LoadBytes(image, w.Bytes());
    EXPECT_EQ(image.Comment(), (std::vector<std::string>{"a", "b", "\r\n\r\n", "\r\n\r\n", "c"}));
    // The comment in front of the image belongs to the frame.
    ASSERT_EQ(image.Frame(0).Extensions().size(), 1u);
    EXPECT_EQ(image.Frame(0).Extensions()[0].Lines, std::vector<std::string>{"vorher"});

    // Comments between two images belong to the second one, not to the picture.
    GifWriter two;
    two.Header().Screen(6, 4, 2, Palette(4)).Image(6, 4, Ramp(24, 4), 2).Comment({"zwei"}).Image(6, 4, Ramp(24, 4), 2).Trailer();
    LoadBytes(image, two.Bytes());
    EXPECT_TRUE(image.Comment().empty());
    ASSERT_EQ(image.Frame(1).Extensions().size(), 1u);
    EXPECT_EQ(image.Frame(1).Extensions()[0].Lines, std::vector<std::string>{"zwei"});
}

TEST(GIFComments, ACommentCutOffFromItsTrailerIsKept)
{
    TGIFImage image;
    LoadBytes(image, GifWriter().Header().Screen(6, 4, 2, Palette(4)).Image(6, 4, Ramp(24, 4), 2).Comment({"Ende"}).Bytes());
    EXPECT_EQ(image.Comment(), std::vector<std::string>{"Ende"});
}

TEST(GIFExtensions, ApplicationLoopCount)
{
    auto loopOf = [](const std::string& id, const std::string& block) {
        TGIFImage image;
        LoadBytes(image, GifWriter().Header().Screen(6, 4, 2, Palette(4)).Application(id, {block, "more"}).Image(6, 4, Ramp(24, 4), 2).Trailer().Bytes());
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

TEST(GIFExtensions, PlainTextDiscardsWhatWasKeptForTheComingImage)
{
    GifWriter w;
    w.Header().Screen(6, 4, 2, Palette(4)).GraphicControl(1, 50, 2).Comment({"weg"}).PlainText().Image(6, 4, Ramp(24, 4), 2).Trailer();
    TGIFImage image;
    LoadBytes(image, w.Bytes());
    const TGIFFrame& f = image.Frame(0);
    EXPECT_TRUE(f.Extensions().empty());
    EXPECT_FALSE(f.HasTransparentColor());
    EXPECT_EQ(f.Delay(), 0);
}

TEST(GIFExtensions, TransparencyDelayAndDisposalFollowTheGraphicControlsInOrder)
{
    auto frameWith = [](const std::function<void(GifWriter&)>& controls) {
        GifWriter w;
        w.Header().Screen(6, 4, 2, Palette(4));
        controls(w);
        w.Image(6, 4, Ramp(24, 4), 2).Trailer();
        auto image = std::make_shared<TGIFImage>();
        LoadBytes(*image, w.Bytes());
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

    // The picture counts as transparent only when marked so and a frame has the colour.
    EXPECT_FALSE(a->Transparent());
    a->SetTransparent(true);
    EXPECT_TRUE(a->Transparent());
    c->SetTransparent(true);
    EXPECT_FALSE(c->Transparent());
}

TEST(GIFFrames, ZeroSizeTakesTheScreenAndLargerThanTheScreenIsKept)
{
    GifWriter w;
    w.Header().Screen(5, 3, 2, Palette(4)).Descriptor(0, 0, 0, 0).Data(2, LzwEncode(Ramp(15, 4), 2));
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
    LoadBytes(image, GifWriter().Header().Screen(0, 0, 2, Palette(4)).Descriptor(0, 0, 0, 0).Data(2, LzwEncode(Ramp(4, 4), 2)).Trailer().Bytes());
    EXPECT_EQ(image.Frame(0).Bitmap().Size(), 0u);
}

TEST(GIFFrames, LocalTableGivesTheFrameItsOwnDepthAndColours)
{
    GifWriter w;
    w.Header().Screen(4, 4, 8, Palette(256));
    w.Descriptor(0, 0, 4, 4, false, 1, {TGIFColor{1, 2, 3}, TGIFColor{4, 5, 6}}).Data(2, LzwEncode(Ramp(16, 2), 2));
    w.Image(4, 4, Ramp(16, 200), 8).Trailer();
    TGIFImage image;
    LoadBytes(image, w.Bytes());
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
        const int colours = 1 << c.bits;
        const std::vector<std::uint8_t> pixels = Ramp(c.width * 3, colours);
        TGIFImage image;
        LoadBytes(image, GifWriter().Header().Screen(c.width, 3, c.bits, Palette(colours)).Image(c.width, 3, pixels, std::max(2, c.bits)).Trailer().Bytes());
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

TEST(GIFBitmap, PackingOfOneAndFourBitRows)
{
    // 1 bit: leftmost pixel in the high bit.
    TGIFImage image;
    LoadBytes(image, GifWriter().Header().Screen(10, 1, 1, Palette(2)).Image(10, 1, {1, 0, 1, 1, 0, 0, 0, 0, 1, 1}, 2).Trailer().Bytes());
    const std::uint8_t* row = image.Frame(0).Bitmap().ScanLine(0);
    EXPECT_EQ(row[0], 0xB0);
    EXPECT_EQ(row[1], 0xC0);
    EXPECT_EQ(row[2], 0);
    LoadBytes(image, GifWriter().Header().Screen(3, 1, 4, Palette(16)).Image(3, 1, {0xA, 0x5, 0xF}, 4).Trailer().Bytes());
    row = image.Frame(0).Bitmap().ScanLine(0);
    EXPECT_EQ(row[0], 0xA5);
    EXPECT_EQ(row[1], 0xF0);
}

TEST(GIFBitmap, PixelValuesAreMaskedToTheBitmapDepth)
{
    // Two colours, but the data holds values up to 7: only the low bit counts.
    TGIFImage image;
    const std::vector<std::uint8_t> pixels{0, 1, 2, 3, 4, 5, 6, 7};
    LoadBytes(image, GifWriter().Header().Screen(8, 1, 1, Palette(2)).Image(8, 1, pixels, 3).Trailer().Bytes());
    EXPECT_EQ(Indices(image.Frame(0).Bitmap()), (std::vector<std::uint8_t>{0, 1, 0, 1, 0, 1, 0, 1}));
    // Four colours make a 4-bit bitmap: values keep their low four bits.
    LoadBytes(image, GifWriter().Header().Screen(4, 1, 2, Palette(4)).Image(4, 1, {3, 15, 16, 31}, 5).Trailer().Bytes());
    EXPECT_EQ(Indices(image.Frame(0).Bitmap()), (std::vector<std::uint8_t>{3, 15, 0, 15}));
    // Indices past the table read black from the padded palette.
    EXPECT_EQ(image.Frame(0).Bitmap().PixelColor(1, 0), TGIFColor{});
}

TEST(GIFInterlace, FiveRowsLandInTheOrderZeroFourTwoOneThree)
{
    // Row k of the stream holds the value 10 + k.
    const std::vector<std::uint8_t> stream{10, 11, 12, 13, 14};
    TGIFImage image;
    LoadBytes(image, GifWriter().Header().Screen(1, 5, 4, Palette(16)).Image(1, 5, stream, 4, true).Trailer().Bytes());
    const TGIFBitmap& bm = image.Frame(0).Bitmap();
    EXPECT_EQ(Indices(bm), (std::vector<std::uint8_t>{10 & 15, 13 & 15, 12 & 15, 14 & 15, 11 & 15}));
}

TEST(GIFInterlace, AllFourPassesForEveryHeightUpToSeventeen)
{
    for (int h = 1; h <= 17; ++h) {
        std::vector<std::uint8_t> stream;
        for (int k = 0; k < h; ++k)
            stream.insert(stream.end(), {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k)});
        TGIFImage image;
        LoadBytes(image, GifWriter().Header().Screen(2, h, 8, Palette(256)).Image(2, h, stream, 8, true).Trailer().Bytes());
        std::vector<int> expectOrder;
        for (int start : {0, 4, 2, 1})
            for (int y = start; y < h; y += start == 0 ? 8 : start == 4 ? 8 : start == 2 ? 4 : 2)
                expectOrder.push_back(y);
        const TGIFBitmap& bm = image.Frame(0).Bitmap();
        for (int k = 0; k < h; ++k)
            EXPECT_EQ(bm.Pixel(1, expectOrder[static_cast<std::size_t>(k)]), k) << "height " << h;
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
