#pragma once
// The downloaded ad database in memory: the file's bytes kept once, as received, plus
// the offset of every 14th line (the first line of each record) and a summary of each
// record for the search. A line is found by walking at most 13 short lines from its
// record's start, so a million ads cost the file size plus 8 bytes of offset and one
// summary per record.
#include "app/core/AdRecord.h"
#include "app/core/AdSummary.h"
#include "app/core/LargeBuffer.h"
#include "base/Exception.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zuneigo {

class TStream;
class TMemoryStream;

// A line or record index outside the list: "List index out of bounds (N)".
class EListError : public Exception {
public:
    using Exception::Exception;
};

class AdDatabase {
public:
    // Reads the database's bytes in place (a search's rows) and is told before those bytes
    // are freed or moved, so it never reads freed memory and never needs a copy up front.
    class Viewer {
    public:
        virtual ~Viewer() = default;
        // The bytes are about to go. When old is set it holds them from now on, at the same
        // address: keep it, or copy what is read and let it go. When old is null the bytes
        // stay with the database but may move: copy now (a failure leaves the bytes as
        // they are and is passed on).
        virtual void BytesReleased(const std::shared_ptr<const std::vector<char>>& old) = 0;
    };

    AdDatabase() = default;
    // Moving keeps the bytes where they are, so the viewers go along.
    AdDatabase(AdDatabase&&) noexcept = default;
    AdDatabase(const AdDatabase&) = delete;
    AdDatabase& operator=(const AdDatabase&) = delete;
    AdDatabase& operator=(AdDatabase&&) = delete;
    ~AdDatabase();

    // Tells viewer before the bytes it reads are freed or moved (once: it is forgotten
    // then). Held weakly, so a viewer that is gone costs nothing. Not thread-safe: add
    // viewers on the thread that changes the database.
    void AddViewer(std::weak_ptr<Viewer> viewer) const;

    void Clear();

    // Lines, including those after the last whole record.
    std::size_t Count() const { return lineCount_; }
    // Whole records only: lines div 14.
    std::size_t RecordCount() const { return lineCount_ / AdFieldCount; }

    // Line index, 0 <= index < Count(); raises EListError otherwise.
    std::string_view Line(std::size_t index) const;
    std::string_view Field(std::size_t record, int field) const
    {
        return Line(record * AdFieldCount + static_cast<std::size_t>(field));
    }
    // All 14 fields of record k (0 <= k < RecordCount()) in one walk, for filling rows.
    std::array<std::string_view, AdFieldCount> Record(std::size_t record) const;
    std::vector<std::string> Lines() const;

    // The bytes of record k (0 <= k < RecordCount()): its 14 lines with their breaks; the
    // last break may be missing at the end of the text.
    std::string_view RecordText(std::size_t record) const;

    // What the search reads of record k (0 <= k < RecordCount()), taken when it was loaded.
    const AdSummary& Summary(std::size_t record) const { return summaries_[record]; }

    // Appends the lines found in text. Lines already present stay whole: appended text
    // never continues the previous last line. text may be a view into this database.
    void AppendText(std::string_view text);
    // The same, taking the bytes over without a copy when the database is empty.
    void AppendBytes(std::vector<char>&& bytes);

    // Texts are indexed in stretches of LoadJobBytes, small enough for a processor's own
    // cache; from ParallelLoadMin on, by two threads.
    static inline std::size_t ParallelLoadMin = std::size_t{4} << 20;
    static inline std::size_t LoadJobBytes = std::size_t{256} << 10;
    // The widest vector scanning to use, in bits (512, 256, or less for the baseline);
    // the processor's own limit applies as well.
    static inline std::size_t ScanWidthLimit = 512;

    // Bytes held: text buffer, record index and summaries, all at their capacity.
    std::size_t MemoryUsage() const;

private:
    // Record k's bytes, without the bounds check of RecordText.
    std::string_view RecordBytes(std::size_t record) const;
    // Indexes the lines from offset from on (the start of a line) and summarizes the records they complete.
    void IndexFrom(std::size_t from);
    // Called before anything frees or moves bytes_: keepable when the bytes are dropped
    // (the viewers may take them over), not when they stay and may move.
    void ReleaseBytes(bool keepable);

    std::vector<char> bytes_;
    std::vector<std::uint64_t, LargeAllocator<std::uint64_t>> recordStarts_; // offset of line 14k, for every such line
    std::vector<AdSummary, LargeAllocator<AdSummary>> summaries_;            // one per whole record
    std::size_t lineCount_ = 0;
    mutable std::vector<std::weak_ptr<Viewer>> viewers_; // whoever reads bytes_ in place
};

// Appends to lines the text lines of the stream's whole content (from its first byte to
// its size, whatever its position, which is left unchanged). Does not empty lines first.
void StreamToLines(AdDatabase& lines, TStream& stream);
// The same for a memory stream the caller no longer needs: its bytes are taken over
// (no copy when lines is empty) and the stream is left empty.
void StreamToLines(AdDatabase& lines, TMemoryStream&& stream);

} // namespace zuneigo
