#include "app/OutputDelivery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <vector>

#include "framework/ByteOrder.h"

namespace tarnel {

namespace {

constexpr size_t kCopyBlock = 16000;

std::string ErrnoText(int error) {
    return std::strerror(error);
}

// A file descriptor closed on scope exit.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports a failed close (a late write error of some file systems).
    int Close() {
        int result = 0;
        if (fd_ >= 0) result = ::close(fd_);
        fd_ = -1;
        return result;
    }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool ReadExact(int fd, void* buffer, size_t size, off_t offset) {
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The hidden partial file in the destination folder; removed unless committed.
// The hidden names being written now, for RemoveUnfinishedDeliveries.
struct UnfinishedDeliveries {
    std::mutex mutex;
    std::set<std::string> paths;  // guarded by mutex
    bool ending = false;          // the process is ending: no new deliveries (mutex)
};
UnfinishedDeliveries& Unfinished() {
    static UnfinishedDeliveries unfinished;
    return unfinished;
}

class PartialFile {
public:
    explicit PartialFile(const std::string& finalPath) : finalPath_(finalPath) {}
    ~PartialFile() {
        fd_.Close();
        if (!partialPath_.empty() && !committed_) ::unlink(partialPath_.c_str());
        if (!partialPath_.empty()) {
            std::lock_guard lock(Unfinished().mutex);
            Unfinished().paths.erase(partialPath_);
        }
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    DeliveryError Open() {
        const std::filesystem::path target(finalPath_);
        const std::string folder = target.parent_path().string();
        const std::string name = target.filename().string();
        std::random_device random;
        for (int attempt = 0; attempt < 16; ++attempt) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
            std::string candidate =
                (folder.empty() ? std::string() : folder + "/") + "." + name + ".partial-" + suffix;
            // 0666 so the output gets the user's usual permissions through the umask.
            const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                fd_.Reset(fd);
                std::lock_guard lock(Unfinished().mutex);
                if (Unfinished().ending) {
                    fd_.Close();
                    ::unlink(candidate.c_str());
                    return "the program is ending";
                }
                partialPath_ = std::move(candidate);
                Unfinished().paths.insert(partialPath_);
                return std::nullopt;
            }
            if (errno != EEXIST) {
                return "cannot create a file in the folder \"" + folder + "\" (" +
                       ErrnoText(errno) + ")";
            }
        }
        return "cannot create a temporary file in the folder \"" + folder + "\"";
    }

    int fd() const { return fd_.get(); }

    DeliveryError Commit() {
        if (fd_.Close() != 0)
            return "writing \"" + finalPath_ + "\" failed (" + ErrnoText(errno) + ")";
        if (::rename(partialPath_.c_str(), finalPath_.c_str()) != 0) {
            return "cannot replace \"" + finalPath_ + "\" (" + ErrnoText(errno) + ")";
        }
        committed_ = true;
        return std::nullopt;
    }

private:
    std::string finalPath_;
    std::string partialPath_;
    Fd fd_;
    bool committed_ = false;
};

DeliveryError OpenSource(const std::string& tempPath, Fd& source, off_t& length) {
    source.Reset();
    const int fd = ::open(tempPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return "cannot open the temporary file \"" + tempPath + "\" (" + ErrnoText(errno) + ")";
    }
    source.Reset(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0) return "cannot read the temporary file (" + ErrnoText(errno) + ")";
    length = info.st_size;
    return std::nullopt;
}

// Copies [offset, length) of source into the partial file: in the kernel where it can, through
// a buffer otherwise.
DeliveryError CopyRange(int source, off_t offset, off_t length, PartialFile& out,
                        const std::string& finalPath) {
    bool kernelCopy = true;
    std::vector<uint8_t> block;
    while (offset < length) {
        const size_t want = static_cast<size_t>(std::min<off_t>(length - offset, 1 << 24));
        if (kernelCopy) {
            off_t from = offset;
            const ssize_t n = ::copy_file_range(source, &from, out.fd(), nullptr, want, 0);
            if (n > 0) {
                offset += n;
                continue;
            }
            if (n == 0) break;  // the file shrank; keep what there was
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
                return "writing \"" + finalPath + "\" failed (" + ErrnoText(errno) + ")";
            }
            kernelCopy = false;
            block.resize(kCopyBlock);
        }
        const ssize_t n = ::pread(source, block.data(), std::min(want, kCopyBlock), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return "reading the temporary file failed (" + ErrnoText(errno) + ")";
        if (n == 0) break;
        if (!WriteAll(out.fd(), block.data(), static_cast<size_t>(n))) {
            return "writing \"" + finalPath + "\" failed (" + ErrnoText(errno) + ")";
        }
        offset += n;
    }
    return std::nullopt;
}

}  // namespace

void RemoveUnfinishedDeliveries() {
    std::lock_guard lock(Unfinished().mutex);
    Unfinished().ending = true;
    for (const std::string& path : Unfinished().paths) (void)::unlink(path.c_str());
}

DeliveryError DeliverCopy(const std::string& tempPath, const std::string& finalPath) {
    // On one file system the finished temporary file simply takes the final name.
    struct stat info {};
    if (::stat(tempPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        ::rename(tempPath.c_str(), finalPath.c_str()) == 0) {
        return std::nullopt;
    }
    Fd source;
    off_t length = 0;
    if (auto error = OpenSource(tempPath, source, length)) return error;
    PartialFile out(finalPath);
    if (auto error = out.Open()) return error;
    if (auto error = CopyRange(source.get(), 0, length, out, finalPath)) return error;
    return out.Commit();
}

DeliveryError DeliverMp3Stream(const std::string& tempPath, const std::string& finalPath) {
    Fd source;
    off_t length = 0;
    if (auto error = OpenSource(tempPath, source, length)) return error;

    const std::string notMp3 = "the encoder's output is not an MPEG audio stream in a WAVE file";
    std::array<char, 8> riff{};
    std::array<char, 4> wave{};
    std::array<char, 8> fmt{};
    std::array<uint8_t, 18> header{};
    if (!ReadExact(source.get(), riff.data(), riff.size(), 0) ||
        std::memcmp(riff.data(), "RIFF", 4) != 0 ||
        !ReadExact(source.get(), wave.data(), wave.size(), 8) ||
        std::memcmp(wave.data(), "WAVE", 4) != 0 ||
        !ReadExact(source.get(), fmt.data(), fmt.size(), 12) ||
        std::memcmp(fmt.data(), "fmt ", 4) != 0 ||
        !ReadExact(source.get(), header.data(), header.size(), 20)) {
        return notMp3;
    }
    const unsigned formatTag = ReadLe16(header.data());
    if (formatTag != 85 && formatTag != 80) return notMp3;

    // The first "data" tag at or after offset 8, searched through a sliding buffer.
    off_t dataAt = -1;
    {
        std::vector<char> window(kCopyBlock + 3);
        off_t base = 8;
        while (dataAt < 0 && base + 4 <= length) {
            const size_t want = static_cast<size_t>(std::min<off_t>(length - base, window.size()));
            if (!ReadExact(source.get(), window.data(), want, base)) {
                return "reading the temporary file failed";
            }
            for (size_t i = 0; i + 4 <= want; ++i) {
                if (std::memcmp(window.data() + i, "data", 4) == 0) {
                    dataAt = base + static_cast<off_t>(i);
                    break;
                }
            }
            if (want < 4) break;
            base += static_cast<off_t>(want - 3);
        }
    }
    if (dataAt < 0) return "the encoder's output has no data chunk";

    PartialFile out(finalPath);
    if (auto error = out.Open()) return error;
    if (auto error =
            CopyRange(source.get(), std::min(dataAt + 8, length), length, out, finalPath)) {
        return error;
    }
    return out.Commit();
}

}  // namespace tarnel
