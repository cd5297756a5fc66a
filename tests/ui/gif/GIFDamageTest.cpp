// Damaged data: the LZW rules at their limits, cut and corrupted streams, every message of
// the damaged-data switch in both settings, and reading that never leaves its buffers.
#include "base/Exception.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/gif/GifTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <random>
#include <set>

namespace zuneigo::test {
namespace {

std::string OneFrame(int w, int h, int bits, const std::vector<std::uint8_t>& codes, int codeSize)
{
    return GifWriter().Header().Screen(w, h, bits, Palette(1 << bits)).Descriptor(0, 0, w, h).Data(codeSize, codes).Trailer().Bytes();
}

std::vector<std::uint8_t> GiflibRaster(const std::string& bytes, std::size_t n)
{
    GiflibPicture ref(bytes);
    EXPECT_TRUE(ref.Ok());
    return ref.Ok() ? std::vector<std::uint8_t>(ref.Gif()->SavedImages[0].RasterBits, ref.Gif()->SavedImages[0].RasterBits + n)
                    : std::vector<std::uint8_t>{};
}

// A picture written by PIL, cut inside its image data.
std::string PilNoise(const TempDir& dir, int w, int h)
{
    const std::string file = dir.File("noise.gif");
    const std::string script = "import random, sys\nfrom PIL import Image\nr = random.Random(5)\n"
                               "im = Image.new('P', (" +
        std::to_string(w) + ", " + std::to_string(h) + "))\n"
                                                       "im.putdata([r.randrange(256) for _ in range(im.size[0] * im.size[1])])\n"
                                                       "im.putpalette([r.randrange(256) for _ in range(768)])\n"
                                                       "im.save(sys.argv[1], interlace=0)\n";
    EXPECT_EQ(RunCommand({Python(), "-c", script, file}), 0);
    return ReadFile(file);
}

TEST(GIFLzw, CodeSizesTwoToEightAgreeWithGiflibAndNineDecodes)
{
    for (int s = 2; s <= 9; ++s) {
        SCOPED_TRACE(s);
        const int colours = 1 << std::min(s, 8);
        const std::vector<std::uint8_t> pixels = Noise(97 * 61, colours, static_cast<unsigned>(s));
        const std::string bytes = OneFrame(97, 61, std::min(s, 8), LzwEncode(pixels, s), s);
        TGIFImage image;
        LoadBytes(image, bytes, false);
        EXPECT_EQ(Indices(image.Frame(0).Bitmap()), pixels);
        if (s <= 8) {
            EXPECT_EQ(GiflibRaster(bytes, pixels.size()), pixels);
        }
    }
}

TEST(GIFLzw, AFullTableWithoutClearKeepsTwelveBitCodes)
{
    // Noise fills the 4096-entry table quickly; the encoder then goes on without a clear code.
    const std::vector<std::uint8_t> pixels = Noise(300 * 200, 256, 7);
    const std::vector<std::uint8_t> codes = LzwEncode(pixels, 8, true);
    const std::string bytes = OneFrame(300, 200, 8, codes, 8);
    ASSERT_EQ(GiflibRaster(bytes, pixels.size()), pixels);
    TGIFImage image;
    LoadBytes(image, bytes, false);
    EXPECT_EQ(Indices(image.Frame(0).Bitmap()), pixels);
    EXPECT_FALSE(image.Frame(0).Corrupted());
}

TEST(GIFLzw, LongRunsMakeLongStringsAcrossSubBlocksOfAnySize)
{
    std::vector<std::uint8_t> pixels(2000 * 40, 3);
    for (std::size_t i = 0; i < pixels.size(); i += 997)
        pixels[i] = 1;
    for (std::size_t block : {1u, 2u, 7u, 255u}) {
        const std::string bytes = GifWriter().Header().Screen(2000, 40, 2, Palette(4)).Descriptor(0, 0, 2000, 40).Data(2, LzwEncode(pixels, 2), block).Trailer().Bytes();
        TGIFImage image;
        LoadBytes(image, bytes, false);
        EXPECT_EQ(Indices(image.Frame(0).Bitmap()), pixels) << block;
    }
}

TEST(GIFLzw, DataUsedUpBeforeTheEndCodeLeavesTheRestColourZero)
{
    // Codes for four pixels, no end code: the remaining pixels stay 0, nothing is raised.
    const std::vector<std::uint8_t> codes = PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {2, 4}});
    TGIFImage image;
    LoadBytes(image, OneFrame(3, 3, 2, codes, 2), false);
    EXPECT_EQ(Indices(image.Frame(0).Bitmap()), (std::vector<std::uint8_t>{1, 2, 3, 2, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(image.Frame(0).Corrupted());
    // Codes past the last pixel are not written anywhere.
    const std::vector<std::uint8_t> many = Noise(500, 4, 1);
    LoadBytes(image, OneFrame(1, 2, 2, LzwEncode(many, 2), 2), false);
    EXPECT_EQ(Indices(image.Frame(0).Bitmap()), std::vector<std::uint8_t>(many.begin(), many.begin() + 2));
}

TEST(GIFMessages, CodeSizeOutOfRange)
{
    for (int bad : {0, 1, 10, 255}) {
        SCOPED_TRACE(bad);
        const std::string bytes = OneFrame(4, 2, 2, LzwEncode({1, 2, 3, 0, 1, 2, 3, 0}, 2), bad);
        EXPECT_EQ(LoadMessage(bytes, false), "GIF code size not in range 2 to 9");
        TGIFImage image;
        LoadBytes(image, bytes, true);
        EXPECT_TRUE(image.Frame(0).Corrupted());
    }
}

TEST(GIFMessages, ACodePastTheTableIsCorruptData)
{
    // clear, 1, 2, 3, then code 12 while the next free code is 8.
    const std::string past = OneFrame(4, 2, 2, PackCodes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {12, 4}, {5, 4}}), 2);
    EXPECT_EQ(LoadMessage(past, false), "GIF encoded data is corrupt");
    TGIFImage image;
    LoadBytes(image, past, true);
    EXPECT_TRUE(image.Frame(0).Corrupted());
    EXPECT_EQ(Indices(image.Frame(0).Bitmap()), (std::vector<std::uint8_t>{1, 2, 3, 0, 0, 0, 0, 0}));

    // The first code after a clear cannot name a table entry, not even the next free one.
    EXPECT_EQ(LoadMessage(OneFrame(4, 2, 2, PackCodes({{4, 3}, {6, 3}, {5, 3}}), 2), false), "GIF encoded data is corrupt");
    EXPECT_EQ(LoadMessage(OneFrame(4, 2, 2, PackCodes({{4, 3}, {1, 3}, {4, 3}, {7, 3}}), 2), false), "GIF encoded data is corrupt");
}

TEST(GIFMessages, WrongNumberOfColours)
{
    const auto message = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const Exception& e) {
            return e.Message();
        }
        return std::string("none");
    };
    EXPECT_EQ(TGIFImage::ColorTableBits(2), 1);
    EXPECT_EQ(TGIFImage::ColorTableBits(256), 8);
    for (std::size_t bad : {0u, 1u, 3u, 6u, 512u})
        EXPECT_EQ(message([&] { TGIFImage::ColorTableBits(bad); }), "Wrong number of colors; must be a power of 2") << bad;
    TGIFImage image;
    LoadBytes(image, OneFrame(4, 2, 2, LzwEncode({1, 2, 3, 0, 1, 2, 3, 0}, 2), 2));
    TGIFFrame frame = image.Frame(0);
    for (int bad : {0, 9, -1}) {
        frame.SetBitsPerPixel(bad);
        EXPECT_EQ(message([&] { frame.Bitmap(); }), "Wrong number of colors; must be a power of 2") << bad;
    }
    frame.SetBitsPerPixel(2);
    EXPECT_EQ(Indices(frame.Bitmap()), (std::vector<std::uint8_t>{1, 2, 3, 0, 1, 2, 3, 0}));
}

