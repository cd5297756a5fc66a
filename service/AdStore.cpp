#include "service/AdStore.h"

#include "base/Exception.h"

#include <cerrno>
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

TAdStore::TAdStore(std::string path) : path_(std::move(path))
{
    fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) Fail("cannot open", path_);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) Fail("cannot read", path_);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t end = 0;
    if (size > 0) {
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd_, 0);
        if (map == MAP_FAILED) Fail("cannot read", path_);
        end = WholeRecordsEnd(static_cast<const char*>(map), size, &records_);
        ::munmap(map, size);
    }
    if (end < size) {
        if (::ftruncate(fd_, static_cast<off_t>(end)) != 0 || ::fdatasync(fd_) != 0) Fail("cannot repair", path_);
        cutBytes_ = size - end;
    }
    Refresh();
}

TAdStore::~TAdStore()
{
    if (fd_ >= 0) ::close(fd_);
}

void TAdStore::Refresh()
{
    struct stat st {};
    if (::fstat(fd_, &st) == 0) {
        size_ = static_cast<std::uint64_t>(st.st_size);
        modified_ = st.st_mtime;
    }
}

bool TAdStore::Append(const std::array<std::string, AdFieldCount>& values)
{
    std::string record;
    for (const std::string& v : values) {
        record += v;
        record += "\r\n";
    }
    const std::uint64_t before = size_;
    ssize_t n;
    do {
        n = ::write(fd_, record.data(), record.size());
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(record.size()) || ::fdatasync(fd_) != 0) {
        // A short write (disk full) leaves a torn record: take it back at once.
        if (n > 0 && ::ftruncate(fd_, static_cast<off_t>(before)) == 0) ::fdatasync(fd_);
        Refresh();
        return false;
    }
    ++records_;
    Refresh();
    return true;
}

std::string TAdStore::Read(std::uint64_t offset, std::size_t len) const
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

} // namespace zuneigo::service
