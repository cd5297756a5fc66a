#pragma once
// The ad database file as the service keeps it: whole records only. Records are appended
// with one write per batch and flushed to disk before anyone is told they were stored; a
// torn tail found at opening is cut back to the last whole record.
//
// The operator may truncate, replace or delete the file while the service runs. Before
// each use the store checks that its path still names the file it holds (device, inode,
// a size not below what it wrote); when not, it opens the path again as at a start. A
// batch counts as stored only once it is flushed in the file the path names.
//
// Thread use: the loop thread takes snapshots and reads; one writer thread appends. The
// file's descriptor is shared, so a download goes on reading the file it started with.
#include "app/core/AdRecord.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>

namespace zuneigo::service {

// One opened data file; closed when the last holder lets go.
class TDataFile {
public:
    TDataFile(int fd, dev_t dev, ino_t ino) : fd_(fd),
                                              dev_(dev),
                                              ino_(ino) {}
    ~TDataFile();
    TDataFile(const TDataFile&) = delete;
    TDataFile& operator=(const TDataFile&) = delete;
    int Fd() const { return fd_; }
    bool SameAs(dev_t dev, ino_t ino) const { return dev == dev_ && ino == ino_; }
    // Up to len bytes from offset; fewer at the end of the file.
    std::string Read(std::uint64_t offset, std::size_t len) const;

private:
    int fd_;
    dev_t dev_;
    ino_t ino_;
};

class TAdStore {
public:
    // What a download or the home page works with: the file and its whole records.
    struct Snapshot {
        std::shared_ptr<const TDataFile> file;
        std::uint64_t size = 0;
        std::uint64_t records = 0;
        std::time_t modified = 0;
    };

    // Opens or creates the file and cuts a torn tail (throws Exception on failure).
    explicit TAdStore(std::string path);
    TAdStore(const TAdStore&) = delete;
    TAdStore& operator=(const TAdStore&) = delete;

    // Bytes cut from a torn tail at the last opening (0 when the file was whole).
    std::uint64_t CutBytes() const;
    std::uint64_t Size() const;
    std::uint64_t RecordCount() const;
    const std::string& Path() const { return path_; }
    // Calls of fdatasync for appended records so far.
    std::uint64_t FlushCount() const { return flushes_.load(); }

    // Checks the path first and opens it again when it names another file (or none).
    Snapshot Current();

    // Appends whole records (count of them, each 14 CR LF lines) in one write and flushes
    // them; writes them again into the file the path names when it changed meanwhile.
    // False (nothing of them kept, the file whole) when the disk refused them.
    bool AppendRecords(const std::string& records, std::uint64_t count);
    // One record, values in key order.
    bool Append(const std::array<std::string, AdFieldCount>& values);
    // Up to len bytes of the current file from offset.
    std::string Read(std::uint64_t offset, std::size_t len);

private:
    // The path still names the file held, with at least minSize bytes.
    bool HoldsPathLocked(std::uint64_t minSize) const;
    // Opens the path as at a start; throws Exception when it cannot.
    void OpenLocked();
    // Checks the path and opens it again when needed; false when that failed.
    bool VerifyLocked();

    const std::string path_;
    mutable std::mutex mutex_; // never held while flushing
    std::shared_ptr<TDataFile> file_;
    std::uint64_t size_ = 0;
    std::uint64_t records_ = 0;
    std::uint64_t cutBytes_ = 0;
    std::time_t modified_ = 0;
    std::atomic<std::uint64_t> flushes_{0};
};

// Where the last whole record of these bytes ends (each record is 14 lines ended by LF).
std::uint64_t WholeRecordsEnd(const char* data, std::uint64_t size, std::uint64_t* records = nullptr);
// The 14 values as the file stores them: one CR LF line each, in key order.
std::string RecordText(const std::array<std::string, AdFieldCount>& values);

} // namespace zuneigo::service
