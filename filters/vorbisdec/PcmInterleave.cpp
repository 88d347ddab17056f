#include "filters/vorbisdec/PcmInterleave.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace tarnel {

void InterleaveFrames(float* const* pcm, int first, int count, int channels,
                      const std::vector<int>& channelMap, float gain, bool floatOutput,
                      uint8_t* out) {
    const size_t bytes = floatOutput ? 4 : 2;
    for (int f = 0; f < count; ++f) {
        uint8_t* frame = out + static_cast<size_t>(f) * channels * bytes;
        for (int j = 0; j < channels; ++j) {
            float value = pcm[j][first + f] * gain;
            uint8_t* at = frame + static_cast<size_t>(channelMap[j]) * bytes;
            if (floatOutput) {
                std::memcpy(at, &value, 4);
            } else {
                float scaled = value * 32767.0f;
                int32_t sample;
                if (!(scaled == scaled)) {
                    sample = 0;  // NaN
                } else if (scaled >= 32767.0f) {
                    sample = 32767;
                } else if (scaled <= -32768.0f) {
                    sample = -32768;
                } else {
                    sample = static_cast<int32_t>(scaled);  // toward zero
                }
                at[0] = static_cast<uint8_t>(sample);
                at[1] = static_cast<uint8_t>(sample >> 8);
            }
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
