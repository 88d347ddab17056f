#pragma once
// Layout of the RIFF WAVE file the WAV writer produces: one "fmt " chunk holding the input
// pin's whole format block, then one "data" chunk with the audio bytes in arrival order.
//
//   offset      size  content
//   0           4     "RIFF"
//   4           4     F + 28 + D - 8 (file length minus 8)
//   8           4     "WAVE"
//   12          4     "fmt "
//   16          4     F
//   20          F     format block (WAVEFORMATEX and its extra bytes)
//   20 + F      4     "data"
//   24 + F      4     D
//   28 + F      D     audio
//
// No other chunk and no pad byte after an odd-sized chunk. All sizes are unsigned 32-bit, so
// the whole file must stay below 4 GiB.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarnel {

// Bytes before the audio for a format block of formatBytes; nullopt when it cannot be
// expressed in 32 bits.
constexpr std::optional<uint32_t> WavHeaderSize(uint64_t formatBytes) {
    const uint64_t size = formatBytes + 28;
    if (size > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(size);
}

// The header bytes for the given format block and data size. The caller guarantees that
// header + data fits in 32 bits (see NextWriteRange).
std::vector<uint8_t> BuildWavHeader(std::span<const uint8_t> formatBlock, uint32_t dataBytes);

// Where the next length bytes of audio land in the file, after bytesWritten bytes of audio:
// [headerSize + bytesWritten, + length). nullopt when the end would pass 4 GiB - 1.
struct ByteRange {
    uint32_t start = 0;
    uint32_t end = 0;
};
std::optional<ByteRange> NextWriteRange(uint32_t headerSize, uint32_t bytesWritten,
                                        uint32_t length);

// Media time (100-ns units) of length bytes of PCM at avgBytesPerSec, truncated; 0 when the
// rate is 0.
int64_t PcmBytesToMediaTime(uint32_t length, uint32_t avgBytesPerSec);

}  // namespace tarnel
