#pragma once
// One block of the send chain: filled at the end, drained from the front.
#include <memory>
#include <vector>

namespace zuneigo {

class TBuffer {
public:
    static constexpr int DefaultSize = 1514;

    // Size <= 0 means DefaultSize.
    explicit TBuffer(int size = DefaultSize);
    TBuffer(const TBuffer&) = delete;
    TBuffer& operator=(const TBuffer&) = delete;

    // count blocks of size bytes lying back to back in one allocation, which lives as
    // long as any of them. The pending bytes of a full block and those of the untouched
    // block behind it then form one piece that can go to the platform in one call.
    static std::vector<std::unique_ptr<TBuffer>> MakeRun(int size, int count);

    // Copies as much as fits behind the pending bytes; 0 when the block is full.
    int Write(const void* data, int len);
    // Start of the pending bytes and their number (nullptr and 0 when empty).
    const char* Peek(int& len) const;
    // Takes up to len bytes from the front; both counts return to 0 when it empties.
    int Remove(int len);

    // True when this block's pending bytes follow those of prev in memory: prev is full,
    // this one has pending bytes and none taken, and both belong to one run.
    bool Continues(const TBuffer& prev) const;
    // True for a member of a run of more than one block.
    bool InRun() const { return inRun_; }

    int BufferSize() const { return size_; }
    int FillCount() const { return fillCount_; }
    int TakeCount() const { return takeCount_; }
    int Pending() const { return fillCount_ - takeCount_; }

private:
    TBuffer(std::shared_ptr<char[]> storage, char* block, int size);

    std::shared_ptr<char[]> storage_;
    char* block_;
    int size_;
    bool inRun_ = false;
    int fillCount_ = 0;
    int takeCount_ = 0;
};

} // namespace zuneigo
