#pragma once
// Wave format records (WAVEFORMATEX, WAVEFORMATEXTENSIBLE) as plain structs, with conversion
// to and from the little-endian byte blocks that media types and RIFF files carry.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "framework/Guid.h"

namespace tarnel {

constexpr uint16_t WAVE_FORMAT_UNKNOWN = 0x0000;
constexpr uint16_t WAVE_FORMAT_PCM = 0x0001;
constexpr uint16_t WAVE_FORMAT_ADPCM = 0x0002;
constexpr uint16_t WAVE_FORMAT_IEEE_FLOAT = 0x0003;
constexpr uint16_t WAVE_FORMAT_ALAW = 0x0006;
constexpr uint16_t WAVE_FORMAT_MULAW = 0x0007;
constexpr uint16_t WAVE_FORMAT_WMAVOICE9 = 0x000A;
constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 0x0011;
constexpr uint16_t WAVE_FORMAT_GSM610 = 0x0031;
constexpr uint16_t WAVE_FORMAT_G726_ADPCM = 0x0064;
constexpr uint16_t WAVE_FORMAT_MPEG = 0x0050;
constexpr uint16_t WAVE_FORMAT_MPEGLAYER3 = 0x0055;
constexpr uint16_t WAVE_FORMAT_ACELP_NET = 0x0130;
constexpr uint16_t WAVE_FORMAT_WMAUDIO1 = 0x0160;
constexpr uint16_t WAVE_FORMAT_WMAUDIO2 = 0x0161;
constexpr uint16_t WAVE_FORMAT_WMAUDIO3 = 0x0162;
constexpr uint16_t WAVE_FORMAT_WMAUDIO_LOSSLESS = 0x0163;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// Size of the serialised WAVEFORMATEX without extra bytes; the older WAVEFORMAT/PCMWAVEFORMAT
// blocks are 16 bytes (no cbSize).
constexpr size_t kWaveFormatExSize = 18;
constexpr size_t kPcmWaveFormatSize = 16;
constexpr size_t kWaveFormatExtensibleSize = 40;

struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;  // bytes of format-specific data after the 18-byte record

    friend bool operator==(const WAVEFORMATEX&, const WAVEFORMATEX&) = default;
};

struct WAVEFORMATEXTENSIBLE {
    WAVEFORMATEX Format;  // wFormatTag WAVE_FORMAT_EXTENSIBLE, cbSize 22
    uint16_t wValidBitsPerSample = 0;
    uint32_t dwChannelMask = 0;
    GUID SubFormat;

    friend bool operator==(const WAVEFORMATEXTENSIBLE&, const WAVEFORMATEXTENSIBLE&) = default;
};

// A parsed format block: the record, the cbSize extra bytes after it, and the extensible part
// when the tag is WAVE_FORMAT_EXTENSIBLE and the block holds all 40 bytes.
struct WaveFormatInfo {
    WAVEFORMATEX format;
    std::vector<uint8_t> extra;
    std::optional<WAVEFORMATEXTENSIBLE> extensible;

    // The effective format tag: the sub-format's tag for an extensible block of the wave-format
    // GUID family, otherwise wFormatTag.
    uint16_t EffectiveTag() const;
};

// PCM record with block align and byte rate computed: block align = bits/8 * channels.
WAVEFORMATEX MakePcmFormat(uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample);
WAVEFORMATEX MakeFloatFormat(uint16_t channels, uint32_t samplesPerSec);

// Serialises the record and the given extra bytes (cbSize is set to extra.size()).
std::vector<uint8_t> SerializeWaveFormat(const WAVEFORMATEX& format,
                                         std::span<const uint8_t> extra = {});
// Serialises a 40-byte extensible block (tag 0xFFFE, cbSize 22).
std::vector<uint8_t> SerializeWaveFormatExtensible(const WAVEFORMATEXTENSIBLE& format);

// Reads a block of at least 16 bytes. A 16-byte block gives cbSize 0. A cbSize larger than the
// bytes present is refused (nullopt) so that no reader runs past the block; bytes after cbSize
// are ignored.
std::optional<WaveFormatInfo> ParseWaveFormat(std::span<const uint8_t> block);

// Little-endian helpers used by the block serialisers and by RIFF writers and readers.
inline void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint16_t GetLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetLe32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

}  // namespace tarnel
