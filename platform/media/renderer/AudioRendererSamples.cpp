#include "platform/media/renderer/AudioRendererSamples.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tarnel::media {

std::optional<AudioSampleFormat> PlayableFormat(const CMediaType& type) {
    if (type.majortype != MEDIATYPE_Audio) return std::nullopt;
    const std::optional<WaveFormatInfo> info = type.WaveFormat();
    if (!info) return std::nullopt;
    const WAVEFORMATEX& wfx = info->format;
    const uint16_t tag = info->EffectiveTag();
    if (info->extensible && info->extensible->wValidBitsPerSample != wfx.wBitsPerSample) {
        return std::nullopt;  // padded containers would play their padding as signal
    }
    AudioSampleFormat format;
    if (tag == WAVE_FORMAT_PCM && wfx.wBitsPerSample == 8) {
        format.kind = DeviceSample::Unsigned8;
    } else if (tag == WAVE_FORMAT_PCM && wfx.wBitsPerSample == 16) {
        format.kind = DeviceSample::Signed16;
    } else if (tag == WAVE_FORMAT_PCM && wfx.wBitsPerSample == 32) {
        format.kind = DeviceSample::Signed32;
    } else if (tag == WAVE_FORMAT_IEEE_FLOAT && wfx.wBitsPerSample == 32) {
        format.kind = DeviceSample::Float32;
    } else {
        return std::nullopt;
    }
    if (wfx.nChannels < 1 || wfx.nChannels > 8) return std::nullopt;
    if (wfx.nSamplesPerSec < 1000 || wfx.nSamplesPerSec > 384000) return std::nullopt;
    format.sampleRate = static_cast<int>(wfx.nSamplesPerSec);
    format.channels = wfx.nChannels;
    if (wfx.nBlockAlign != format.BlockAlign()) return std::nullopt;
    return format;
}

double GainForVolume(int32_t volume) {
    return std::pow(10.0, std::clamp(volume, -10000, 0) / 2000.0);
}

namespace {

template <class T>
T Load(const uint8_t* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

template <class T>
void Store(uint8_t* p, T value) {
    std::memcpy(p, &value, sizeof value);
}

template <class T>
void ScaleIntegers(uint8_t* samples, size_t count, double gain, double offset) {
    constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<T>::max());
    for (size_t i = 0; i < count; ++i) {
        uint8_t* p = samples + i * sizeof(T);
        const double centred = static_cast<double>(Load<T>(p)) - offset;
        Store<T>(p, static_cast<T>(std::clamp(std::round(centred * gain) + offset, lo, hi)));
    }
}

}  // namespace

void ApplyGain(uint8_t* samples, size_t bytes, DeviceSample kind, double gain) {
    if (gain == 1.0) return;
    switch (kind) {
        case DeviceSample::Unsigned8:
            ScaleIntegers<uint8_t>(samples, bytes, gain, 128.0);  // silence is 128
            break;
        case DeviceSample::Signed16:
            ScaleIntegers<int16_t>(samples, bytes / 2, gain, 0.0);
            break;
        case DeviceSample::Signed32:
            ScaleIntegers<int32_t>(samples, bytes / 4, gain, 0.0);
            break;
        case DeviceSample::Float32:
            for (size_t i = 0; i < bytes / 4; ++i) {
                uint8_t* p = samples + i * 4;
                Store<float>(p, static_cast<float>(Load<float>(p) * gain));
            }
            break;
    }
}

}  // namespace tarnel::media