TEST(GIFMessages, ADrawnFrameThatFailsToDecodeIsRemoved)
{
    GifWriter w;
    w.Header().Screen(4, 2, 2, Palette(4)).Descriptor(0, 0, 4, 2).Data(11, LzwEncode({1, 2, 3, 0}, 2));
    w.Image(4, 2, {1, 1, 1, 1, 2, 2, 2, 2}, 2).Trailer();
    TGIFImage image;
    EXPECT_THROW(LoadBytes(image, w.Bytes(), false), Exception);
    ASSERT_EQ(image.FrameCount(), 1u);
    EXPECT_EQ(Indices(image.Frame(0).Bitmap()), (std::vector<std::uint8_t>{1, 1, 1, 1, 2, 2, 2, 2}));
}

TEST(GIFMessages, AHugeFrameIsRefusedBeforeAnyMemoryIsClaimed)
{
    const std::string bytes = GifWriter().Header().Screen(10, 10, 1, Palette(2)).Descriptor(0, 0, 65535, 65535).Data(2, LzwEncode({1}, 2)).Trailer().Bytes();
    EXPECT_EQ(LoadMessage(bytes, true), "GIF image too large");
}

TEST(GIFTruncation, ACutPictureShowsTheRowsDecodedAndTheRestColourZero)
{
    TempDir dir;
    const std::string full = PilNoise(dir, 120, 90);
    TGIFImage whole;
    LoadBytes(whole, full, false);
    const std::vector<std::uint8_t> all = Indices(whole.Frame(0).Bitmap());

    const std::string cut = full.substr(0, full.size() * 3 / 5);
    EXPECT_EQ(LoadMessage(cut, false), "Stream-Read-Fehler");
    TGIFImage image;
    LoadBytes(image, cut, true);
    ASSERT_EQ(image.FrameCount(), 1u);
    const TGIFFrame& f = image.Frame(0);
    EXPECT_TRUE(f.Corrupted());
    const std::vector<std::uint8_t> got = Indices(f.Bitmap());
    // A prefix agrees with the whole picture; everything after it is 0.
    const auto same = std::mismatch(got.begin(), got.end(), all.begin()).first;
    EXPECT_GT(same - got.begin(), static_cast<std::ptrdiff_t>(got.size() / 3));
    ASSERT_NE(same, got.end());
    EXPECT_EQ(std::count(same + 1, got.end(), 0), got.end() - same - 1);
    // Rows well past the cut are wholly 0.
    EXPECT_EQ(std::count(got.end() - 120, got.end(), 0), 120);
}

