#pragma once
// MP3 encoder settings, stored whole as "MP3 Configuration": 32 bytes, little-endian, no
// padding. The member initialisers are the defaults.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnel {

struct Mp3Settings {
    static constexpr size_t kSize = 32;

    int32_t cbrBitrate = 128;     // offset 0, kbit/s of a constant-bitrate stream
    int32_t minBitrate = 64;      // offset 4, kbit/s, variable bitrate
    int32_t maxBitrate = 128;     // offset 8, kbit/s, variable bitrate
    int32_t vbrQuality = 4;       // offset 12, 0..9, 0 is the best
    int32_t sampleRate = 44100;   // offset 16, Hz
    int32_t encodingQuality = 5;  // offset 20, 0..9, 0 is the best and slowest
    int32_t channelMode = 2;      // offset 24, 0 mono, 1 stereo, 2 joint stereo
    uint8_t copyright = 0;        // offset 28
    uint8_t crc = 0;              // offset 29
    uint8_t original = 0;         // offset 30
    uint8_t constantBitrate = 1;  // offset 31, 1 constant, 0 variable bitrate

    std::array<uint8_t, kSize> ToBytes() const;
    static Mp3Settings FromBytes(std::span<const uint8_t, kSize> bytes);
    bool operator==(const Mp3Settings&) const = default;
};

}  // namespace tarnel
