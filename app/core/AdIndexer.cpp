#include "app/core/AdIndexer.h"

#include "app/core/AdRecord.h"
#include "app/core/LineBreaks.h"
#include "app/core/ParallelJobs.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <string_view>
#include <utility>

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

constexpr std::size_t Unknown = static_cast<std::size_t>(-1);

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

Scanner BestScanner(std::size_t limit)
{
    static const Scanner best = [] {
        const bool base = __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
            __builtin_cpu_supports("popcnt");
        if (base && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f"))
            return Scanner::Avx512;
        return base && __builtin_cpu_supports("avx2") ? Scanner::Avx2 : Scanner::Portable;
    }();
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
Scanner BestScanner(std::size_t) { return Scanner::Portable; }
#endif

// Calls f with the given scanner's set of kernels.
template <class F>
decltype(auto) WithKernels(Scanner scanner, F&& f)
{
    switch (scanner) {
    case Scanner::Avx512:
        return f(avx512::Kernels{});
    case Scanner::Avx2:
        return f(avx2::Kernels{});
    case Scanner::Portable:
        break;
    }
    return f(portable::Kernels{});
}

// One stretch of the new text.
struct Stretch {
    std::size_t Begin = 0;
    std::size_t End = 0;
    std::atomic<std::size_t> Breaks{Unknown};      // break ends in [Begin, End)
    std::atomic<std::size_t> LinesBefore{Unknown}; // break ends before Begin: the number of the line Begin is in
    std::size_t Deferred = Unknown;                // record completed here whose start an earlier stretch writes
    // Record starts and summaries beyond the room set aside, by record number.
    std::vector<std::pair<std::size_t, std::uint64_t>> ExtraStarts;
    std::vector<std::pair<std::size_t, AdSummary>> ExtraSummaries;
    std::exception_ptr Failure; // what stopped the stretch (no memory); raised by the caller
};

// Record slots to set aside for text[from, size): its lines are estimated from the
// breaks of evenly spread samples (all of a short text), with a margin. A text that has
// more keeps the rest aside until the end; one that has fewer gives the room back.
std::size_t EstimateRecords(Scanner scanner, const char* text, std::size_t from, std::size_t size)
{
    constexpr std::size_t samples = 32;
    constexpr std::size_t sampleBytes = 4096;
    const std::size_t length = size - from;
    auto never = [] { return Unknown; };
    std::size_t breaks = 0;
    std::size_t counted = 0;
    WithKernels(scanner, [&](auto kernels) {
        if (length <= samples * sampleBytes) {
            breaks = kernels.Count(text, from, size, size, never);
            counted = length;
            return;
        }
        for (std::size_t i = 0; i < samples; ++i) {
            const std::size_t begin = from + (length - sampleBytes) / (samples - 1) * i;
            breaks += kernels.Count(text, begin, begin + sampleBytes, size, never);
        }
        counted = samples * sampleBytes;
    });
    const std::size_t lines = static_cast<std::size_t>(static_cast<double>(breaks) / static_cast<double>(counted) *
                                                       static_cast<double>(length)) +
        1;
    const std::size_t records = lines / AdFieldCount;
    return records + records / 16 + 16;
}

class Indexer {
public:
    Indexer(const char* text, std::size_t from, std::size_t size, std::size_t lines, const IndexSettings& settings,
            RecordStarts& starts, RecordSummaries& summaries)
        : text_(text),
          size_(size),
          startLines_(lines),
          scanner_(BestScanner(settings.ScanWidth)),
          starts_(starts),
          summaries_(summaries)
    {
        const std::size_t length = size - from;
        const std::size_t stretchBytes = std::max({settings.StretchBytes, length / MaxStretches, std::size_t{1}});
        count_ = (length + stretchBytes - 1) / stretchBytes;
        stretches_ = std::make_unique<Stretch[]>(count_);
        for (std::size_t j = 0; j < count_; ++j) {
            stretches_[j].Begin = from + stretchBytes * j;
            stretches_[j].End = std::min(size, from + stretchBytes * (j + 1));
        }
        stretches_[0].LinesBefore.store(lines, std::memory_order_relaxed);

        // Room for the records the text probably completes: sized once and written in
        // place by the threads, so each index page is touched once.
        const std::size_t startsBefore = (lines + AdFieldCount - 1) / AdFieldCount;
        room_ = startsBefore + 1 + EstimateRecords(scanner_, text, from, size);
        starts_.resize(room_);
        summaries_.resize(room_);
        if (lines % AdFieldCount == 0)
            starts_[startsBefore] = from;
        parallel_ = length >= settings.ParallelFrom && count_ > 1;
    }

    std::size_t Run()
    {
        const std::size_t startsBefore = (startLines_ + AdFieldCount - 1) / AdFieldCount;
        try {
            if (parallel_) {
                RunJobs(count_, [this](std::size_t j) { Index(j); });
            } else {
                for (std::size_t j = 0; j < count_; ++j)
                    Index(j);
            }
            for (std::size_t j = 0; j < count_; ++j)
                if (stretches_[j].Failure)
                    std::rethrow_exception(stretches_[j].Failure);
            return Finish();
        } catch (...) {
            // The index stays as it was before the text.
            starts_.resize(startsBefore);
            summaries_.resize(startLines_ / AdFieldCount);
            throw;
        }
    }

private:
    // More stretches than this and a stretch grows instead.
    static constexpr std::size_t MaxStretches = 4096;

    void Index(std::size_t j)
    {
        try {
            IndexStretch(j);
        } catch (...) {
            stretches_[j].Failure = std::current_exception();
        }
    }

    void IndexStretch(std::size_t j)
    {
        Stretch& s = stretches_[j];
        const std::size_t words = (s.End - s.Begin + 63) / 64;
        const std::unique_ptr<std::uint64_t[]> ends(new std::uint64_t[words]);
        WithKernels(scanner_, [&](auto kernels) {
            s.Breaks.store(kernels.Mark(text_, s.Begin, s.End, size_, ends.get()), std::memory_order_release);
            const std::size_t lines = LinesBefore(j);

            std::size_t previous = Unknown; // the start of the last record begun in this stretch
            auto onStart = [&](std::size_t record, std::size_t offset) {
                if (record < room_)
                    starts_[record] = offset;
                else
                    s.ExtraStarts.emplace_back(record, offset);
                // The record before is complete and still in the cache. Its start is known
                // unless an earlier stretch, maybe still running, is to write it.
                if (previous == Unknown && j > 0) {
                    s.Deferred = record - 1;
                } else {
                    const std::size_t begin = previous != Unknown ? previous : starts_[record - 1];
                    const AdSummary summary = SummarizeRecord({text_ + begin, offset - begin});
                    if (record - 1 < room_)
                        summaries_[record - 1] = summary;
                    else
                        s.ExtraSummaries.emplace_back(record - 1, summary);
                }
                previous = offset;
            };
            kernels.Walk(ends.get(), s.Begin, s.End, size_, lines, onStart);
        });
    }

    // The number of the line stretch j begins in, from the stretches before it.
    std::size_t LinesBefore(std::size_t j)
    {
        std::size_t i = j;
        while (stretches_[i].LinesBefore.load(std::memory_order_acquire) == Unknown)
            --i; // stretch 0's is set from the start
        std::size_t lines = stretches_[i].LinesBefore.load(std::memory_order_acquire);
        for (; i < j; ++i) {
            lines += Breaks(i);
            stretches_[i + 1].LinesBefore.store(lines, std::memory_order_release);
        }
        return lines;
    }

    // The breaks of stretch i: counted here too when the thread marking it has not
    // finished, so a thread the system has put aside is never waited for.
    std::size_t Breaks(std::size_t i)
    {
        Stretch& s = stretches_[i];
        std::size_t breaks = s.Breaks.load(std::memory_order_acquire);
        if (breaks == Unknown) {
            auto known = [&s] { return s.Breaks.load(std::memory_order_acquire); };
            breaks = WithKernels(scanner_, [&](auto kernels) { return kernels.Count(text_, s.Begin, s.End, size_, known); });
            s.Breaks.store(breaks, std::memory_order_release);
        }
        return breaks;
    }

    std::string_view RecordBytes(std::size_t record) const
    {
        const std::size_t begin = starts_[record];
        const std::size_t end = record + 1 < starts_.size() ? starts_[record + 1] : size_;
        return {text_ + begin, end - begin};
    }

    std::size_t Finish()
    {
        const std::size_t breaks = LinesBefore(count_ - 1) + Breaks(count_ - 1);
        // Text after the last break is one more line; a final break adds no empty line.
        const std::size_t lines = breaks + (linebreaks::IsBreakByte(text_[size_ - 1]) ? 0 : 1);
        // One start per existing line 14k; one summary per whole record.
        const std::size_t records = lines / AdFieldCount;
        starts_.resize((lines + AdFieldCount - 1) / AdFieldCount);
        summaries_.resize(records);
        for (std::size_t j = 0; j < count_; ++j) {
            for (const auto& [record, offset] : stretches_[j].ExtraStarts)
                starts_[record] = offset;
            for (const auto& [record, summary] : stretches_[j].ExtraSummaries)
                summaries_[record] = summary;
        }
        if (room_ > starts_.size() + starts_.size() / 8 + 64) {
            // Far fewer records than estimated: the room is given back.
            starts_.shrink_to_fit();
            summaries_.shrink_to_fit();
        }

        for (std::size_t j = 0; j < count_; ++j)
            if (stretches_[j].Deferred != Unknown)
                summaries_[stretches_[j].Deferred] = SummarizeRecord(RecordBytes(stretches_[j].Deferred));
        // The last whole record ends with the text, so no stretch saw its end.
        const std::size_t last = starts_.size() - 1;
        if (last < records && last >= startLines_ / AdFieldCount)
            summaries_[last] = SummarizeRecord(RecordBytes(last));
        return lines;
    }

    const char* text_;
    std::size_t size_;
    std::size_t startLines_;
    Scanner scanner_;
    RecordStarts& starts_;
    RecordSummaries& summaries_;
    std::size_t room_ = 0; // record slots in starts_ and summaries_ while the stretches run
    std::size_t count_ = 0;
    std::unique_ptr<Stretch[]> stretches_;
    bool parallel_ = false;
};

} // namespace

std::size_t IndexAdText(const char* text, std::size_t from, std::size_t size, std::size_t lines,
                        const IndexSettings& settings, RecordStarts& starts, RecordSummaries& summaries)
{
    return Indexer(text, from, size, lines, settings, starts, summaries).Run();
}

} // namespace zuneigo
