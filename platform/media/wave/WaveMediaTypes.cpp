#include "platform/media/wave/WaveMediaTypes.h"

#include "framework/WaveFormat.h"

namespace tarnel::media {
namespace {

CMediaType AudioType(const GUID& subtype, std::span<const uint8_t> block, uint16_t blockAlign) {
    CMediaType mt(MEDIATYPE_Audio, subtype, FORMAT_WaveFormatEx);
    mt.SetFormat(block);
    mt.SetSampleSize(blockAlign);
    return mt;
}

}  // namespace

std::vector<CMediaType> WaveOutputTypes(std::span<const uint8_t> block) {
    std::vector<CMediaType> types;
    auto info = DecodeWaveFormat(block);
    if (!info) return types;
    GUID subtype = FourccSubtype(info->formatTag);
    if (info->formatTag == WAVE_FORMAT_EXTENSIBLE && info->extraSize >= 22) {
        subtype = GUID::FromBytes(block.subspan(24, 16));
    }
    types.push_back(AudioType(subtype, block, info->blockAlign));

    const SampleKind kind = info->Kind();
    if (info->formatTag == WAVE_FORMAT_EXTENSIBLE && kind != SampleKind::Compressed &&
        info->channels <= 2 && (info->validBits == 0 || info->validBits == info->bitsPerSample) &&
        IsConvertiblePcm(*info)) {
        const bool isFloat = kind == SampleKind::Float;
        auto plain =
            MakePcmWaveFormat(info->sampleRate, info->channels, info->bitsPerSample, isFloat);
        types.push_back(AudioType(isFloat ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM, plain,
                                  info->blockAlign));
    }
    return types;
}

}  // namespace tarnel::media
