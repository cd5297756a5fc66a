#pragma once
// A GIF file decoded by Python's PIL (an independent reader), for checking the
// generated pictures without our own decoder.
#include <cstdint>
#include <string>
#include <vector>

namespace zuneigo::test {

struct Rgb {
    std::uint8_t R = 0, G = 0, B = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct PilPicture {
    int Width = 0;
    int Height = 0;
    int Frames = 0;
    int Transparent = -1;            // palette index, -1 for none
    std::vector<std::uint8_t> Index; // palette index of each pixel, rows top-down
    std::vector<Rgb> Colour;         // palette colour of each pixel

    std::uint8_t IndexAt(int x, int y) const { return Index[static_cast<std::size_t>(y) * Width + x]; }
    Rgb At(int x, int y) const { return Colour[static_cast<std::size_t>(y) * Width + x]; }
    bool IsTransparent(int x, int y) const { return Transparent >= 0 && IndexAt(x, y) == Transparent; }
};

// Decodes path with /usr/bin/python3 and PIL; fails the current test (and returns an
// empty picture) when that does not work.
PilPicture DecodeWithPil(const std::string& path);

} // namespace zuneigo::test
