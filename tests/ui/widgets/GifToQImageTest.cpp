// Frame 0 of a GIF picture as a QImage, with and without its transparent colour left out.
#include "tests/support/TestSupport.h"
#include "ui/widgets/GifToQImage.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace zuneigo::test {
namespace {

// PIL writes an 8x6 picture: index = (x + y) % 4; colour 3 equal to colour 2 so that keying
// out the colour takes both; index 2 is the transparent one when transparency is written.
const TGIFColor Colours[4] = {{10, 20, 30}, {200, 100, 50}, {0, 255, 0}, {0, 255, 0}};

TGIFImage Picture(bool transparency, bool marked)
{
    TempDir dir;
    const std::string file = dir.File("p.gif");
    const std::string script = "import sys\nfrom PIL import Image\n"
                               "im = Image.new('P', (8, 6))\n"
                               "im.putdata([(x + y) % 4 for y in range(6) for x in range(8)])\n"
                               "im.putpalette([10, 20, 30, 200, 100, 50, 0, 255, 0, 0, 255, 0] + [0] * 756)\n"
                               "im.save(sys.argv[1], optimize=False" +
        std::string(transparency ? ", transparency=2" : "") + ")\n";
    EXPECT_EQ(RunCommand({Python(), "-c", script, file}), 0);
    TGIFImage image;
    image.LoadFromFile(file);
    EXPECT_EQ(image.Frame(0).HasTransparentColor(), transparency);
    image.SetTransparent(marked);
    return image;
}

// Checks every pixel of q, each source pixel covering scale x scale target pixels.
template <class Check>
void EachPixel(const QImage& q, int scale, Check check)
{
    ASSERT_EQ(q.size(), QSize(8 * scale, 6 * scale));
    for (int y = 0; y < q.height(); ++y)
        for (int x = 0; x < q.width(); ++x) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            const int index = (x / scale + y / scale) % 4;
            check(q.pixel(x, y), index, Colours[index]);
        }
}

TEST(GifToQImage, TransparentColourIsLeftOutOnlyWhenMarkedAndPresent)
{
    // Not marked: opaque, every colour as it is.
    const QImage opaque = GifToQImage(Picture(true, false));
    EXPECT_FALSE(opaque.hasAlphaChannel());
    EachPixel(opaque, 1, [](QRgb p, int, TGIFColor c) { EXPECT_EQ(p, qRgb(c.R, c.G, c.B)); });

    // Marked: every pixel of the transparent colour is left out.
    const QImage keyed = GifToQImage(Picture(true, true));
    ASSERT_TRUE(keyed.hasAlphaChannel());
    EachPixel(keyed, 1, [](QRgb p, int index, TGIFColor c) {
        if (index >= 2)
            EXPECT_EQ(qAlpha(p), 0);
        else
            EXPECT_EQ(p, qRgba(c.R, c.G, c.B, 255));
    });

    // Marked, but the picture has no transparent colour: stays opaque.
    const TGIFImage plain = Picture(false, true);
    EXPECT_FALSE(plain.Transparent());
    const QImage q = GifToQImage(plain);
    EXPECT_FALSE(q.hasAlphaChannel());
    EXPECT_EQ(q.pixel(2, 0), qRgb(0, 255, 0));

    EXPECT_TRUE(GifToQImage(TGIFImage()).isNull()) << "no frames, no image";
}

TEST(GifToQImage, DrawingStretchesAndLetsTheBackgroundShowThrough)
{
    QImage canvas(16, 12, QImage::Format_RGB32);
    canvas.fill(qRgb(1, 2, 3));
    {
        QPainter painter(&canvas);
        DrawGif(painter, QRect(0, 0, 16, 12), Picture(true, true));
    }
    EachPixel(canvas, 2, [](QRgb p, int index, TGIFColor c) { EXPECT_EQ(p, index >= 2 ? qRgb(1, 2, 3) : qRgb(c.R, c.G, c.B)); });
}

} // namespace
} // namespace zuneigo::test
