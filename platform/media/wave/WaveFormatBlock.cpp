#include "platform/media/wave/WaveFormatBlock.h"

#include <cstring>

namespace tarnel::media {
namespace {

// The tail shared by every wave-format GUID: {XXXXXXXX-0000-0010-8000-00AA00389B71}.
constexpr uint8_t kWaveGuidTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                       0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

}  // namespace

SampleKind WaveBlockInfo::Kind() const {
    switch (EffectiveTag()) {
        case kWaveFormatPcm:
            return SampleKind::Integer;
        case kWaveFormatIeeeFloat:
            return SampleKind::Float;
        default:
            return SampleKind::Compressed;
    }
}

std::optional<WaveBlockInfo> DecodeWaveFormat(std::span<const uint8_t> b) {
    if (b.size() < kWaveFormatExSize) return std::nullopt;
    WaveBlockInfo f;
    const uint8_t* p = b.data();
    f.formatTag = ReadLe16(p);
    f.channels = ReadLe16(p + 2);
    f.sampleRate = ReadLe32(p + 4);
    f.avgBytesPerSec = ReadLe32(p + 8);
    f.blockAlign = ReadLe16(p + 12);
    f.bitsPerSample = ReadLe16(p + 14);
    f.extraSize = ReadLe16(p + 16);
    if (kWaveFormatExSize + f.extraSize > b.size()) return std::nullopt;
    if (f.formatTag == kWaveFormatExtensible && f.extraSize >= 22) {
        f.validBits = ReadLe16(p + 18);
        f.channelMask = ReadLe32(p + 20);
        f.subFormatTag = ReadLe16(p + 24);
        f.subFormatIsWaveTag = ReadLe16(p + 26) == 0 && std::memcmp(p + 28, kWaveGuidTail, 12) == 0;
        if (!f.subFormatIsWaveTag) f.subFormatTag = 0;
    }
    return f;
}

uint32_t PlayingBytesPerSecond(const WaveBlockInfo& f, std::span<const uint8_t> block) {
    const uint16_t tag = f.EffectiveTag();
    const bool statesSamplesPerBlock = tag == 0x0002 || tag == 0x0011 || tag == 0x0031;
    if (!statesSamplesPerBlock || f.formatTag == kWaveFormatExtensible || f.extraSize < 2 ||
        block.size() < kWaveFormatExSize + 2 || f.blockAlign == 0) {
        return f.avgBytesPerSec;
    }
    const uint16_t samplesPerBlock = ReadLe16(block.data() + kWaveFormatExSize);
    if (samplesPerBlock == 0) return f.avgBytesPerSec;
    const uint64_t rate =
        (uint64_t(f.blockAlign) * f.sampleRate + samplesPerBlock / 2) / samplesPerBlock;
    return rate == 0 || rate > UINT32_MAX ? f.avgBytesPerSec : uint32_t(rate);
}

bool IsConvertiblePcm(const WaveBlockInfo& f) {
    if (f.channels < 1 || f.channels > 64) return false;
    if (f.sampleRate < 1 || f.sampleRate > 1'000'000) return false;
    const SampleKind kind = f.Kind();
    if (kind == SampleKind::Integer) {
        if (f.bitsPerSample != 8 && f.bitsPerSample != 16 && f.bitsPerSample != 24 &&
            f.bitsPerSample != 32) {
            return false;
        }
    } else if (kind == SampleKind::Float) {
        if (f.bitsPerSample != 32 && f.bitsPerSample != 64) return false;
    } else {
        return false;
    }
    if (f.formatTag == kWaveFormatExtensible && f.validBits > f.bitsPerSample) return false;
    return uint32_t(f.blockAlign) == uint32_t(f.channels) * (f.bitsPerSample / 8);
}

std::vector<uint8_t> MakePcmWaveFormat(uint32_t sampleRate, uint16_t channels, uint16_t bits,
                                       bool isFloat) {
    std::vector<uint8_t> b(kWaveFormatExSize, 0);
    const uint16_t blockAlign = uint16_t(channels * (bits / 8));
    WriteLe16(&b[0], isFloat ? kWaveFormatIeeeFloat : kWaveFormatPcm);
    WriteLe16(&b[2], channels);
    WriteLe32(&b[4], sampleRate);
    WriteLe32(&b[8], sampleRate * blockAlign);
    WriteLe16(&b[12], blockAlign);
    WriteLe16(&b[14], bits);
    WriteLe16(&b[16], 0);
    return b;
}

std::vector<uint8_t> MakeExtensibleWaveFormat(uint32_t sampleRate, uint16_t channels, uint16_t bits,
                                              uint16_t validBits, uint32_t channelMask,
                                              bool isFloat) {
    std::vector<uint8_t> b = MakePcmWaveFormat(sampleRate, channels, bits, isFloat);
    b.resize(kWaveFormatExtensibleSize, 0);
    WriteLe16(&b[0], kWaveFormatExtensible);
    WriteLe16(&b[16], 22);
    WriteLe16(&b[18], validBits);
    WriteLe32(&b[20], channelMask);
    WriteLe16(&b[24], isFloat ? kWaveFormatIeeeFloat : kWaveFormatPcm);
    std::memcpy(&b[28], kWaveGuidTail, sizeof kWaveGuidTail);
    return b;
}

}  // namespace tarnel::media
