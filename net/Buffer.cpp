#include "net/Buffer.h"

#include <algorithm>
#include <cstring>

namespace zuneigo {

TBuffer::TBuffer(int size) : size_(size > 0 ? size : DefaultSize)
{
    storage_.reset(new char[static_cast<std::size_t>(size_)]);
    block_ = storage_.get();
}

TBuffer::TBuffer(std::shared_ptr<char[]> storage, char* block, int size)
    : storage_(std::move(storage)),
      block_(block),
      size_(size),
      inRun_(true) {}

std::vector<std::unique_ptr<TBuffer>> TBuffer::MakeRun(int size, int count)
{
    if (size <= 0) size = DefaultSize;
    std::vector<std::unique_ptr<TBuffer>> run;
    if (count <= 1) {
        if (count == 1) run.push_back(std::make_unique<TBuffer>(size));
        return run;
    }
    std::shared_ptr<char[]> storage(new char[static_cast<std::size_t>(size) * static_cast<std::size_t>(count)]);
    run.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        run.push_back(std::unique_ptr<TBuffer>(new TBuffer(storage, storage.get() + static_cast<std::size_t>(i) * size, size)));
    return run;
}

int TBuffer::Write(const void* data, int len)
{
    int n = std::min(len, size_ - fillCount_);
    if (n <= 0) return 0;
    std::memcpy(block_ + fillCount_, data, static_cast<std::size_t>(n));
    fillCount_ += n;
    return n;
}

const char* TBuffer::Peek(int& len) const
{
    len = fillCount_ - takeCount_;
    return len > 0 ? block_ + takeCount_ : nullptr;
}

int TBuffer::Remove(int len)
{
    int n = std::min(len, fillCount_ - takeCount_);
    if (n <= 0) return 0;
    takeCount_ += n;
    if (takeCount_ >= fillCount_) {
        takeCount_ = 0;
        fillCount_ = 0;
    }
    return n;
}

bool TBuffer::Continues(const TBuffer& prev) const
{
    return inRun_ && storage_ == prev.storage_ && prev.fillCount_ == prev.size_ && prev.block_ + prev.size_ == block_ &&
        takeCount_ == 0 && fillCount_ > 0;
}

} // namespace zuneigo
