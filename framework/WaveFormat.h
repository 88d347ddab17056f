#pragma once
// Wave format records (WAVEFORMATEX, WAVEFORMATEXTENSIBLE) as plain structs, with conversion
// to and from the little-endian byte blocks that media types and RIFF files carry. A block is
// the 18-byte WAVEFORMATEX followed by cbSize extra bytes; WAVE_FORMAT_EXTENSIBLE keeps its
// valid bits, channel mask and sub-format in those bytes.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "framework/ByteOrder.h"
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

enum class SampleKind { Integer, Float, Compressed };

// A block's fields flat, as the parsers and converters test them.
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
    uint16_t subFormatTag = 0;        // the sub-format's tag when it is a wave-format GUID
    bool subFormatIsWaveTag = false;  // the GUID is {0000XXXX-0000-0010-8000-00AA00389B71}

    // The tag that says what the samples are: the sub-format's for extensible blocks.
    uint16_t EffectiveTag() const {
        return formatTag == WAVE_FORMAT_EXTENSIBLE ? subFormatTag : formatTag;
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

// An 18-byte PCM (tag 1) or IEEE float (tag 3) block, and a 40-byte extensible one, with
// consistent block align and rate.
std::vector<uint8_t> MakePcmWaveFormat(uint32_t sampleRate, uint16_t channels, uint16_t bits,
                                       bool isFloat = false);
std::vector<uint8_t> MakeExtensibleWaveFormat(uint32_t sampleRate, uint16_t channels, uint16_t bits,
                                              uint16_t validBits, uint32_t channelMask,
                                              bool isFloat = false);

}  // namespace tarnel