TEST(GIFTruncation, CutRowsInStreamOrderAtEveryDepthWidthAndInterlace)
{
    // Decoded rows come first in stream order, then at most one partial row, then rows of
    // colour 0; row padding stays 0 throughout.
    for (int bits : {1, 4, 8})
        for (int width : {1, 3, 5, 37, 64})
            for (bool interlaced : {false, true}) {
                SCOPED_TRACE(std::to_string(bits) + " bits, width " + std::to_string(width) + (interlaced ? ", interlaced" : ""));
                const int height = 23;
                const std::vector<std::uint8_t> stream = Noise(static_cast<std::size_t>(width * height), 1 << bits, static_cast<unsigned>(width));
                const std::vector<std::uint8_t> codes = LzwEncode(stream, std::max(2, bits));
                std::vector<int> order = InterlacedRows(height);
                if (!interlaced)
                    std::iota(order.begin(), order.end(), 0);
                for (std::size_t keep : {codes.size() / 5, codes.size() / 2, codes.size() - 3}) {
                    const std::vector<std::uint8_t> cut(codes.begin(), codes.begin() + static_cast<std::ptrdiff_t>(keep));
                    TGIFImage image;
                    LoadBytes(image, GifWriter().Header().Screen(width, height, bits, Palette(1 << bits)).Descriptor(0, 0, width, height, interlaced).Data(std::max(2, bits), cut).Trailer().Bytes(), false);
                    const TGIFBitmap& bm = image.Frame(0).Bitmap();
                    bool partialSeen = false; // after the partial row every pixel is 0
                    for (int k = 0; k < height; ++k) {
                        const int y = order[static_cast<std::size_t>(k)];
                        int matching = 0;
                        while (!partialSeen && matching < width && bm.Pixel(matching, y) == stream[static_cast<std::size_t>(k * width + matching)])
                            ++matching;
                        if (matching == width)
                            continue;
                        for (int x = matching; x < width; ++x)
                            EXPECT_EQ(bm.Pixel(x, y), 0) << "stream row " << k;
                        partialSeen = true;
                    }
                    const std::size_t used = (static_cast<std::size_t>(width * bm.BitsPerPixel()) + 7) / 8;
                    for (int y = 0; y < height; ++y)
                        for (std::size_t b = used; b < bm.RowBytes(); ++b)
                            EXPECT_EQ(bm.ScanLine(y)[b], 0) << "padding of row " << y;
                }
            }
}

