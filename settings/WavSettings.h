#pragma once
// WAV output settings, stored whole as "WAV Configuration": 152 bytes, little-endian. For PCM
// output both compressor indexes are -1 and the name is empty; for a compressor the PCM fields
// keep their defaults. The member initialisers are the defaults.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tarnel {

struct WavSettings {
    static constexpr size_t kSize = 152;
    static constexpr size_t kNameSize = 128;

    int32_t compressorIndex = -1;      // offset 0, position in the compressor enumeration; -1 PCM
    int32_t compressorListIndex = -1;  // offset 4, position in the WAV page's list; -1 none
    int32_t pcmFormatIndex = 23;       // offset 8, row of the PCM format table (44.1 kHz 16 bit)
    int32_t sampleRate = 44100;        // offset 12, Hz
    int32_t channels = 2;              // offset 16
    int32_t bitsPerSample = 16;        // offset 20
    char compressorName[kNameSize] = {};  // offset 24, NUL-terminated friendly name

    // The name up to its first NUL (all 128 bytes when a stored block has none).
    std::string CompressorName() const;
    // Stores at most 127 bytes of `name` and clears the rest of the field.
    void SetCompressorName(std::string_view name);

    std::array<uint8_t, kSize> ToBytes() const;
    static WavSettings FromBytes(std::span<const uint8_t, kSize> bytes);
    bool operator==(const WavSettings&) const = default;
};

}  // namespace tarnel
