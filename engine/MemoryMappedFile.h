#pragma once
// A read-only view of a whole regular file through mmap. The mapping lives exactly as long as
// the object; an empty file gives an empty view and no mapping. Probing uses it so that a
// scan over a long file costs page faults rather than reads, and so that every access is
// bounded by the mapped size.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

namespace tarnel {

class MemoryMappedFile {
public:
    MemoryMappedFile() = default;
    ~MemoryMappedFile();
    MemoryMappedFile(MemoryMappedFile&& other) noexcept;
    MemoryMappedFile& operator=(MemoryMappedFile&& other) noexcept;
    MemoryMappedFile(const MemoryMappedFile&) = delete;
    MemoryMappedFile& operator=(const MemoryMappedFile&) = delete;

    // Maps the file read-only. Fails (and leaves the object empty) for anything that is not a
    // regular file, so a FIFO or a device never blocks the caller.
    std::error_code Open(const std::filesystem::path& path);
    void Close();

    bool IsOpen() const { return open_; }
    std::span<const uint8_t> Bytes() const { return {static_cast<const uint8_t*>(data_), size_}; }
    size_t Size() const { return size_; }

private:
    void* data_ = nullptr;  // null for an empty file
    size_t size_ = 0;
    bool open_ = false;
};

}  // namespace tarnel
