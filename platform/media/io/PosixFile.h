#pragma once
// An owned file descriptor with whole-buffer positional reads and writes (retrying short
// transfers and EINTR). Errors are reported as errno values.
#include <cstdint>
#include <filesystem>
#include <span>

namespace tarnel::media {

class PosixFile {
public:
    enum class Mode {
        Read,            // existing file, read only
        CreateTruncate,  // write only; created or emptied
        WriteExisting,   // write only; created if missing, never truncated
    };

    PosixFile() = default;
    ~PosixFile() { Close(); }
    PosixFile(PosixFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    PosixFile& operator=(PosixFile&& other) noexcept;
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    // Returns 0 or an errno value; the previous file, if any, is closed first.
    int Open(const std::filesystem::path& path, Mode mode);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Size in bytes, or a negative errno value.
    int64_t Size() const;
    // Reads exactly out.size() bytes at offset: 0, an errno value, or EIO past the end.
    int ReadAt(uint64_t offset, std::span<uint8_t> out) const;
    // Reads up to out.size() bytes at offset, stopping early only at the end of the file:
    // the byte count, or a negative errno value.
    int64_t ReadUpTo(uint64_t offset, std::span<uint8_t> out) const;
    // Writes all of `bytes` at offset: 0 or an errno value.
    int WriteAt(uint64_t offset, std::span<const uint8_t> bytes) const;

private:
    int fd_ = -1;
};

}  // namespace tarnel::media
