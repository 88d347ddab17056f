#pragma once
// Decodes an audio file with FFmpeg, a path independent of the program's own readers, so a
// test can check what an encoder or writer produced by its sound rather than its bytes.
#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/support/TestAudio.h"

namespace tarnel::test {

struct DecodedFile {
    std::string container;  // FFmpeg's demuxer name ("wav", "mp3" ...)
    std::string codec;      // FFmpeg's decoder name ("adpcm_ima_wav", "pcm_s16le" ...)
    uint32_t codecTag = 0;  // the container's tag for the stream (WAVE format tag)
    PcmAudio audio;         // decoded samples, full scale [-1, 1)
};

// The frames between two times (seconds), so a measurement can leave out the encoder's padding
// at the ends, whose low-level noise would add zero crossings.
PcmAudio Slice(const PcmAudio& audio, double fromSeconds, double toSeconds);

// Throws std::runtime_error when the file cannot be opened or decoded.
DecodedFile DecodeWithFfmpeg(const std::filesystem::path& path);

}  // namespace tarnel::test
