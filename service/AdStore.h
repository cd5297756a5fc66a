#pragma once
// The ad database file as the service keeps it: whole records only. Each accepted ad is
// appended with one write of its 14 lines and flushed to disk before anyone is told it
// was stored; a torn tail found at opening is cut back to the last whole record.
#include "app/core/AdRecord.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

namespace zuneigo::service {

class TAdStore {
public:
    // Opens or creates the file and cuts a torn tail (throws Exception on failure).
    explicit TAdStore(std::string path);
    ~TAdStore();
    TAdStore(const TAdStore&) = delete;
    TAdStore& operator=(const TAdStore&) = delete;

    // Bytes cut from a torn tail at opening (0 when the file was whole).
    std::uint64_t CutBytes() const { return cutBytes_; }
    // The file's size: the end of its last whole record.
    std::uint64_t Size() const { return size_; }
    std::uint64_t RecordCount() const { return records_; }
    std::time_t ModifiedTime() const { return modified_; }
    const std::string& Path() const { return path_; }

    // One record, 14 CR LF lines in key order, in one write, flushed. False (nothing
    // stored, the file as it was) when the disk refused it.
    bool Append(const std::array<std::string, AdFieldCount>& values);
    // Up to len bytes from offset; fewer at the end of the file.
    std::string Read(std::uint64_t offset, std::size_t len) const;

private:
    void Refresh();

    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t records_ = 0;
    std::uint64_t cutBytes_ = 0;
    std::time_t modified_ = 0;
};

// Where the last whole record of these bytes ends (each record is 14 lines ended by LF).
std::uint64_t WholeRecordsEnd(const char* data, std::uint64_t size, std::uint64_t* records = nullptr);

} // namespace zuneigo::service
