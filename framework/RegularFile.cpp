#include "framework/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tarnel {

int OpenRegularFileForReading(const std::filesystem::path& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -errno;
    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0) {
        error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    } else {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) error = errno;
    }
    if (error != 0) {
        (void)::close(fd);  // our own descriptor, never used
        return -error;
    }
    return fd;
}

int ReadRegularFileHead(const std::filesystem::path& path, size_t max, std::vector<uint8_t>& out) {
    out.clear();
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0) return -fd;
    out.resize(max);
    size_t have = 0;
    int error = 0;
    while (have < max) {
        const ssize_t n = ::read(fd, out.data() + have, max - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        have += static_cast<size_t>(n);
    }
    (void)::close(fd);  // read only: nothing to lose
    out.resize(have);
    return error;
}

}  // namespace tarnel
