#pragma once
// A bounds-checked cursor over the bytes of a GIF data stream (internal to the reader).
#include "base/Exception.h"
#include "ui/gif/GIFTypes.h"

#include <cstddef>
#include <cstdint>

namespace zuneigo::gifdetail {

class GifByteReader {
public:
    GifByteReader(const std::uint8_t* data, std::size_t size) : p_(data),
                                                                end_(data + size) {}

    bool AtEnd() const { return p_ >= end_; }
    std::size_t Remaining() const { return static_cast<std::size_t>(end_ - p_); }
    const std::uint8_t* Position() const { return p_; }

    // n bytes, or nullptr (and nothing consumed) when fewer are left.
    const std::uint8_t* Take(std::size_t n)
    {
        if (Remaining() < n)
            return nullptr;
        const std::uint8_t* at = p_;
        p_ += n;
        return at;
    }
    bool ReadByte(std::uint8_t& b)
    {
        if (p_ >= end_)
            return false;
        b = *p_++;
        return true;
    }
    void Skip(std::size_t n) { p_ += n < Remaining() ? n : Remaining(); }

    // Zero bytes between blocks are skipped; 0 means the stream ended first.
    std::uint8_t NextBlockByte()
    {
        while (p_ < end_) {
            const std::uint8_t b = *p_++;
            if (b != 0)
                return b;
        }
        return 0;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

inline unsigned ReadLe16(const std::uint8_t* p) { return static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8); }

// A colour table of 2^bits RGB entries; a table cut short by the end of the data is a read error.
inline TGIFColorTable ReadColorTable(GifByteReader& in, int bits)
{
    const std::size_t count = std::size_t(1) << bits;
    const std::uint8_t* t = in.Take(count * 3);
    if (!t)
        throw Exception(gifmsg::StreamRead);
    TGIFColorTable table(count);
    for (std::size_t i = 0; i < count; ++i)
        table[i] = TGIFColor{t[3 * i], t[3 * i + 1], t[3 * i + 2]};
    return table;
}

} // namespace zuneigo::gifdetail
