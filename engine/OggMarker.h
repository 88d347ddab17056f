#pragma once
// The quick test that lets a file go on to the Ogg probe: its first four bytes, read as text up
// to a NUL and lower-cased, contain "ogg". "OggS" passes, and so do other spellings of those
// letters in the first four bytes; "OgS..." does not.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace tarnel {

inline constexpr size_t kOggMarkerBytes = 4;

// Looks at no more than the first four bytes.
bool HasOggMarker(std::span<const uint8_t> head);

// Reads the first four bytes of the file; false when it cannot be read.
bool FileHasOggMarker(const std::filesystem::path& path);

}  // namespace tarnel
