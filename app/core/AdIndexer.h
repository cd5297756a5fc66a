#pragma once
// Indexes database text as it is appended, in one pass over its new bytes: the offset of
// every line that starts a record (lines 0, 14, 28, ...) and the summary of every record
// the text completes. Large texts are cut into stretches of a few hundred KiB that the
// caller and a helper thread take as they go; each stretch's breaks are marked while its
// bytes pass through the cache once, and its lines are numbered from the stretches before.
#include "app/core/AdSummary.h"
#include "app/core/LargeBuffer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zuneigo {

using RecordStarts = std::vector<std::uint64_t, LargeAllocator<std::uint64_t>>;
using RecordSummaries = std::vector<AdSummary, LargeAllocator<AdSummary>>;

struct IndexSettings {
    std::size_t ParallelFrom = 0; // new text from this size on is shared with a helper thread
    std::size_t StretchBytes = 0; // bytes per stretch (more for very large texts)
    std::size_t ScanWidth = 512;  // widest vector scanning to use, in bits
};

// text[0, size) of which [from, size) is new (from < size); the text before from holds
// `lines` lines and ends with a break. starts holds the offset of every line 14k before
// from, summaries one per whole record before from; both are extended to the whole
// text. Returns the line count of the whole text.
std::size_t IndexAdText(const char* text, std::size_t from, std::size_t size, std::size_t lines,
                        const IndexSettings& settings, RecordStarts& starts, RecordSummaries& summaries);

} // namespace zuneigo
