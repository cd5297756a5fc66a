// zuneigo-gifdump as a user runs it: the description lines, the written image against
// ImageMagick's and giflib's decoding, and the exit codes.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <gif_lib.h>

namespace zuneigo::test {
namespace {

struct Result {
    int rc;
    std::string out;
    std::string err;
};

Result Dump(const TempDir& dir, const std::vector<std::string>& args)
{
    std::vector<std::string> argv{"/bin/sh", "-c", "o=$1; e=$2; shift 2; exec \"$@\" >\"$o\" 2>\"$e\"", "sh", dir.File("stdout"), dir.File("stderr"),
                                  BinDir() + "/zuneigo-gifdump"};
    argv.insert(argv.end(), args.begin(), args.end());
    const int rc = RunCommand(argv);
    return Result{rc, ReadFile(dir.File("stdout")), ReadFile(dir.File("stderr"))};
}

// A binary PNM: the three header fields and the pixel bytes after them.
struct Pnm {
    std::string magic;
    int width = 0, height = 0;
    std::string pixels;
};

Pnm ParsePnm(const std::string& bytes)
{
    std::istringstream in(bytes);
    Pnm p;
    int maxval = 0;
    in >> p.magic >> p.width >> p.height >> maxval;
    if (in && in.get() != EOF)
        p.pixels = bytes.substr(static_cast<std::size_t>(in.tellg()));
    return p;
}

int Python(const std::string& script, const std::string& file) { return RunCommand({test::Python(), "-c", script, file}); }

const char* const Animated = "import sys\nfrom PIL import Image\n"
                             "a = Image.new('P', (7, 5)); a.putdata([(x * y + x) % 6 for y in range(5) for x in range(7)])\n"
                             "a.putpalette([i * 40 % 256 for i in range(18)] + [0] * 750)\n"
                             "b = a.copy(); b.putpixel((3, 3), 5)\n"
                             "a.save(sys.argv[1], save_all=True, append_images=[b], transparency=4, duration=70, disposal=2, loop=3,"
                             " optimize=False)\n";

TEST(GifDump, DescribesThePictureAndWritesFrameZeroLikeImageMagick)
{
    TempDir dir;
    const std::string gif = dir.File("a.gif");
    ASSERT_EQ(Python(Animated, gif), 0);
    const Result r = Dump(dir, {gif, dir.File("a.ppm")});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.err, "version: 89a\nscreen: 7x5 bits=8\nframes: 2\n"
                     "frame: left=0 top=0 width=7 height=5 interlaced=0 depth=8 corrupted=0 transparent=224,8,48 delay=70 disposal=2\n"
                     "loop: 3\n");
    EXPECT_TRUE(r.out.empty());

    std::string reference;
    ASSERT_EQ(RunCommand({"/bin/sh", "-c", "/usr/bin/convert \"$1[0]\" -alpha off ppm:- 2>/dev/null", "sh", gif}, &reference), 0);
    const Pnm ours = ParsePnm(ReadFile(dir.File("a.ppm")));
    EXPECT_EQ(ours.magic, "P6");
    EXPECT_EQ(ours.width, 7);
    EXPECT_EQ(ours.height, 5);
    EXPECT_EQ(ours.pixels.size(), 7u * 5u * 3u);
    EXPECT_EQ(ours.pixels, ParsePnm(reference).pixels);
}

TEST(GifDump, IndicesGoToStandardOutputAsGiflibReadsThem)
{
    TempDir dir;
    const std::string gif = dir.File("m.gif");
    ASSERT_EQ(RunCommand({"/usr/bin/convert", "-size", "33x9", "plasma:fractal", "-colors", "16", "-interlace", "GIF", gif}), 0);
    const Result r = Dump(dir, {"--indices", gif});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.err.find("interlaced=1"), std::string::npos);
    const Pnm ours = ParsePnm(r.out);
    EXPECT_EQ(ours.magic, "P5");

