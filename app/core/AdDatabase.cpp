#include "app/core/AdDatabase.h"

#include "app/core/LineBreaks.h"
#include "app/core/ParallelJobs.h"
#include "base/Stream.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// The scanning kernels are built again for AVX2 and AVX-512 and the widest the processor
// has is taken (GCC on x86-64; other compilers take the baseline).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define ZUNEIGO_AVX2_SCAN 1
#include <immintrin.h>
#else
#define ZUNEIGO_AVX2_SCAN 0
#endif

namespace zuneigo {

namespace {

using linebreaks::IsBreakByte;

#define ZUNEIGO_SCAN_AVX2 0
#define ZUNEIGO_SCAN_AVX512 0
namespace portable {
#include "app/core/LineBreakScan.inc"
} // namespace portable

#if ZUNEIGO_AVX2_SCAN
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,popcnt")
#undef ZUNEIGO_SCAN_AVX2
#define ZUNEIGO_SCAN_AVX2 1
namespace avx2 {
#include "app/core/LineBreakScan.inc"
} // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,bmi,bmi2,popcnt")
#undef ZUNEIGO_SCAN_AVX2
#define ZUNEIGO_SCAN_AVX2 0
#undef ZUNEIGO_SCAN_AVX512
#define ZUNEIGO_SCAN_AVX512 1
namespace avx512 {
#include "app/core/LineBreakScan.inc"
} // namespace avx512
#pragma GCC pop_options

enum class Scanner { Portable,
                     Avx2,
                     Avx512 };

Scanner BestScanner()
{
    static const Scanner best = [] {
        const bool base = __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
            __builtin_cpu_supports("popcnt");
        if (base && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f"))
            return Scanner::Avx512;
        return base && __builtin_cpu_supports("avx2") ? Scanner::Avx2 : Scanner::Portable;
    }();
    const std::size_t limit = AdDatabase::ScanWidthLimit;
    if (best == Scanner::Avx512 && limit < 512)
        return limit < 256 ? Scanner::Portable : Scanner::Avx2;
    return best == Scanner::Avx2 && limit < 256 ? Scanner::Portable : best;
}
#else
namespace avx2 = portable;
namespace avx512 = portable;
enum class Scanner { Portable,
                     Avx2,
                     Avx512 };
Scanner BestScanner() { return Scanner::Portable; }
#endif

} // namespace

AdDatabase::~AdDatabase()
{
    ReleaseBytes(true);
}

void AdDatabase::AddViewer(std::weak_ptr<Viewer> viewer) const
{
    std::erase_if(viewers_, [](const std::weak_ptr<Viewer>& v) { return v.expired(); });
    viewers_.push_back(std::move(viewer));
}

void AdDatabase::ReleaseBytes(bool keepable)
{
    if (viewers_.empty())
        return;
    std::shared_ptr<const std::vector<char>> old;
    if (keepable)
        old = std::make_shared<const std::vector<char>>(std::move(bytes_));
    // Each viewer is forgotten once told, so one that fails to copy is told again later.
    while (!viewers_.empty()) {
        if (const std::shared_ptr<Viewer> viewer = viewers_.back().lock())
            viewer->BytesReleased(old);
        viewers_.pop_back();
    }
}

void AdDatabase::Clear()
{
    ReleaseBytes(true);
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
    ReleaseBytes(false);
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
    ReleaseBytes(false);
    if (!bytes_.empty() || bytes.empty()) {
        AppendText({bytes.data(), bytes.size()});
        return;
    }
    bytes_ = std::move(bytes);
    IndexFrom(0);
}

void AdDatabase::IndexPart(const IndexJob& job, std::size_t& deferred)
{
    bool first = true;
    auto onStart = [&](std::size_t record, std::size_t offset) {
        recordStarts_[record] = offset;
        // The record before it is complete and still in the cache. A later stretch leaves
        // the first one it completes to the caller: its start may not be written yet.
        if (first && job.DeferFirst)
            deferred = record - 1;
        else
            summaries_[record - 1] = SummarizeRecord(RecordBytes(record - 1));
        first = false;
    };
    switch (BestScanner()) {
    case Scanner::Avx512:
        avx512::ScanRecordStarts(bytes_.data(), job.Begin, job.End, bytes_.size(), job.Lines, onStart);
        break;
    case Scanner::Avx2:
        avx2::ScanRecordStarts(bytes_.data(), job.Begin, job.End, bytes_.size(), job.Lines, onStart);
        break;
    case Scanner::Portable:
        portable::ScanRecordStarts(bytes_.data(), job.Begin, job.End, bytes_.size(), job.Lines, onStart);
        break;
    }
}

void AdDatabase::IndexFrom(std::size_t from)
{
    const char* data = bytes_.data();
    const std::size_t size = bytes_.size();
    if (from >= size)
        return;
    const std::size_t startLines = lineCount_;
    const std::size_t startRecords = RecordCount();

    // A large text is cut into stretches of a few MiB that two threads take as they go:
    // first each stretch's breaks are counted, so every stretch knows the line number it
    // starts at and the index is sized once; then each is indexed and summarized.
    const std::size_t length = size - from;
    const std::size_t count =
        length < ParallelLoadMin ? 1 : std::clamp<std::size_t>(length / std::max<std::size_t>(LoadJobBytes, 1), 2, 256);
    std::vector<IndexJob> jobs(count);
    for (std::size_t j = 0; j < count; ++j)
        jobs[j] = {from + length / count * j, j + 1 == count ? size : from + length / count * (j + 1), 0, j > 0};
    std::vector<std::size_t> counts(count);
    std::vector<std::size_t> deferred(count, npos);
    RunJobs(count, [&](std::size_t j) {
        const Scanner scanner = BestScanner();
        counts[j] = scanner == Scanner::Avx512 ? avx512::CountBreakEnds(data, jobs[j].Begin, jobs[j].End, size)
            : scanner == Scanner::Avx2         ? avx2::CountBreakEnds(data, jobs[j].Begin, jobs[j].End, size)
                                               : portable::CountBreakEnds(data, jobs[j].Begin, jobs[j].End, size);
    });

    std::size_t lines = startLines;
    for (std::size_t j = 0; j < count; ++j) {
        jobs[j].Lines = lines;
        lines += counts[j];
    }
    // Text after the last break is one more line; a final break adds no empty line.
    lineCount_ = lines + (IsBreakByte(data[size - 1]) ? 0 : 1);
    // One start per existing line 14k; one summary per whole record.
    recordStarts_.resize((lineCount_ + AdFieldCount - 1) / AdFieldCount);
    summaries_.resize(RecordCount());
    if (startLines % AdFieldCount == 0)
        recordStarts_[startLines / AdFieldCount] = from;

    RunJobs(count, [&](std::size_t j) { IndexPart(jobs[j], deferred[j]); });

    for (const std::size_t record : deferred)
        if (record != npos)
            summaries_[record] = SummarizeRecord(RecordBytes(record));
    // The last whole record ends with the text, so no stretch saw its end.
    const std::size_t last = recordStarts_.size() - 1;
    if (last < RecordCount() && last >= startRecords)
        summaries_[last] = SummarizeRecord(RecordBytes(last));
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
