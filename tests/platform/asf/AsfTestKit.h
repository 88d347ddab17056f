#pragma once
// Independent FFmpeg paths for the ASF tests: decode any file FFmpeg can read (to check what our
// writer made without our reader), and make ASF files with FFmpeg's own encoders and muxer (to
// feed our reader files it did not write itself).
#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/support/TestAudio.h"

namespace tarnel::test {

struct FfmpegDecoded {
    PcmAudio audio;               // interleaved, [-1, 1)
    std::string codecName;        // FFmpeg's decoder name, "wmav2" ...
    uint32_t codecTag = 0;        // the stream's format tag
    double containerSeconds = 0;  // the duration the container states, 0 when none
    int64_t bitrate = 0;
};

// Throws std::runtime_error when FFmpeg cannot open or decode the file.
FfmpegDecoded DecodeWithFfmpeg(const std::filesystem::path& path);

// Encodes the audio with the named FFmpeg encoder ("wmav2", "wmav1", "pcm_s16le") into an ASF
// file. Throws std::runtime_error on failure.
void WriteAsfWithFfmpeg(const std::filesystem::path& path, const PcmAudio& audio,
                        const std::string& encoder, int64_t bitrate);

// Seeks FFmpeg's demuxer to the time and returns the time of the first packet after it.
double FfmpegSeekLandsAt(const std::filesystem::path& path, double seconds);

}  // namespace tarnel::test
