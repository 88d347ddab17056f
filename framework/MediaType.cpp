#include "framework/MediaType.h"

#include <cstdio>

namespace tarnel {

bool CMediaType::IsPartiallySpecified() const {
    return majortype.IsNull() || subtype.IsNull() || formattype.IsNull();
}

bool CMediaType::MatchesPartial(const CMediaType& partial) const {
    if (!partial.majortype.IsNull() && partial.majortype != majortype) return false;
    if (!partial.subtype.IsNull() && partial.subtype != subtype) return false;
    if (!partial.formattype.IsNull()) {
        if (partial.formattype != formattype) return false;
        if (!partial.format.empty() && partial.format != format) return false;
    }
    return true;
}

void CMediaType::SetSampleSize(uint32_t size) {
    if (size == 0) {
        bFixedSizeSamples = false;
    } else {
        bFixedSizeSamples = true;
        lSampleSize = size;
    }
}

void CMediaType::SetWaveFormat(const WAVEFORMATEX& wfx, std::span<const uint8_t> extra) {
    formattype = FORMAT_WaveFormatEx;
    format = SerializeWaveFormat(wfx, extra);
}

std::optional<WaveFormatInfo> CMediaType::WaveFormat() const {
    if (formattype != FORMAT_WaveFormatEx) return std::nullopt;
    return ParseWaveFormat(format);
}

std::optional<WAVEFORMATEX> CMediaType::WaveFormatEx() const {
    auto info = WaveFormat();
    if (!info) return std::nullopt;
    return info->format;
}

std::string CMediaType::ToString() const {
    std::string text = "major " + majortype.ToString() + " sub " + subtype.ToString() + " format " +
                       formattype.ToString() + " (" + std::to_string(format.size()) + " bytes)";
    if (auto wfx = WaveFormatEx()) {
        char buf[96];
        std::snprintf(buf, sizeof buf, " tag 0x%04X %u ch %u Hz %u bit", wfx->wFormatTag,
                      wfx->nChannels, wfx->nSamplesPerSec, wfx->wBitsPerSample);
        text += buf;
    }
    return text;
}

CMediaType MakeAudioMediaType(const WAVEFORMATEX& wfx, std::span<const uint8_t> extra) {
    CMediaType mt(MEDIATYPE_Audio, FourccSubtype(wfx.wFormatTag), FORMAT_WaveFormatEx);
    mt.SetWaveFormat(wfx, extra);
    if (auto info = mt.WaveFormat()) mt.subtype = FourccSubtype(info->EffectiveTag());
    mt.SetSampleSize(wfx.nBlockAlign);
    return mt;
}

CMediaType MakeAudioMediaType(const WAVEFORMATEXTENSIBLE& wfx) {
    CMediaType mt(MEDIATYPE_Audio, wfx.SubFormat, FORMAT_WaveFormatEx);
    mt.format = SerializeWaveFormatExtensible(wfx);
    mt.SetSampleSize(wfx.Format.nBlockAlign);
    return mt;
}

}  // namespace tarnel