TEST(GIFTruncation, EveryCutOfAnAnimatedPictureIsReadSafely)
{
    GifWriter w;
    w.Header().Screen(30, 20, 4, Palette(16)).Application("NETSCAPE2.0", {std::string("\x01\x03\x00", 3)});
    w.GraphicControl(1 | 8, 10, 3).Comment({"eins", "zwei"}).Descriptor(0, 0, 30, 20, true).Data(4, LzwEncode(Noise(600, 16, 2), 4), 40);
    w.GraphicControl(0, 5, 0).Descriptor(5, 5, 10, 8, false, 3, Palette(8)).Data(3, LzwEncode(Noise(80, 8, 3), 3), 17);
    w.PlainText().Descriptor(1, 2, 6, 6).Data(4, LzwEncode(Noise(36, 16, 4), 4)).Comment({"Ende"}).Trailer();
    const std::string bytes = w.Bytes();
    TGIFImage reference;
    LoadBytes(reference, bytes, false);
    ASSERT_EQ(reference.FrameCount(), 3u);

    const std::set<std::string> known{"", "Unknown GIF version", "Stream-Read-Fehler"};
    for (std::size_t n = 0; n <= bytes.size(); ++n) {
        for (bool tolerate : {true, false})
            EXPECT_TRUE(known.count(LoadMessage(bytes.substr(0, n), tolerate))) << n << " bytes";
        TGIFImage image;
        try {
            LoadBytes(image, bytes.substr(0, n));
        } catch (const Exception&) {
        }
        EXPECT_LE(image.FrameCount(), 3u) << n << " bytes";
    }
}

TEST(GIFRobustness, RandomlyDamagedPicturesNeverFailOtherwiseThanByTheirMessages)
{
    GifWriter w;
    w.Header().Screen(40, 30, 8, Palette(256)).GraphicControl(1, 2, 7).Comment({"c"});
    w.Descriptor(0, 0, 40, 30, true).Data(8, LzwEncode(Noise(1200, 256, 9), 8));
    w.Descriptor(3, 4, 9, 9, false, 2, Palette(4)).Data(2, LzwEncode(Noise(81, 4, 1), 2)).Trailer();
    const std::string good = w.Bytes();
    std::mt19937 rng(1234);
    const std::set<std::string> known{"", "Unknown GIF version", "Stream-Read-Fehler", "GIF code size not in range 2 to 9",
                                      "GIF encoded data is corrupt", "GIF image too large"};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        const int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = 6 + rng() % (bytes.size() - 6);
            bytes[at] = static_cast<char>(rng());
        }
        if (rng() % 4 == 0)
            bytes.resize(6 + rng() % (bytes.size() - 6));
        for (bool tolerate : {true, false}) {
            const std::string message = LoadMessage(bytes, tolerate);
            EXPECT_TRUE(known.count(message) || message.rfind("Unrecognized extension block: ", 0) == 0) << round << ": " << message;
        }
    }
}

} // namespace
} // namespace zuneigo::test
