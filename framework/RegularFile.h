#pragma once
// Opening a file for reading without ever blocking. O_NONBLOCK keeps open() from waiting for a
// FIFO's writer or a device to be ready; fstat on the opened descriptor (not on the path, which
// could be replaced in between) then refuses everything but a regular file. The descriptor is
// switched back to blocking reads, which for a regular file changes nothing but is the norm.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tarnel {

// The descriptor (close-on-exec), or -errno: EISDIR for a folder, EINVAL for any other file
// that is not a regular one.
int OpenRegularFileForReading(const std::filesystem::path& path);

// Up to `max` bytes from the start of a regular file; 0 or an errno value as above.
int ReadRegularFileHead(const std::filesystem::path& path, size_t max, std::vector<uint8_t>& out);

}  // namespace tarnel
