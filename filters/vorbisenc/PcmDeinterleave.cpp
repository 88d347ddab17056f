#include "filters/vorbisenc/PcmDeinterleave.h"

#include <cstring>

namespace tarnel {

void DeinterleaveFrames(const uint8_t* data, int64_t frames, int channels, bool isFloat,
                        const std::vector<int>& channelMap, float** out, int offset) {
    const int bytes = isFloat ? 4 : 2;
    for (int64_t f = 0; f < frames; ++f) {
        const uint8_t* frame = data + static_cast<size_t>(f) * channels * bytes;
        for (int k = 0; k < channels; ++k) {
            float value;
            if (isFloat) {
                std::memcpy(&value, frame + 4 * k, 4);
            } else {
                int16_t pcm = static_cast<int16_t>(frame[2 * k] | (frame[2 * k + 1] << 8));
                value = static_cast<float>(pcm) * 0.000030517578125f;
            }
            out[channelMap[k]][offset + f] = value;
        }
    }
}

std::vector<int> VorbisChannelMapForInput(int channels) {
    if (channels == 6) return {0, 2, 1, 5, 3, 4};
    std::vector<int> map(channels > 0 ? channels : 0);
    for (int k = 0; k < static_cast<int>(map.size()); ++k) map[k] = k;
    return map;
}

}  // namespace tarnel
