#include "platform/media/pcm/PcmConverterFormats.h"

#include <algorithm>

namespace tarnel::media {

bool IsPcmConverterInput(std::span<const uint8_t> block) {
    auto info = DecodeWaveFormat(block);
    return info && IsConvertiblePcm(*info);
}

bool IsPcmConverterOutput(std::span<const uint8_t> block) {
    auto info = DecodeWaveFormat(block);
    if (!info || !IsConvertiblePcm(*info)) return false;
    // Only as many channels as a common speaker layout describes.
    return info->channels <= 8;
}

std::vector<std::vector<uint8_t>> ProposedPcmOutputs(const std::vector<uint8_t>* inputBlock) {
    std::vector<std::vector<uint8_t>> out;
    auto add = [&](std::vector<uint8_t> block) {
        if (std::find(out.begin(), out.end(), block) == out.end()) out.push_back(std::move(block));
    };
    if (inputBlock) {
        if (auto in = DecodeWaveFormat(*inputBlock); in && IsConvertiblePcm(*in)) {
            const uint16_t channels = std::min<uint16_t>(in->channels, 8);
            add(MakePcmWaveFormat(in->sampleRate, channels, 16));
            if (in->Kind() == SampleKind::Integer) {
                add(MakePcmWaveFormat(in->sampleRate, channels, in->bitsPerSample));
            }
        }
    }
    for (uint32_t rate : {44100u, 48000u, 32000u, 22050u, 16000u, 11025u, 8000u}) {
        for (uint16_t channels : {uint16_t(2), uint16_t(1)}) {
            for (uint16_t bits : {uint16_t(16), uint16_t(8)}) {
                add(MakePcmWaveFormat(rate, channels, bits));
            }
        }
    }
    return out;
}

}  // namespace tarnel::media
