#include "app/core/AdDatabase.h"

#include "app/core/LineBreaks.h"
#include "base/Stream.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zuneigo {

namespace {

using linebreaks::IsBreakByte;

// Bit i is set when byte i of the block is the last byte of a line break: an LF, or a
// CR not directly followed by an LF. nextIsLf tells whether the byte after the block is
// an LF, so a CR LF split across two blocks still counts once.
std::uint64_t BreakEndsScalar(const char* p, std::size_t n, bool nextIsLf)
{
    std::uint64_t ends = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] == '\n') {
            ends |= std::uint64_t{1} << i;
        } else if (p[i] == '\r') {
            const bool lfFollows = i + 1 < n ? p[i + 1] == '\n' : nextIsLf;
            if (!lfFollows)
                ends |= std::uint64_t{1} << i;
        }
    }
    return ends;
}

// Without a popcnt instruction in the target std::popcount is a library call; the bit
// trick is faster than the call.
unsigned PopCount(std::uint64_t x)
{
#if defined(__POPCNT__)
    return static_cast<unsigned>(std::popcount(x));
#else
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<unsigned>((x * 0x0101010101010101ull) >> 56);
#endif
}

std::uint64_t BreakEnds64(const char* p, bool nextIsLf)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    std::uint64_t crMask = 0;
    std::uint64_t lfMask = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        crMask |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)))} << (16 * i);
        lfMask |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)))} << (16 * i);
    }
    const std::uint64_t lfAfter = (lfMask >> 1) | (std::uint64_t{nextIsLf} << 63);
    return lfMask | (crMask & ~lfAfter);
#else
    return BreakEndsScalar(p, 64, nextIsLf);
#endif
}

} // namespace

void AdDatabase::Clear()
{
    std::vector<char>().swap(bytes_);
    decltype(recordStarts_)().swap(recordStarts_);
    decltype(summaries_)().swap(summaries_);
    lineCount_ = 0;
}

std::string_view AdDatabase::Line(std::size_t index) const
{
    if (index >= lineCount_)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    const char* end = bytes_.data() + bytes_.size();
    return linebreaks::NthLine(bytes_.data() + recordStarts_[index / AdFieldCount], end, index % AdFieldCount);
}

std::array<std::string_view, AdFieldCount> AdDatabase::Record(std::size_t record) const
{
    const std::string_view text = RecordText(record);
    return linebreaks::SplitLines<AdFieldCount>(text.data(), text.data() + text.size());
}

std::vector<std::string> AdDatabase::Lines() const
{
    std::vector<std::string> out;
    out.reserve(lineCount_);
    const char* end = bytes_.data() + bytes_.size();
    const char* p = bytes_.data();
    for (std::size_t i = 0; i < lineCount_; ++i) {
        const char* e = linebreaks::LineEnd(p, end);
        out.emplace_back(p, e);
        p = linebreaks::SkipBreak(e, end);
    }
    return out;
}

std::string_view AdDatabase::RecordText(std::size_t record) const
{
    if (record >= RecordCount())
        throw EListError("List index out of bounds (" + std::to_string(record) + ")");
    return RecordBytes(record);
}

std::string_view AdDatabase::RecordBytes(std::size_t record) const
{
    const std::size_t begin = recordStarts_[record];
    const std::size_t end = record + 1 < recordStarts_.size() ? recordStarts_[record + 1] : bytes_.size();
    return {bytes_.data() + begin, end - begin};
}

void AdDatabase::AppendText(std::string_view text)
{
    if (text.empty())
        return;
    const std::less<const char*> before;
    if (!before(text.data(), bytes_.data()) && before(text.data(), bytes_.data() + bytes_.size())) {
        // Growing the buffer would move the bytes the view points at.
        const std::string copy(text);
        AppendText(copy);
        return;
    }
    std::size_t from = bytes_.size();
    if (!bytes_.empty() && bytes_.back() != '\n') {
        // End the previous last line so the new text starts a line of its own. After a
        // final CR the LF joins it into one CR LF break; otherwise it is the break.
        bytes_.push_back('\n');
        ++from;
    }
    const std::size_t needed = bytes_.size() + text.size();
    if (needed > bytes_.capacity()) {
        bytes_.reserve(std::max(needed, bytes_.capacity() + bytes_.capacity() / 2));
        AdviseHugePages(bytes_.data(), bytes_.capacity());
    }
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    IndexFrom(from);
}

void AdDatabase::AppendBytes(std::vector<char>&& bytes)
{
    if (!bytes_.empty() || bytes.empty()) {
        AppendText({bytes.data(), bytes.size()});
        return;
    }
    bytes_ = std::move(bytes);
    IndexFrom(0);
}

void AdDatabase::IndexFrom(std::size_t from)
{
    const char* data = bytes_.data();
    const std::size_t size = bytes_.size();
    if (from >= size)
        return;
    std::size_t lines = lineCount_;
    if (lines % AdFieldCount == 0)
        recordStarts_.push_back(from);
    // Breaks still to pass before the next line that starts a record.
    unsigned untilRecord = AdFieldCount - static_cast<unsigned>(lines % AdFieldCount);

    for (std::size_t pos = from; pos < size;) {
        const std::size_t n = std::min<std::size_t>(64, size - pos);
        const bool nextIsLf = pos + n < size && data[pos + n] == '\n';
        std::uint64_t ends = n == 64 ? BreakEnds64(data + pos, nextIsLf) : BreakEndsScalar(data + pos, n, nextIsLf);
        const unsigned count = PopCount(ends);
        if (count < untilRecord) {
            untilRecord -= count;
            lines += count;
        } else {
            while (ends != 0) {
                const int bit = std::countr_zero(ends);
                ends &= ends - 1;
                ++lines;
                if (--untilRecord == 0) {
                    untilRecord = AdFieldCount;
                    const std::size_t next = pos + static_cast<std::size_t>(bit) + 1;
                    if (next < size) {
                        recordStarts_.push_back(next);
                        // The record before it is complete and still in the cache.
                        SummarizeUpTo(recordStarts_.size() - 1);
                    }
                }
            }
        }
        pos += n;
    }
    // Text after the last break is one more line; a final break adds no empty line.
    if (!IsBreakByte(data[size - 1]))
        ++lines;
    lineCount_ = lines;
    SummarizeUpTo(RecordCount());
}

void AdDatabase::SummarizeUpTo(std::size_t records)
{
    while (summaries_.size() < records)
        summaries_.push_back(SummarizeRecord(RecordBytes(summaries_.size())));
}

std::size_t AdDatabase::MemoryUsage() const
{
    return bytes_.capacity() + recordStarts_.capacity() * sizeof(std::uint64_t) +
        summaries_.capacity() * sizeof(AdSummary);
}

void StreamToLines(AdDatabase& lines, TStream& stream)
{
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
        lines.AppendText({memory->Memory(), static_cast<std::size_t>(memory->Size())});
        return;
    }
    const std::int64_t position = stream.Position();
    std::vector<char> bytes(static_cast<std::size_t>(stream.Size()));
    stream.Seek(0, SeekOrigin::Begin);
    try {
        stream.ReadBuffer(bytes.data(), bytes.size());
    } catch (...) {
        stream.Seek(position, SeekOrigin::Begin);
        throw;
    }
    stream.Seek(position, SeekOrigin::Begin);
    lines.AppendBytes(std::move(bytes));
}

void StreamToLines(AdDatabase& lines, TMemoryStream&& stream)
{
    lines.AppendBytes(stream.TakeBytes());
}

} // namespace zuneigo
