#include "service/AdStore.h"

#include "base/Exception.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zuneigo::service {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path)
{
    throw Exception(what + " " + path + ": " + std::strerror(errno));
}

// A file created anew must keep its name through a crash too, or the ads flushed into it
// are lost with it: the folder's entry is flushed as well.
void FlushFolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/"
                                                                             : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

std::uint64_t WholeRecordsEnd(const char* data, std::uint64_t size, std::uint64_t* records)
{
    std::uint64_t lines = 0;
    std::uint64_t end = 0;
    const char* p = data;
    const char* const last = data + size;
    while (p < last) {
        const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(last - p));
        if (!lf) break;
        p = static_cast<const char*>(lf) + 1;
        if (++lines % AdFieldCount == 0) end = static_cast<std::uint64_t>(p - data);
    }
    if (records) *records = lines / AdFieldCount;
    return end;
}

std::string RecordText(const std::array<std::string, AdFieldCount>& values)
{
    std::string record;
    for (const std::string& v : values) {
        record += v;
        record += "\r\n";
    }
    return record;
}

TDataFile::~TDataFile()
{
    ::close(fd_);
}

std::string TDataFile::Read(std::uint64_t offset, std::size_t len) const
{
    std::string out(len, '\0');
    std::size_t got = 0;
    while (got < len) {
        const ssize_t n = ::pread(fd_, out.data() + got, len - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return out;
}

TAdStore::TAdStore(std::string path) : path_(std::move(path))
{
    std::lock_guard lock(mutex_);
    OpenLocked();
}

void TAdStore::OpenLocked()
{
    const int fd = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) Fail("cannot open", path_);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        Fail("cannot read", path_);
    }
    auto file = std::make_shared<TDataFile>(fd, st.st_dev, st.st_ino);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t end = 0, records = 0;
    if (size > 0) {
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map == MAP_FAILED) Fail("cannot read", path_);
        end = WholeRecordsEnd(static_cast<const char*>(map), size, &records);
        ::munmap(map, size);
    }
    if (end < size && (::ftruncate(fd, static_cast<off_t>(end)) != 0 || ::fdatasync(fd) != 0))
        Fail("cannot repair", path_);
    if (S_ISREG(st.st_mode)) FlushFolderOf(path_);
    ::fstat(fd, &st);
    file_ = std::move(file);
    size_ = end;
    records_ = records;
    cutBytes_ = size - end;
    modified_ = st.st_mtime;
}

bool TAdStore::HoldsPathLocked(std::uint64_t minSize) const
{
    struct stat st {};
    return ::stat(path_.c_str(), &st) == 0 && file_->SameAs(st.st_dev, st.st_ino) &&
        static_cast<std::uint64_t>(st.st_size) >= minSize;
}

bool TAdStore::VerifyLocked()
{
    if (HoldsPathLocked(size_)) return true;
    try {
        OpenLocked();
    } catch (const Exception& e) {
        std::fprintf(stderr, "zuneigo-service: %s\n", e.Message().c_str());
        return false;
    }
    std::fprintf(stderr, "zuneigo-service: %s was changed from outside; opened it again: %llu ads%s\n",
                 path_.c_str(), static_cast<unsigned long long>(records_),
                 cutBytes_ > 0 ? ", a torn record cut" : "");
    return true;
}

std::uint64_t TAdStore::CutBytes() const
{
    std::lock_guard lock(mutex_);
    return cutBytes_;
}

std::uint64_t TAdStore::Size() const
{
    std::lock_guard lock(mutex_);
    return size_;
}

std::uint64_t TAdStore::RecordCount() const
{
    std::lock_guard lock(mutex_);
    return records_;
}

TAdStore::Snapshot TAdStore::Current()
{
    std::lock_guard lock(mutex_);
    VerifyLocked();
    return Snapshot{file_, size_, records_, modified_};
}

bool TAdStore::AppendRecords(const std::string& records, std::uint64_t count)
{
    // Three tries: each further one only follows an operator who changed the file while
    // the last batch was being flushed.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::shared_ptr<TDataFile> file;
        std::uint64_t before = 0;
        {
            std::lock_guard lock(mutex_);
            if (!VerifyLocked()) return false;
            file = file_;
            before = size_;
            ssize_t n;
            do {
                n = ::write(file->Fd(), records.data(), records.size());
            } while (n < 0 && errno == EINTR);
            if (n != static_cast<ssize_t>(records.size())) {
                // A short write (disk full) leaves a torn record: take it back at once.
                if (n > 0 && ::ftruncate(file->Fd(), static_cast<off_t>(before)) == 0) ::fdatasync(file->Fd());
                return false;
            }
        }
        // The flush runs without the lock: downloads and the home page go on meanwhile,
        // and the bytes in flight keep the file above the size the check asks for.
        ++flushes_;
        const bool flushed = ::fdatasync(file->Fd()) == 0;
        std::lock_guard lock(mutex_);
        if (!flushed) {
            if (file_ == file) ::ftruncate(file->Fd(), static_cast<off_t>(before));
            return false;
        }
        if (file_ == file && HoldsPathLocked(before + records.size())) {
            struct stat st {};
            if (::fstat(file->Fd(), &st) == 0) modified_ = st.st_mtime;
            size_ = before + records.size();
            records_ += count;
            return true;
        }
        // The path names another file now: these records sit where nobody reads them.
    }
    return false;
}

bool TAdStore::Append(const std::array<std::string, AdFieldCount>& values)
{
    return AppendRecords(RecordText(values), 1);
}

std::string TAdStore::Read(std::uint64_t offset, std::size_t len)
{
    std::shared_ptr<TDataFile> file;
    {
        std::lock_guard lock(mutex_);
        file = file_;
    }
    return file->Read(offset, len);
}

} // namespace zuneigo::service
