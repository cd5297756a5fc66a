#include "tests/ui/gif/GifTestSupport.h"

#include "base/Exception.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <unordered_map>

namespace zuneigo::test {

std::vector<std::string> MakeCorpus(const std::string& dir)
{
    std::string out;
    const int rc = RunCommand({Python(), SourceDir() + "/tests/ui/gif/make_corpus.py", dir}, &out);
    if (rc != 0)
        throw std::runtime_error("make_corpus.py failed: " + out);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".gif")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

GiflibPicture::GiflibPicture(const std::string& bytes) : bytes_(bytes)
{
    int error = 0;
    gif_ = DGifOpen(this, &GiflibPicture::ReadFn, &error);
    ok_ = gif_ && DGifSlurp(gif_) == GIF_OK;
}

GiflibPicture::~GiflibPicture()
{
    if (gif_) {
        int error = 0;
        DGifCloseFile(gif_, &error);
    }
}

int GiflibPicture::ReadFn(GifFileType* gif, GifByteType* buf, int len)
{
    auto* self = static_cast<GiflibPicture*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(len), self->bytes_.size() - self->pos_);
    std::memcpy(buf, self->bytes_.data() + self->pos_, n);
    self->pos_ += n;
    return static_cast<int>(n);
}

std::vector<TGIFColor> ToTable(const ColorMapObject* map)
{
    std::vector<TGIFColor> table;
    if (!map)
        return table;
    for (int i = 0; i < map->ColorCount; ++i)
        table.push_back(TGIFColor{map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    return table;
}

void LoadBytes(TGIFImage& image, const std::string& bytes, bool tolerate)
{
    struct Restore {
        bool before = TGIFImage::TolerateDamagedData();
        ~Restore() { TGIFImage::SetTolerateDamagedData(before); }
    } restore;
    TGIFImage::SetTolerateDamagedData(tolerate);
    image.LoadFromBuffer(bytes.data(), bytes.size());
}

std::string LoadMessage(const std::string& bytes, bool tolerate)
{
    TGIFImage image;
    try {
        LoadBytes(image, bytes, tolerate);
        for (const TGIFFrame& f : image.Frames())
            f.Bitmap();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

std::vector<int> InterlacedRows(int height)
{
    std::vector<int> rows;
    for (const auto& [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = start; y < height; y += step)
            rows.push_back(y);
    return rows;
}

std::vector<std::uint8_t> Ramp(int n, int modulo)
{
    std::vector<std::uint8_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(static_cast<std::uint8_t>((i * 7 + i / 5) % modulo));
    return v;
}

std::vector<std::uint8_t> Noise(std::size_t n, int colours, unsigned start)
{
    std::mt19937 rng(start);
    std::vector<std::uint8_t> v(n);
    for (auto& p : v)
        p = static_cast<std::uint8_t>(rng() % static_cast<unsigned>(colours));
    return v;
}

namespace {

class BitWriter {
public:
    void Put(unsigned code, unsigned width)
    {
        acc_ |= static_cast<std::uint64_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            out_.push_back(static_cast<std::uint8_t>(acc_ & 0xFF));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    std::vector<std::uint8_t> Finish()
    {
        if (bits_ > 0)
            out_.push_back(static_cast<std::uint8_t>(acc_ & 0xFF));
        acc_ = 0;
        bits_ = 0;
        return std::move(out_);
    }

private:
    std::vector<std::uint8_t> out_;
    std::uint64_t acc_ = 0;
    unsigned bits_ = 0;
};

} // namespace

std::vector<std::uint8_t> LzwEncode(const std::vector<std::uint8_t>& pixels, int codeSize, bool deferredClear)
{
    const unsigned clear = 1u << codeSize;
    const unsigned end = clear + 1;
    BitWriter bw;
    // The width is the one the decoder will be reading with: it follows the decoder's table.
    unsigned width = codeSize + 1;
    unsigned decNext = clear + 2;
    bool decHavePrev = false;
    auto emit = [&](unsigned code) {
        bw.Put(code, width);
        if (code == clear) {
            width = codeSize + 1;
            decNext = clear + 2;
            decHavePrev = false;
            return;
        }
        if (decHavePrev && decNext < 4096) {
            ++decNext;
            if (decNext == (1u << width) && width < 12)
                ++width;
        }
        decHavePrev = true;
    };

    std::unordered_map<std::uint32_t, unsigned> dict;
    unsigned next = clear + 2;
    emit(clear);
    if (!pixels.empty()) {
        unsigned cur = pixels[0];
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            const std::uint32_t key = (cur << 8) | pixels[i];
            auto it = dict.find(key);
            if (it != dict.end()) {
                cur = it->second;
                continue;
            }
            emit(cur);
            if (next < 4096)
                dict.emplace(key, next++);
            if (next == 4096 && !deferredClear) {
                emit(clear);
                dict.clear();
                next = clear + 2;
            }
            cur = pixels[i];
        }
        emit(cur);
    }
    emit(end);
    return bw.Finish();
}

std::vector<std::uint8_t> PackCodes(const std::vector<std::pair<unsigned, unsigned>>& codes)
{
    BitWriter bw;
    for (const auto& [code, width] : codes)
        bw.Put(code, width);
    return bw.Finish();
}

GifWriter& GifWriter::Raw(const std::string& bytes) { return bytes_ += bytes, *this; }

GifWriter& GifWriter::Byte(int b) { return Raw(std::string(1, static_cast<char>(b & 0xFF))); }

GifWriter& GifWriter::Word(int w) { return Byte(w).Byte(w >> 8); }

GifWriter& GifWriter::Header(const std::string& signature) { return Raw(signature); }

GifWriter& GifWriter::Start(int width, int height, int bits) { return Header().Screen(width, height, bits, Palette(1 << bits)); }

GifWriter& GifWriter::SmallImage() { return Image(6, 4, Ramp(24, 4), 2); }

GifWriter& GifWriter::Screen(int width, int height, int bits, const std::vector<TGIFColor>& table, int background)
{
    Word(width).Word(height).Byte((table.empty() ? 0 : 0x80) | 0x70 | (bits - 1)).Byte(background).Byte(0);
    return table.empty() ? *this : Table(table, bits);
}

GifWriter& GifWriter::Table(std::vector<TGIFColor> table, int bits)
{
    if (bits > 0)
        table.resize(std::size_t(1) << bits);
    for (const TGIFColor& c : table)
        Byte(c.R).Byte(c.G).Byte(c.B);
    return *this;
}

GifWriter& GifWriter::GraphicControl(int packed, int delay, int transparentIndex)
{
    return Byte('!').Byte(0xF9).Byte(4).Byte(packed).Word(delay).Byte(transparentIndex).Byte(0);
}

GifWriter& GifWriter::Comment(const std::vector<std::string>& lines)
{
    Byte('!').Byte(0xFE);
    for (const std::string& l : lines)
        Byte(static_cast<int>(l.size())).Raw(l);
    return Byte(0);
}

GifWriter& GifWriter::Application(const std::string& id11, const std::vector<std::string>& blocks)
{
    Byte('!').Byte(0xFF).Byte(11).Raw(id11);
    for (const std::string& b : blocks)
        Byte(static_cast<int>(b.size())).Raw(b);
    return Byte(0);
}

GifWriter& GifWriter::PlainText()
{
    Byte('!').Byte(0x01).Byte(12);
    for (int i = 0; i < 12; ++i)
        Byte(i);
    return Byte(5).Raw("Hallo").Byte(0);
}

GifWriter& GifWriter::Descriptor(int left, int top, int width, int height, bool interlaced, int localBits,
                                 const std::vector<TGIFColor>& local)
{
    Byte(',').Word(left).Word(top).Word(width).Word(height);
    Byte((interlaced ? 0x40 : 0) | (localBits > 0 ? 0x80 | (localBits - 1) : 0));
    return localBits > 0 ? Table(local, localBits) : *this;
}

GifWriter& GifWriter::Data(int codeSize, const std::vector<std::uint8_t>& codes, std::size_t blockSize)
{
    Byte(codeSize);
    for (std::size_t i = 0; i < codes.size(); i += blockSize) {
        const std::size_t n = std::min(blockSize, codes.size() - i);
        Byte(static_cast<int>(n)).Raw(std::string(codes.begin() + static_cast<std::ptrdiff_t>(i), codes.begin() + static_cast<std::ptrdiff_t>(i + n)));
    }
    return Byte(0);
}

GifWriter& GifWriter::Image(int width, int height, const std::vector<std::uint8_t>& pixels, int codeSize, bool interlaced)
{
    return Descriptor(0, 0, width, height, interlaced).Data(codeSize, LzwEncode(pixels, codeSize));
}

GifWriter& GifWriter::Trailer() { return Byte(';'); }

std::vector<TGIFColor> Palette(int n)
{
    std::vector<TGIFColor> p;
    for (int i = 0; i < n; ++i)
        p.push_back(TGIFColor{static_cast<std::uint8_t>(i * 7 + 1), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 13 + 5)});
    return p;
}

std::vector<std::uint8_t> Indices(const TGIFBitmap& bitmap)
{
    std::vector<std::uint8_t> v;
    v.reserve(static_cast<std::size_t>(bitmap.Width()) * static_cast<std::size_t>(bitmap.Height()));
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            v.push_back(static_cast<std::uint8_t>(bitmap.Pixel(x, y)));
    return v;
}

} // namespace zuneigo::test
