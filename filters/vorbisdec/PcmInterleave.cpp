#include "filters/vorbisdec/PcmInterleave.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace tarnel {

void InterleaveFrames(float* const* pcm, int first, int count, int channels,
                      const std::vector<int>& channelMap, float gain, bool floatOutput,
                      uint8_t* out) {
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
        const float scale = gain * 32767.0f;
        for (int f = 0; f < count; ++f) {
            // Selects rather than branches: NaN becomes 0, then clamp, then toward zero.
            float scaled = source[f] * scale;
            scaled = scaled == scaled ? scaled : 0.0f;
            scaled = scaled > 32767.0f ? 32767.0f : scaled;
            scaled = scaled < -32768.0f ? -32768.0f : scaled;
            int16_t sample = static_cast<int16_t>(static_cast<int32_t>(scaled));
            std::memcpy(target + f * stride, &sample, 2);  // little-endian like WAVE
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
