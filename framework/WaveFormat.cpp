#include "framework/WaveFormat.h"

#include "framework/Guids.h"

namespace tarnel {

uint16_t WaveFormatInfo::EffectiveTag() const {
    if (format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && extensible &&
        IsFourccSubtype(extensible->SubFormat) && extensible->SubFormat.Data1 <= 0xFFFF) {
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
    PutLe16(p + 0, format.wFormatTag);
    PutLe16(p + 2, format.nChannels);
    PutLe32(p + 4, format.nSamplesPerSec);
    PutLe32(p + 8, format.nAvgBytesPerSec);
    PutLe16(p + 12, format.nBlockAlign);
    PutLe16(p + 14, format.wBitsPerSample);
    PutLe16(p + 16, static_cast<uint16_t>(extra.size()));
    std::copy(extra.begin(), extra.end(), out.begin() + kWaveFormatExSize);
    return out;
}

std::vector<uint8_t> SerializeWaveFormatExtensible(const WAVEFORMATEXTENSIBLE& format) {
    uint8_t extra[22];
    PutLe16(extra, format.wValidBitsPerSample);
    PutLe32(extra + 2, format.dwChannelMask);
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
    info.format.wFormatTag = GetLe16(p + 0);
    info.format.nChannels = GetLe16(p + 2);
    info.format.nSamplesPerSec = GetLe32(p + 4);
    info.format.nAvgBytesPerSec = GetLe32(p + 8);
    info.format.nBlockAlign = GetLe16(p + 12);
    info.format.wBitsPerSample = GetLe16(p + 14);
    info.format.cbSize = 0;
    if (block.size() >= kWaveFormatExSize) {
        info.format.cbSize = GetLe16(p + 16);
        if (block.size() - kWaveFormatExSize < info.format.cbSize) return std::nullopt;
        info.extra.assign(p + kWaveFormatExSize, p + kWaveFormatExSize + info.format.cbSize);
    }
    if (info.format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && info.extra.size() >= 22) {
        WAVEFORMATEXTENSIBLE ext;
        ext.Format = info.format;
        ext.wValidBitsPerSample = GetLe16(info.extra.data());
        ext.dwChannelMask = GetLe32(info.extra.data() + 2);
        ext.SubFormat = GUID::FromBytes(std::span(info.extra).subspan(6, 16));
        info.extensible = ext;
    }
    return info;
}

}  // namespace tarnel
