#include "platform/media/io/PosixFile.h"

#include "framework/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tarnel::media {

PosixFile& PosixFile::operator=(PosixFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

int PosixFile::Open(const std::filesystem::path& path, Mode mode) {
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read:
            flags |= O_RDONLY;
            break;
        case Mode::CreateTruncate:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case Mode::WriteExisting:
            flags |= O_WRONLY | O_CREAT;
            break;
    }
    if (mode == Mode::Read) {
        const int fd = OpenRegularFileForReading(path);
        if (fd < 0) return -fd;
        fd_ = fd;
        return 0;
    }
    do {
        fd_ = ::open(path.c_str(), flags, 0644);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) return errno;
    return 0;
}

void PosixFile::Close() {
    if (fd_ >= 0) {
        (void)::close(fd_);  // nothing useful to do on a failed close of our own descriptor
        fd_ = -1;
    }
}

int64_t PosixFile::Size() const {
    struct stat st {};
    if (fd_ < 0) return -EBADF;
    if (::fstat(fd_, &st) != 0) return -errno;
    return int64_t(st.st_size);
}

int PosixFile::ReadAt(uint64_t offset, std::span<uint8_t> out) const {
    const int64_t n = ReadUpTo(offset, out);
    if (n < 0) return int(-n);
    return size_t(n) == out.size() ? 0 : EIO;
}

int64_t PosixFile::ReadUpTo(uint64_t offset, std::span<uint8_t> out) const {
    if (fd_ < 0) return -EBADF;
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -errno;
        }
        if (n == 0) break;
        done += size_t(n);
    }
    return int64_t(done);
}

int PosixFile::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) const {
    if (fd_ < 0) return EBADF;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd_, bytes.data() + done, bytes.size() - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += size_t(n);
    }
    return 0;
}

}  // namespace tarnel::media
