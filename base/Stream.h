#pragma once
// A small byte stream interface with an in-memory and a file implementation. Streams
// handed to components stay owned by the caller.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zuneigo {

enum class SeekOrigin { Begin,
                        Current,
                        End };

class TStream {
public:
    virtual ~TStream() = default;
    // Read and Write move what they can and return the count; they raise only on I/O errors.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    // Returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual std::int64_t Size() const = 0;

    std::int64_t Position() const { return const_cast<TStream*>(this)->Seek(0, SeekOrigin::Current); }
    void SetPosition(std::int64_t pos) { Seek(pos, SeekOrigin::Begin); }

    // All or nothing: a short transfer raises EReadError "Stream read error" or
    // EWriteError "Stream write error".
    void ReadBuffer(void* buffer, std::size_t count);
    void WriteBuffer(const void* buffer, std::size_t count);
    void WriteString(const std::string& text) { WriteBuffer(text.data(), text.size()); }
};

class TMemoryStream : public TStream {
public:
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }

    void SetSize(std::size_t size);
    void Clear();
    const char* Memory() const { return data_.data(); }
    char* Memory() { return data_.data(); }
    std::string ToString() const { return std::string(data_.begin(), data_.end()); }
    // Hands the bytes over without a copy; the stream is empty afterwards.
    std::vector<char> TakeBytes();

private:
    std::vector<char> data_;
    std::size_t pos_ = 0;
};

class TFileStream : public TStream {
public:
    enum Mode { fmOpenRead,
                fmOpenWrite,
                fmOpenReadWrite,
                fmCreate };
    // Raises EFOpenError "Cannot open file "NAME". REASON" when the file cannot be opened.
    TFileStream(const std::string& fileName, Mode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() const override;

private:
    int fd_ = -1;
    std::string name_;
};

} // namespace zuneigo
