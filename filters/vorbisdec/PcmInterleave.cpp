#include "filters/vorbisdec/PcmInterleave.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "framework/PlanarInterleave.h"

namespace tarnel {

namespace {

// value × scale truncated toward zero into -32768..32767; NaN becomes 0.
inline int16_t ToInt16(float value, float scale) {
    float scaled = value * scale;
    scaled = scaled == scaled ? scaled : 0.0f;
    scaled = scaled > 32767.0f ? 32767.0f : scaled;
    scaled = scaled < -32768.0f ? -32768.0f : scaled;
    return static_cast<int16_t>(static_cast<int32_t>(scaled));
}

struct Truncating {
    float scale;
    int16_t Scalar(float value) const { return ToInt16(value, scale); }
#if defined(__SSE2__)
    __m128i Vector(__m128 value) const {
        __m128 scaled = _mm_mul_ps(value, _mm_set1_ps(scale));
        scaled = _mm_and_ps(scaled, _mm_cmpord_ps(scaled, scaled));
        scaled = _mm_max_ps(_mm_min_ps(scaled, _mm_set1_ps(32767.0f)), _mm_set1_ps(-32768.0f));
        return _mm_cvttps_epi32(scaled);
    }
#endif
};

}  // namespace

void InterleaveFrames(float* const* pcm, int first, int count, int channels,
                      const std::vector<int>& channelMap, float gain, bool floatOutput,
                      uint8_t* out) {
    const float scale = gain * 32767.0f;
    // Mono and stereo, whose maps are 0 and 0 1 (or 1 0), take the vector path.
    const bool smallLayout = (channels == 1 && channelMap[0] == 0) ||
                             (channels == 2 && channelMap[0] + channelMap[1] == 1 &&
                              (channelMap[0] == 0 || channelMap[1] == 0));
    if (!floatOutput && smallLayout) {
        const float* sources[2];
        for (int j = 0; j < channels; ++j) sources[channelMap[j]] = pcm[j] + first;
        const Truncating convert{scale};
        if (channels == 1) {
            InterleavePlanarToInt16<1>(sources, count, convert, out);
        } else {
            InterleavePlanarToInt16<2>(sources, count, convert, out);
        }
        return;
    }
    const size_t bytes = floatOutput ? 4 : 2;
    const size_t stride = static_cast<size_t>(channels) * bytes;
    // One channel at a time: a straight loop per channel that the compiler can keep tight.
    for (int j = 0; j < channels; ++j) {
        const float* source = pcm[j] + first;
        uint8_t* target = out + static_cast<size_t>(channelMap[j]) * bytes;
        if (floatOutput) {
            for (int f = 0; f < count; ++f) {
                float value = source[f] * gain;
                std::memcpy(target + f * stride, &value, 4);
            }
            continue;
        }
        for (int f = 0; f < count; ++f) {
            const int16_t sample = ToInt16(source[f], scale);
            std::memcpy(target + f * stride, &sample, 2);
        }
    }
}

std::vector<int> WaveChannelMapForVorbis(int channels) {
    if (channels == 6) return {0, 2, 1, 4, 5, 3};
    std::vector<int> map(channels > 0 ? channels : 0);
    for (int j = 0; j < static_cast<int>(map.size()); ++j) map[j] = j;
    return map;
}

bool ParseGainValue(std::string_view text, float* gain) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '+')) text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() || !std::isfinite(value)) return false;
    *gain = static_cast<float>(value);
    return true;
}

}  // namespace tarnel
