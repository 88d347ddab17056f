#include "engine/MemoryMappedFile.h"

#include "framework/RegularFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>

namespace tarnel {
namespace {

// Closes a descriptor on every path out of Open; the mapping does not need it.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

MemoryMappedFile::~MemoryMappedFile() {
    Close();
}

MemoryMappedFile::MemoryMappedFile(MemoryMappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      open_(std::exchange(other.open_, false)) {}

MemoryMappedFile& MemoryMappedFile::operator=(MemoryMappedFile&& other) noexcept {
    if (this != &other) {
        Close();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        open_ = std::exchange(other.open_, false);
    }
    return *this;
}

std::error_code MemoryMappedFile::Open(const std::filesystem::path& path) {
    Close();
    Descriptor file;
    file.fd = OpenRegularFileForReading(path);
    if (file.fd < 0) return {-file.fd, std::generic_category()};
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) return {errno, std::generic_category()};
    if (info.st_size < 0 ||
        static_cast<uintmax_t>(info.st_size) > std::numeric_limits<size_t>::max()) {
        return std::make_error_code(std::errc::file_too_large);
    }
    const auto size = static_cast<size_t>(info.st_size);
    if (size > 0) {
        void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd, 0);
        if (data == MAP_FAILED) return {errno, std::generic_category()};
        // The scan walks forward through the file once.
        (void)::madvise(data, size, MADV_SEQUENTIAL);  // advice only; failure changes nothing
        data_ = data;
    }
    size_ = size;
    open_ = true;
    return {};
}

void MemoryMappedFile::Close() {
    if (data_ != nullptr) ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
    open_ = false;
}

}  // namespace tarnel