    int error = 0;
    GifFileType* ref = DGifOpenFileName(gif.c_str(), &error);
    ASSERT_NE(ref, nullptr);
    ASSERT_EQ(DGifSlurp(ref), GIF_OK);
    const SavedImage& s = ref->SavedImages[0];
    EXPECT_EQ(ours.pixels, std::string(reinterpret_cast<const char*>(s.RasterBits), static_cast<std::size_t>(s.ImageDesc.Width * s.ImageDesc.Height)));
    DGifCloseFile(ref, &error);
}

TEST(GifDump, CommentsAndAPictureWithoutFrames)
{
    TempDir dir;
    const std::string gif = dir.File("c.gif");
    const std::string text = "screen width 4\nscreen height 2\nscreen colors 2\nscreen map\n\trgb 000 000 000 is 0\n"
                             "\trgb 255 255 255 is 1\nend\ncomment\nErste Zeile\nZweite Zeile\nend\n";
    ASSERT_EQ(RunCommand({"/bin/sh", "-c", "printf '%s' \"$1\" | /usr/bin/gifbuild > \"$2\"", "sh", text, gif}), 0);
    const Result r = Dump(dir, {gif, dir.File("none.ppm")});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.err, "version: 89a\nscreen: 4x2 bits=1\nframes: 0\nloop: none\ncomment: Erste Zeile\ncomment: Zweite Zeile\n");
    EXPECT_FALSE(std::ifstream(dir.File("none.ppm")).good()) << "no frames, no image";
}

TEST(GifDump, DamagedDataIsToleratedUnlessStrict)
{
    TempDir dir;
    const std::string gif = dir.File("n.gif");
    ASSERT_EQ(Python("import sys, random\nfrom PIL import Image\nr = random.Random(3)\nim = Image.new('P', (64, 64))\n"
                     "im.putdata([r.randrange(256) for _ in range(4096)])\nim.putpalette([r.randrange(256) for _ in range(768)])\n"
                     "im.save(sys.argv[1], interlace=0)\n",
                     gif),
              0);
    const std::string bytes = ReadFile(gif);
    WriteFile(dir.File("cut.gif"), bytes.substr(0, bytes.size() / 2));
    Result r = Dump(dir, {dir.File("cut.gif"), dir.File("cut.ppm")});
    EXPECT_EQ(r.rc, 0);
    EXPECT_NE(r.err.find("corrupted=1"), std::string::npos) << r.err;
    EXPECT_EQ(ParsePnm(ReadFile(dir.File("cut.ppm"))).pixels.size(), 64u * 64u * 3u);

    r = Dump(dir, {"--strict", dir.File("cut.gif"), dir.File("cut2.ppm")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "zuneigo-gifdump: Stream-Read-Fehler\n");
}

TEST(GifDump, ReadErrorsExitOneWithTheMessage)
{
    TempDir dir;
    WriteFile(dir.File("v.gif"), "GIF90a" + std::string(20, '\0'));
    Result r = Dump(dir, {dir.File("v.gif")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "zuneigo-gifdump: Unknown GIF version\n");
    EXPECT_TRUE(r.out.empty());

    r = Dump(dir, {dir.File("missing.gif")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err.rfind("zuneigo-gifdump: ", 0), 0u) << r.err;
}

TEST(GifDump, UsageErrorsExitTwoAndHelpDescribesTheInterface)
{
    TempDir dir;
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"--bogus", "x.gif"}, {"a", "b", "c"}, {"--indices"}}) {
        const Result r = Dump(dir, args);
        EXPECT_EQ(r.rc, 2) << r.err;
        EXPECT_NE(r.err.find("usage: zuneigo-gifdump [--indices] [--strict] FILE [OUT]"), std::string::npos);
    }
    const Result help = Dump(dir, {"--help"});
    EXPECT_EQ(help.rc, 0);
    for (const char* word : {"--indices", "--strict", "P6", "P5", "frame: left=", "loop:", "comment:", "Exit status"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

} // namespace
} // namespace zuneigo::test
