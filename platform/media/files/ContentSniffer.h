#pragma once
// Recognises a media file by its first bytes, and failing that by its extension. Pure functions,
// so the source filter, the engine's probes and the fuzz targets share one answer.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace tarnel::media {

enum class ContentKind {
    Unknown,
    Wave,       // RIFF WAVE
    MpegAudio,  // MPEG audio frames, possibly behind an ID3v2 tag
    Ogg,        // Ogg pages
    Asf,        // ASF header object (WMA)
};

// How many leading bytes SniffContent wants to see for a confident answer; it works with fewer.
inline constexpr size_t kSniffBytes = 16 * 1024;

// Decides from the leading bytes of a file. MPEG audio without an ID3 tag needs two chained
// frame headers (three when a junk prefix precedes them) so random bytes are not mistaken for
// audio.
ContentKind SniffContent(std::span<const uint8_t> head);

// Decides from the file name's extension (case-insensitive): .wav, .mp3/.mp2/.mpa, .ogg/.oga,
// .wma/.asf.
ContentKind ContentKindFromExtension(const std::filesystem::path& path);

const char* ContentKindName(ContentKind kind);

}  // namespace tarnel::media
