#include "net/Buffer.h"

#include <algorithm>
#include <cstring>

namespace zuneigo {

TBuffer::TBuffer(int size) : size_(size > 0 ? size : DefaultSize) {
    block_ = std::make_unique<char[]>(static_cast<std::size_t>(size_));
}

int TBuffer::Write(const void* data, int len) {
    int n = std::min(len, size_ - fillCount_);
    if (n <= 0) return 0;
    std::memcpy(block_.get() + fillCount_, data, static_cast<std::size_t>(n));
    fillCount_ += n;
    return n;
}

const char* TBuffer::Peek(int& len) const {
    len = fillCount_ - takeCount_;
    return len > 0 ? block_.get() + takeCount_ : nullptr;
}

int TBuffer::Remove(int len) {
    int n = std::min(len, fillCount_ - takeCount_);
    if (n <= 0) return 0;
    takeCount_ += n;
    if (takeCount_ >= fillCount_) {
        takeCount_ = 0;
        fillCount_ = 0;
    }
    return n;
}

} // namespace zuneigo
