#include "app/core/AdDatabase.h"

#include "app/core/AdIndexer.h"
#include "app/core/LineBreaks.h"
#include "base/Stream.h"

#include <algorithm>
#include <functional>
#include <string>

namespace zuneigo {

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

void AdDatabase::IndexFrom(std::size_t from)
{
    if (from >= bytes_.size())
        return;
    const IndexSettings settings{.ParallelFrom = ParallelLoadMin, .StretchBytes = LoadJobBytes, .ScanWidth = ScanWidthLimit};
    lineCount_ = IndexAdText(bytes_.data(), from, bytes_.size(), lineCount_, settings, recordStarts_, summaries_);
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
