#pragma once
// What the GIF reader's tests share: a corpus written by real encoders, giflib as the
// reference decoder, and a small writer of GIF blocks (with an LZW encoder) for data that
// no encoder produces on purpose: damaged codes, unusual block orders, cut streams.
#include "ui/gif/GIFImage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gif_lib.h>

namespace zuneigo::test {

// Runs make_corpus.py into dir; returns the *.gif files it wrote, sorted.
std::vector<std::string> MakeCorpus(const std::string& dir);

// A picture read by giflib's DGifSlurp; Ok() is false when giflib refused it.
class GiflibPicture {
public:
    explicit GiflibPicture(const std::string& bytes);
    ~GiflibPicture();
    GiflibPicture(const GiflibPicture&) = delete;
    GiflibPicture& operator=(const GiflibPicture&) = delete;
    bool Ok() const { return ok_; }
    GifFileType* Gif() const { return gif_; }

private:
    std::string bytes_;
    std::size_t pos_ = 0;
    GifFileType* gif_ = nullptr;
    bool ok_ = false;
    static int ReadFn(GifFileType* gif, GifByteType* buf, int len);
};

std::vector<TGIFColor> ToTable(const ColorMapObject* map);

// Loads a picture from bytes; the tolerance switch is restored afterwards.
void LoadBytes(TGIFImage& image, const std::string& bytes, bool tolerate = true);
// The message of the exception loading (and decoding every frame) raises; "" when none.
std::string LoadMessage(const std::string& bytes, bool tolerate = true);
// The rows of a picture of the given height in the order an interlaced stream holds them.
std::vector<int> InterlacedRows(int height);
// n pixels below modulo in a fixed pattern, or drawn from a generator started at start.
std::vector<std::uint8_t> Ramp(int n, int modulo);
std::vector<std::uint8_t> Noise(std::size_t n, int colours, unsigned start);

// LZW: pixels (each below 2^codeSize) to codes packed least significant bit first. With
// deferredClear the encoder keeps going at 12 bits when the table is full instead of
// sending a clear code.
std::vector<std::uint8_t> LzwEncode(const std::vector<std::uint8_t>& pixels, int codeSize, bool deferredClear = false);
// Packs (code, width) pairs as they are given.
std::vector<std::uint8_t> PackCodes(const std::vector<std::pair<unsigned, unsigned>>& codes);

// GIF blocks appended one by one.
class GifWriter {
public:
    GifWriter& Raw(const std::string& bytes);
    GifWriter& Byte(int b);
    GifWriter& Word(int w);
    GifWriter& Header(const std::string& signature = "GIF89a");
    // Header and a screen of width x height with a global table of 2^bits colours.
    GifWriter& Start(int width = 6, int height = 4, int bits = 2);
    // A global colour table of 2^bits entries follows when table is not empty.
    GifWriter& Screen(int width, int height, int bits, const std::vector<TGIFColor>& table, int background = 0);
    // The colours, padded to 2^bits entries when bits > 0.
    GifWriter& Table(std::vector<TGIFColor> table, int bits = 0);
    GifWriter& GraphicControl(int packed, int delay, int transparentIndex);
    GifWriter& Comment(const std::vector<std::string>& lines);
    GifWriter& Application(const std::string& id11, const std::vector<std::string>& blocks);
    GifWriter& PlainText();
    // Image descriptor; localBits > 0 adds a local table of 2^localBits entries.
    GifWriter& Descriptor(int left, int top, int width, int height, bool interlaced = false, int localBits = 0,
                          const std::vector<TGIFColor>& local = {});
    // The code size byte and the codes in sub-blocks of blockSize bytes, then the terminator.
    GifWriter& Data(int codeSize, const std::vector<std::uint8_t>& codes, std::size_t blockSize = 255);
    // Descriptor plus LZW-encoded pixels.
    GifWriter& Image(int width, int height, const std::vector<std::uint8_t>& pixels, int codeSize, bool interlaced = false);
    // A 6x4 image of Ramp(24, 4).
    GifWriter& SmallImage();
    GifWriter& Trailer();
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// A palette of n distinct colours.
std::vector<TGIFColor> Palette(int n);
// Palette indices of a frame's bitmap, row by row from the top.
std::vector<std::uint8_t> Indices(const TGIFBitmap& bitmap);

} // namespace zuneigo::test
