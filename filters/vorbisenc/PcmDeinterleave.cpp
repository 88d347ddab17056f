#include "filters/vorbisenc/PcmDeinterleave.h"

#include <bit>
#include <cstring>

namespace tarnel {

namespace {

static_assert(std::endian::native == std::endian::little,
              "WAVE's little-endian samples are read as host-order integers");

constexpr float kInt16Scale = 0.000030517578125f;  // 2^-15

// With the channel count fixed at compile time the loop body has no inner loop or table
// look-up, so the compiler turns it into vector loads, shuffles and conversions.
template <int Channels>
void DeinterleaveInt16(const uint8_t* __restrict data, int64_t frames, float* const* targets) {
    float* __restrict out[Channels];
    for (int k = 0; k < Channels; ++k) out[k] = targets[k];
    for (int64_t f = 0; f < frames; ++f) {
        int16_t pcm[Channels];
        std::memcpy(pcm, data + static_cast<size_t>(f) * Channels * 2, sizeof pcm);
        for (int k = 0; k < Channels; ++k) out[k][f] = static_cast<float>(pcm[k]) * kInt16Scale;
    }
}

}  // namespace

void DeinterleaveFrames(const uint8_t* data, int64_t frames, int channels, bool isFloat,
                        const std::vector<int>& channelMap, float** out, int offset) {
    float* targets[2];
    if (!isFloat && (channels == 1 || channels == 2)) {
        for (int k = 0; k < channels; ++k) targets[k] = out[channelMap[k]] + offset;
        if (channels == 1) {
            DeinterleaveInt16<1>(data, frames, targets);
        } else {
            DeinterleaveInt16<2>(data, frames, targets);
        }
        return;
    }
    const int bytes = isFloat ? 4 : 2;
    for (int64_t f = 0; f < frames; ++f) {
        const uint8_t* frame = data + static_cast<size_t>(f) * channels * bytes;
        for (int k = 0; k < channels; ++k) {
            float value;
            if (isFloat) {
                std::memcpy(&value, frame + 4 * k, 4);
            } else {
                int16_t pcm = static_cast<int16_t>(frame[2 * k] | (frame[2 * k + 1] << 8));
                value = static_cast<float>(pcm) * kInt16Scale;
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
