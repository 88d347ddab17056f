#pragma once
// Measures the playing time of an MPEG audio file by walking its frames. The walk locks onto
// the first sample rate and frame size that hold for a run of 20 frames in a row; a file
// without such a run is not taken for MPEG audio.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace tarnel {

// Frames of one sample rate and frame size that must follow each other before the walk trusts
// them.
inline constexpr int kMp3ConsistentRun = 20;

// Size of the ID3v2 tags at the start of the bytes (0 when there is none). A tag's size field
// is trusted only when it is well formed; consecutive tags are all counted. The result may
// exceed the span when a tag claims more bytes than there are.
uint64_t Id3v2TagsSize(std::span<const uint8_t> bytes);

// Seconds of MPEG audio in the bytes, 0 when they do not look like MPEG audio.
double ScanMp3Duration(std::span<const uint8_t> bytes);

// The same over a read-only mapping of the file; 0 when it cannot be mapped.
double ScanMp3Duration(const std::filesystem::path& path);

}  // namespace tarnel
