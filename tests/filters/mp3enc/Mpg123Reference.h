#pragma once
// Decodes MP3 with libmpg123 directly, apart from the program's own splitter and decoder, so
// tests can check encoder output and decoder output against an independent path.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "tests/support/TestAudio.h"

namespace tarnel::test {

struct Mpg123Decoded {
    PcmAudio audio;  // 16-bit samples as doubles, at the stream's own rate and channels
    int frames = 0;  // MPEG frames decoded
    int errors = 0;  // decoder errors met on the way
};

// Feeds the bytes to libmpg123 in feed mode (gapless on, the library's defaults).
std::optional<Mpg123Decoded> DecodeMp3Bytes(const std::vector<uint8_t>& bytes);
// Opens the file with libmpg123's own reader.
std::optional<Mpg123Decoded> DecodeMp3File(const std::filesystem::path& path);

// Offset of the first MPEG audio frame header in the bytes (after an ID3v2 tag), or -1.
long FirstFrameSyncOffset(const std::vector<uint8_t>& bytes);

// PCM from 16-bit interleaved samples.
PcmAudio PcmFromInt16(const std::vector<int16_t>& samples, int rate, int channels);
// 16-bit interleaved little-endian bytes from PCM.
std::vector<uint8_t> Int16Bytes(const PcmAudio& audio);

}  // namespace tarnel::test
