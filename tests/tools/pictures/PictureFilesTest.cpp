// The generated picture files: names, sizes, format, the looks the windows rely on,
// and that they are what the generator makes from the sources today.
#include "PilPicture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

using namespace zuneigo::test;
namespace fs = std::filesystem;

namespace {

struct Expected {
    int Width;
    int Height;
    bool Transparent;
};

const std::map<std::string, Expected> kPictures = {
    {"map.gif", {196, 260, false}},
    {"ueberbtn.gif", {101, 30, true}},
    {"ueberbtn2.gif", {101, 30, true}},
    {"endebtn.gif", {101, 30, true}},
    {"endebtndown.gif", {101, 30, true}},
    {"tab-suchen.gif", {16, 16, true}},
    {"tab-eintragen.gif", {16, 16, true}},
    {"check.gif", {18, 19, true}},
    {"check-disabled.gif", {18, 19, true}},
    {"download.gif", {16, 16, true}},
    {"logo.gif", {32, 32, true}},
    {"logo-small.gif", {16, 16, true}}};

std::string Resource(const std::string& name) { return SourceDir() + "/resources/" + name; }

int Luminance(Rgb c) { return (299 * c.R + 587 * c.G + 114 * c.B) / 1000; }
bool Bluish(Rgb c) { return c.B > c.R + 80 && c.B > c.G + 60; }
bool Yellowish(Rgb c) { return c.R > 200 && c.G > 160 && c.B < 90; }
bool Greenish(Rgb c) { return c.G > c.R + 60 && c.G > c.B + 60; }

template <class Pred>
int CountOpaque(const PilPicture& p, Pred pred)
{
    int n = 0;
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x)
            n += !p.IsTransparent(x, y) && pred(p.At(x, y));
    return n;
}

} // namespace

TEST(PictureFiles, EachFileIsGif89aOfItsSize)
{
    // Exactly the expected pictures, no more: a stray file is a renamed or forgotten one.
    std::map<std::string, int> found;
    for (const auto& entry : fs::directory_iterator(SourceDir() + "/resources"))
        if (entry.is_regular_file() && entry.path().extension() == ".gif")
            ++found[entry.path().filename().string()];
    for (const auto& [name, _] : found)
        EXPECT_TRUE(kPictures.count(name)) << "unexpected picture " << name;
    for (const auto& [name, expected] : kPictures) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(found.count(name)) << "missing";
        const std::string bytes = ReadFile(Resource(name));
        ASSERT_GE(bytes.size(), 13u);
        EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
        EXPECT_EQ(bytes.back(), ';'); // the trailer: nothing is cut off

        const PilPicture picture = DecodeWithPil(Resource(name));
        EXPECT_EQ(picture.Width, expected.Width);
        EXPECT_EQ(picture.Height, expected.Height);
        EXPECT_EQ(picture.Frames, 1);
        EXPECT_EQ(picture.Transparent >= 0, expected.Transparent);
    }
}

TEST(PictureFiles, TransparentColourBelongsToTheBackgroundAlone)
{
    // A reader leaves out every pixel of the transparent colour, so no visible pixel may
    // share it, and the corners of each picture are background.
    for (const auto& [name, expected] : kPictures) {
        if (!expected.Transparent)
            continue;
        SCOPED_TRACE(name);
        const PilPicture p = DecodeWithPil(Resource(name));
        ASSERT_GE(p.Transparent, 0);
        Rgb background{};
        int transparent = 0;
        for (int y = 0; y < p.Height; ++y)
            for (int x = 0; x < p.Width; ++x)
                if (p.IsTransparent(x, y)) {
                    background = p.At(x, y);
                    ++transparent;
                }
        ASSERT_GT(transparent, 0);
        EXPECT_EQ(CountOpaque(p, [&](Rgb c) { return c == background; }), 0);
        EXPECT_TRUE(p.IsTransparent(p.Width - 1, p.Height - 1) || p.IsTransparent(0, p.Height - 1));
        EXPECT_GT(CountOpaque(p, [](Rgb) { return true; }), p.Width * p.Height / 5);
    }
}

TEST(PictureFiles, ButtonsShowBlueOnLightGreyAndYellowOnDarkerGrey)
{
    for (const std::string& word : {std::string("ueberbtn"), std::string("endebtn")}) {
        const std::string pressedName = word == "ueberbtn" ? "ueberbtn2.gif" : "endebtndown.gif";
        SCOPED_TRACE(word);
        const PilPicture normal = DecodeWithPil(Resource(word + ".gif"));
        const PilPicture pressed = DecodeWithPil(Resource(pressedName));
        ASSERT_EQ(normal.Width, 101);
        ASSERT_EQ(pressed.Width, 101);
        EXPECT_GT(CountOpaque(normal, Bluish), 150);
        EXPECT_EQ(CountOpaque(normal, Yellowish), 0);
        EXPECT_GT(CountOpaque(pressed, Yellowish), 150);
        EXPECT_EQ(CountOpaque(pressed, Bluish), 0);
        // The face beside the letters: light grey, darker when pressed; rounded corners.
        const Rgb face = normal.At(8, 15);
        const Rgb pressedFace = pressed.At(8, 15);
        EXPECT_GT(Luminance(face), 190);
        EXPECT_LT(Luminance(pressedFace), Luminance(face) - 50);
        EXPECT_LT(std::abs(face.R - face.B), 20);
        EXPECT_TRUE(normal.IsTransparent(0, 0));
        EXPECT_TRUE(pressed.IsTransparent(100, 29));
        EXPECT_FALSE(normal.IsTransparent(50, 0));
    }
}

TEST(PictureFiles, CheckMarkIsGreenAndItsDisabledFormGrey)
{
    const PilPicture check = DecodeWithPil(Resource("check.gif"));
    const PilPicture disabled = DecodeWithPil(Resource("check-disabled.gif"));
    EXPECT_GT(CountOpaque(check, Greenish), 30);
    EXPECT_EQ(CountOpaque(disabled, Greenish), 0);
    EXPECT_EQ(CountOpaque(disabled, [](Rgb c) { return c.R != c.G || c.G != c.B; }), 0);
    // Same shape: the disabled form covers every pixel of the check mark.
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 18; ++x)
            EXPECT_TRUE(check.IsTransparent(x, y) || !disabled.IsTransparent(x, y)) << x << "," << y;
}

TEST(PictureFiles, GeneratorRemakesTheCommittedFiles)
{
    // The picture and the city table come from one projection; a change to the generator
    // that is not regenerated and committed leaves them out of step with each other.
    TempDir out;
    std::string log;
    ASSERT_EQ(RunCommand({Python(), SourceDir() + "/tools/pictures/generate", "--out", out.Path()}, &log), 0) << log;
    for (const auto& [name, _] : kPictures)
        EXPECT_EQ(ReadFile(out.File(name)), ReadFile(Resource(name))) << name << " differs from what tools/pictures/generate makes";
    EXPECT_EQ(ReadFile(out.File("MapCities.h")), ReadFile(SourceDir() + "/app/core/MapCities.h"))
        << "app/core/MapCities.h differs from what tools/pictures/generate makes";
}
