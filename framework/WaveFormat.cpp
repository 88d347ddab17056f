#include "framework/WaveFormat.h"

#include "framework/Guids.h"

namespace tarnel {

namespace {

// A sub-format GUID of the wave-format family: {0000XXXX-0000-0010-8000-00AA00389B71}.
bool IsWaveTagGuid(const GUID& g) {
    return IsFourccSubtype(g) && g.Data1 <= 0xFFFF;
}

}  // namespace

uint16_t WaveFormatInfo::EffectiveTag() const {
    if (format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && extensible &&
        IsWaveTagGuid(extensible->SubFormat)) {
        return static_cast<uint16_t>(extensible->SubFormat.Data1);
    }
    return format.wFormatTag;
}

WAVEFORMATEX MakePcmFormat(uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample) {
    WAVEFORMATEX f;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = samplesPerSec;
    f.wBitsPerSample = bitsPerSample;
    f.nBlockAlign = static_cast<uint16_t>(bitsPerSample / 8 * channels);
    f.nAvgBytesPerSec = f.nBlockAlign * samplesPerSec;
    f.cbSize = 0;
    return f;
}

WAVEFORMATEX MakeFloatFormat(uint16_t channels, uint32_t samplesPerSec) {
    WAVEFORMATEX f = MakePcmFormat(channels, samplesPerSec, 32);
    f.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    return f;
}

std::vector<uint8_t> SerializeWaveFormat(const WAVEFORMATEX& format,
                                         std::span<const uint8_t> extra) {
    std::vector<uint8_t> out(kWaveFormatExSize + extra.size());
    uint8_t* p = out.data();
    WriteLe16(p + 0, format.wFormatTag);
    WriteLe16(p + 2, format.nChannels);
    WriteLe32(p + 4, format.nSamplesPerSec);
    WriteLe32(p + 8, format.nAvgBytesPerSec);
    WriteLe16(p + 12, format.nBlockAlign);
    WriteLe16(p + 14, format.wBitsPerSample);
    WriteLe16(p + 16, static_cast<uint16_t>(extra.size()));
    std::copy(extra.begin(), extra.end(), out.begin() + kWaveFormatExSize);
    return out;
}

std::vector<uint8_t> SerializeWaveFormatExtensible(const WAVEFORMATEXTENSIBLE& format) {
    uint8_t extra[22];
    WriteLe16(extra, format.wValidBitsPerSample);
    WriteLe32(extra + 2, format.dwChannelMask);
    auto guid = format.SubFormat.ToBytes();
    std::copy(guid.begin(), guid.end(), extra + 6);
    WAVEFORMATEX base = format.Format;
    base.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    return SerializeWaveFormat(base, extra);
}

std::optional<WaveFormatInfo> ParseWaveFormat(std::span<const uint8_t> block) {
    if (block.size() < kPcmWaveFormatSize) return std::nullopt;
    WaveFormatInfo info;
    const uint8_t* p = block.data();
    info.format.wFormatTag = ReadLe16(p + 0);
    info.format.nChannels = ReadLe16(p + 2);
    info.format.nSamplesPerSec = ReadLe32(p + 4);
    info.format.nAvgBytesPerSec = ReadLe32(p + 8);
    info.format.nBlockAlign = ReadLe16(p + 12);
    info.format.wBitsPerSample = ReadLe16(p + 14);
    info.format.cbSize = 0;
    if (block.size() >= kWaveFormatExSize) {
        info.format.cbSize = ReadLe16(p + 16);
        if (block.size() - kWaveFormatExSize < info.format.cbSize) return std::nullopt;
        info.extra.assign(p + kWaveFormatExSize, p + kWaveFormatExSize + info.format.cbSize);
    }
    if (info.format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && info.extra.size() >= 22) {
        WAVEFORMATEXTENSIBLE ext;
        ext.Format = info.format;
        ext.wValidBitsPerSample = ReadLe16(info.extra.data());
        ext.dwChannelMask = ReadLe32(info.extra.data() + 2);
        ext.SubFormat = GUID::FromBytes(std::span(info.extra).subspan(6, 16));
        info.extensible = ext;
    }
    return info;
}

SampleKind WaveBlockInfo::Kind() const {
    switch (EffectiveTag()) {
        case WAVE_FORMAT_PCM:
            return SampleKind::Integer;
        case WAVE_FORMAT_IEEE_FLOAT:
            return SampleKind::Float;
        default:
            return SampleKind::Compressed;
    }
}

std::optional<WaveBlockInfo> DecodeWaveFormat(std::span<const uint8_t> block) {
    if (block.size() < kWaveFormatExSize) return std::nullopt;
    const auto parsed = ParseWaveFormat(block);
    if (!parsed) return std::nullopt;
    const WAVEFORMATEX& w = parsed->format;
    WaveBlockInfo f{w.wFormatTag,  w.nChannels,      w.nSamplesPerSec, w.nAvgBytesPerSec,
                    w.nBlockAlign, w.wBitsPerSample, w.cbSize};
    if (parsed->extensible) {
        f.validBits = parsed->extensible->wValidBitsPerSample;
        f.channelMask = parsed->extensible->dwChannelMask;
        f.subFormatIsWaveTag = IsWaveTagGuid(parsed->extensible->SubFormat);
        if (f.subFormatIsWaveTag) f.subFormatTag = parsed->EffectiveTag();
    }
    return f;
}

uint32_t PlayingBytesPerSecond(const WaveBlockInfo& f, std::span<const uint8_t> block) {
    const uint16_t tag = f.EffectiveTag();
    const bool statesSamplesPerBlock =
        tag == WAVE_FORMAT_ADPCM || tag == WAVE_FORMAT_IMA_ADPCM || tag == WAVE_FORMAT_GSM610;
    if (!statesSamplesPerBlock || f.formatTag == WAVE_FORMAT_EXTENSIBLE || f.extraSize < 2 ||
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
    if (f.formatTag == WAVE_FORMAT_EXTENSIBLE && f.validBits > f.bitsPerSample) return false;
    return uint32_t(f.blockAlign) == uint32_t(f.channels) * (f.bitsPerSample / 8);
}

std::vector<uint8_t> MakePcmWaveFormat(uint32_t sampleRate, uint16_t channels, uint16_t bits,
                                       bool isFloat) {
    WAVEFORMATEX f = MakePcmFormat(channels, sampleRate, bits);
    if (isFloat) f.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    return SerializeWaveFormat(f);
}

std::vector<uint8_t> MakeExtensibleWaveFormat(uint32_t sampleRate, uint16_t channels, uint16_t bits,
                                              uint16_t validBits, uint32_t channelMask,
                                              bool isFloat) {
    WAVEFORMATEXTENSIBLE e;
    e.Format = MakePcmFormat(channels, sampleRate, bits);
    e.wValidBitsPerSample = validBits;
    e.dwChannelMask = channelMask;
    e.SubFormat = FourccSubtype(isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM);
    return SerializeWaveFormatExtensible(e);
}

}  // namespace tarnel
