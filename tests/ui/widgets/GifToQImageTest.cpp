// Frame 0 of a GIF picture as a QImage, with and without its transparent colour left out.
#include "tests/support/TestSupport.h"
#include "ui/widgets/GifToQImage.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace zuneigo::test {
namespace {

// PIL writes an 8x6 picture: index = (x + y) % 4; colours 0..3 below, colour 3 equal to
// colour 2 so that keying out the colour takes both; index 2 is the transparent one.
const TGIFColor Colours[4] = {{10, 20, 30}, {200, 100, 50}, {0, 255, 0}, {0, 255, 0}};

std::string WritePicture(const TempDir& dir, bool transparency)
{
    const std::string file = dir.File("p.gif");
    const std::string script = "import sys\nfrom PIL import Image\n"
                               "im = Image.new('P', (8, 6))\n"
                               "im.putdata([(x + y) % 4 for y in range(6) for x in range(8)])\n"
                               "im.putpalette([10, 20, 30, 200, 100, 50, 0, 255, 0, 0, 255, 0] + [0] * 756)\n"
                               "im.save(sys.argv[1], optimize=False"
                               + std::string(transparency ? ", transparency=2" : "") + ")\n";
    EXPECT_EQ(RunCommand({Python(), "-c", script, file}), 0);
    return file;
}

TEST(GifToQImage, OpaqueUnlessMarkedTransparent)
{
    TempDir dir;
    TGIFImage image;
    image.LoadFromFile(WritePicture(dir, true));
    ASSERT_TRUE(image.Frame(0).HasTransparentColor());
    const QImage q = GifToQImage(image);
    ASSERT_EQ(q.size(), QSize(8, 6));
    EXPECT_FALSE(q.hasAlphaChannel());
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const TGIFColor c = Colours[(x + y) % 4];
            EXPECT_EQ(q.pixel(x, y), qRgb(c.R, c.G, c.B)) << x << "," << y;
        }
}

TEST(GifToQImage, MarkedTransparentLeavesOutTheTransparentColour)
{
    TempDir dir;
    TGIFImage image;
    image.LoadFromFile(WritePicture(dir, true));
    image.SetTransparent(true);
    const QImage q = GifToQImage(image);
    ASSERT_TRUE(q.hasAlphaChannel());
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const int index = (x + y) % 4;
            const TGIFColor c = Colours[index];
            if (index >= 2)
                EXPECT_EQ(qAlpha(q.pixel(x, y)), 0) << x << "," << y;
            else
                EXPECT_EQ(q.pixel(x, y), qRgba(c.R, c.G, c.B, 255)) << x << "," << y;
        }
}

TEST(GifToQImage, MarkedButWithoutATransparentColourStaysOpaque)
{
    TempDir dir;
    TGIFImage image;
    image.LoadFromFile(WritePicture(dir, false));
    image.SetTransparent(true);
    EXPECT_FALSE(image.Transparent());
    const QImage q = GifToQImage(image);
    EXPECT_FALSE(q.hasAlphaChannel());
    EXPECT_EQ(q.pixel(2, 0), qRgb(0, 255, 0));
}

TEST(GifToQImage, DrawingStretchesAndLetsTheBackgroundShowThrough)
{
    TempDir dir;
    TGIFImage image;
    image.LoadFromFile(WritePicture(dir, true));
    image.SetTransparent(true);
    QImage canvas(16, 12, QImage::Format_RGB32);
    canvas.fill(qRgb(1, 2, 3));
    {
        QPainter painter(&canvas);
        DrawGif(painter, QRect(0, 0, 16, 12), image);
    }
    // Each source pixel covers 2 x 2 target pixels.
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
            const int index = (x / 2 + y / 2) % 4;
            const TGIFColor c = Colours[index];
            const QRgb want = index >= 2 ? qRgb(1, 2, 3) : qRgb(c.R, c.G, c.B);
            EXPECT_EQ(canvas.pixel(x, y), want) << x << "," << y;
        }
}

TEST(GifToQImage, NoFramesNoImage)
{
    TGIFImage image;
    EXPECT_TRUE(GifToQImage(image).isNull());
}

} // namespace
} // namespace zuneigo::test
