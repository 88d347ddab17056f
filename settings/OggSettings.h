#pragma once
// Vorbis encoder settings, stored whole as "OGG Configuration": 40 bytes, little-endian, with
// four bytes of padding at 20 so that `quality` sits at 24. The member initialisers are the
// defaults.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnel {

struct OggSettings {
    static constexpr size_t kSize = 40;

    int32_t minBitrate = 64;     // offset 0, kbit/s
    int32_t maxBitrate = 128;    // offset 4, kbit/s
    int32_t avgBitrate = 112;    // offset 8, kbit/s, the nominal bitrate
    int32_t qualityBased = 1;    // offset 12, 1 quality based, 0 bitrate based
    int32_t bitrateMode = 0;     // offset 16, 0 true VBR, 1 managed VBR, 2 ABR, 3 CBR
    double quality = 0.5;        // offset 24, 0..100 (0.5, not 50: the lowest level)
    int32_t sampleRate = 44100;  // offset 32, Hz
    int32_t channels = 2;        // offset 36, 1 or 2

    std::array<uint8_t, kSize> ToBytes() const;
    static OggSettings FromBytes(std::span<const uint8_t, kSize> bytes);
    bool operator==(const OggSettings&) const = default;
};

}  // namespace tarnel
