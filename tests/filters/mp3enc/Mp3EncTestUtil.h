#pragma once
// Small helpers shared by the MP3 encoder tests.
#include <cstdint>
#include <span>
#include <vector>

#include "filters/mp3enc/CMP3Encoder.h"
#include "tests/filters/mp3enc/TestSignals.h"

namespace tarnel::test {

// The settings a freshly reset filter has: 128 kbit/s CBR, quality 5, 44100 Hz, stereo.
Mp3EncSettings DefaultMp3Settings();

WAVEFORMATEX PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits = 16);

// Encodes the whole PCM in blocks of `blockFrames` and flushes; empty on any failure.
std::vector<uint8_t> EncodeWhole(CMP3Encoder& encoder, const PcmAudio& pcm,
                                 size_t blockFrames = 1152);
// The same for 16-bit PCM bytes, offered `blockBytes` at a time.
std::vector<uint8_t> EncodeBytes(CMP3Encoder& encoder, std::span<const uint8_t> bytes,
                                 size_t blockBytes);

}  // namespace tarnel::test
