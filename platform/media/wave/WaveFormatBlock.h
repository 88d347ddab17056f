#pragma once
// Reading and building WAVEFORMATEX blocks as little-endian bytes, so no struct packing or host
// byte order is involved. A block is the 18-byte WAVEFORMATEX followed by cbSize extra bytes;
// WAVE_FORMAT_EXTENSIBLE keeps its valid bits, channel mask and sub-format in those bytes.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarnel::media {

inline constexpr uint16_t kWaveFormatPcm = 0x0001;
inline constexpr uint16_t kWaveFormatIeeeFloat = 0x0003;
inline constexpr uint16_t kWaveFormatExtensible = 0xFFFE;
inline constexpr size_t kWaveFormatExSize = 18;
inline constexpr size_t kWaveFormatExtensibleSize = 40;

enum class SampleKind { Integer, Float, Compressed };

struct WaveBlockInfo {
    uint16_t formatTag = 0;  // as stored (0xFFFE for extensible)
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;  // cbSize
    // Extensible only (zero otherwise).
    uint16_t validBits = 0;
    uint32_t channelMask = 0;
    uint16_t subFormatTag = 0;  // first two bytes of the sub-format GUID
    bool subFormatIsWaveTag =
        false;  // the GUID follows the {XXXXXXXX-0000-0010-8000-00AA00389B71} pattern

    // The tag that says what the samples are: the sub-format's for extensible blocks.
    uint16_t EffectiveTag() const {
        return formatTag == kWaveFormatExtensible ? subFormatTag : formatTag;
    }
    SampleKind Kind() const;
};

// Decodes a block of at least 18 bytes whose cbSize fits in it; nullopt otherwise. An
// extensible block whose cbSize is below 22 keeps its tag but has no sub-format.
std::optional<WaveBlockInfo> DecodeWaveFormat(std::span<const uint8_t> block);

// Uncompressed audio this program can convert: integer 8/16/24/32 bits or float 32/64 bits with
// a matching block align, 1..64 channels, a rate of 1..1 000 000 Hz.
bool IsConvertiblePcm(const WaveBlockInfo& f);

// The byte rate the data chunk plays at. Block formats that state their samples per block in
// their first extra bytes (IMA ADPCM, Microsoft ADPCM, GSM 6.10) give it exactly through block
// size and rate, which writers often round or estimate in the header's average; otherwise the
// header's average bytes per second.
uint32_t PlayingBytesPerSecond(const WaveBlockInfo& f, std::span<const uint8_t> block);

// An 18-byte PCM (tag 1) or IEEE float (tag 3) block with consistent block align and rate.
std::vector<uint8_t> MakePcmWaveFormat(uint32_t sampleRate, uint16_t channels, uint16_t bits,
                                       bool isFloat = false);

// A 40-byte WAVE_FORMAT_EXTENSIBLE block for PCM or float samples.
std::vector<uint8_t> MakeExtensibleWaveFormat(uint32_t sampleRate, uint16_t channels, uint16_t bits,
                                              uint16_t validBits, uint32_t channelMask,
                                              bool isFloat = false);

// Little-endian field access used by the parsers.
inline uint16_t ReadLe16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void WriteLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace tarnel::media
