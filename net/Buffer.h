#pragma once
// One block of the send chain: filled at the end, drained from the front.
#include <memory>

namespace zuneigo {

class TBuffer {
public:
    static constexpr int DefaultSize = 1514;

    // Size <= 0 means DefaultSize.
    explicit TBuffer(int size = DefaultSize);
    TBuffer(const TBuffer&) = delete;
    TBuffer& operator=(const TBuffer&) = delete;

    // Copies as much as fits behind the pending bytes; 0 when the block is full.
    int Write(const void* data, int len);
    // Start of the pending bytes and their number (nullptr and 0 when empty).
    const char* Peek(int& len) const;
    // Takes up to len bytes from the front; both counts return to 0 when it empties.
    int Remove(int len);

    int BufferSize() const { return size_; }
    int FillCount() const { return fillCount_; }
    int TakeCount() const { return takeCount_; }
    int Pending() const { return fillCount_ - takeCount_; }

private:
    std::unique_ptr<char[]> block_;
    int size_;
    int fillCount_ = 0;
    int takeCount_ = 0;
};

} // namespace zuneigo
