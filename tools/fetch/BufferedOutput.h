#pragma once
// A write-only stream that gathers the document's pieces (at most 8 KiB each, as the
// client hands them on) into larger writes to the stream below it. Flush at the end:
// a write error shows there at the latest.
#include "base/Stream.h"

#include <memory>
#include <vector>

namespace zuneigo::fetch {

class BufferedOutput : public TStream {
public:
    explicit BufferedOutput(std::unique_ptr<TStream> target, std::size_t capacity = 256 * 1024)
        : target_(std::move(target))
    {
        buffer_.reserve(capacity);
    }
    ~BufferedOutput() override
    {
        try {
            Flush();
        } catch (...) {
        }
    }

    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void* data, std::size_t count) override
    {
        const char* p = static_cast<const char*>(data);
        if (buffer_.size() + count > buffer_.capacity())
            Flush();
        if (count >= buffer_.capacity()) {
            target_->WriteBuffer(p, count);
        } else {
            buffer_.insert(buffer_.end(), p, p + count);
        }
        written_ += static_cast<std::int64_t>(count);
        return count;
    }
    std::int64_t Seek(std::int64_t, SeekOrigin) override { return written_; }
    std::int64_t Size() const override { return written_; }

    // Raises the stream's write error when the bytes cannot be stored.
    void Flush()
    {
        if (buffer_.empty())
            return;
        // The bytes go once, whether the write succeeds or not: a failed flush is not
        // repeated by the next one.
        try {
            target_->WriteBuffer(buffer_.data(), buffer_.size());
        } catch (...) {
            buffer_.clear();
            throw;
        }
        buffer_.clear();
    }

private:
    std::unique_ptr<TStream> target_;
    std::vector<char> buffer_;
    std::int64_t written_ = 0;
};

} // namespace zuneigo::fetch
