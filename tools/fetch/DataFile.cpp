#include "DataFile.h"

#include "base/Exception.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zuneigo::fetch {

namespace {

struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

Exception Refused(const std::string& path, int err) { return Exception(path + ": " + std::strerror(err)); }

} // namespace

std::unique_ptr<TStream> OpenDataFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Refused(path, errno);
    Descriptor file{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw Refused(path, errno);
    if (S_ISDIR(st.st_mode))
        throw Refused(path, EISDIR);
    if (S_ISREG(st.st_mode) && st.st_size > 0)
        return std::make_unique<TFileStream>(path, TFileStream::fmOpenRead);

    auto whole = std::make_unique<TMemoryStream>();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Refused(path, errno);
        if (n == 0)
            break;
        whole->WriteBuffer(buffer, static_cast<std::size_t>(n));
    }
    whole->Seek(0, SeekOrigin::Begin);
    return whole;
}

} // namespace zuneigo::fetch
