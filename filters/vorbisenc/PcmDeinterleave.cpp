#include "filters/vorbisenc/PcmDeinterleave.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarnel {

namespace {

static_assert(std::endian::native == std::endian::little,
              "WAVE's little-endian samples are read as host-order integers");

constexpr float kInt16Scale = 0.000030517578125f;  // 2^-15

// With the channel count fixed at compile time the loop body has no inner loop or table
// look-up; SSE2 converts eight samples a step where the processor has it.
template <int Channels>
void DeinterleaveInt16(const uint8_t* __restrict data, int64_t frames, float* const* targets) {
    float* __restrict out[Channels];
    for (int k = 0; k < Channels; ++k) out[k] = targets[k];
    int64_t f = 0;
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(kInt16Scale);
    constexpr int64_t kStep = 8 / Channels;  // frames in eight samples
    for (; f + kStep <= frames; f += kStep) {
        const __m128i pcm =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 2 * Channels * f));
        // Sign-extended to 32 bits: samples 0-3 and 4-7.
        const __m128 low = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(pcm, pcm), 16));
        const __m128 high = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(pcm, pcm), 16));
        if constexpr (Channels == 1) {
            _mm_storeu_ps(out[0] + f, _mm_mul_ps(low, scale));
            _mm_storeu_ps(out[0] + f + 4, _mm_mul_ps(high, scale));
        } else {
            const __m128 left = _mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0));
            const __m128 right = _mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1));
            _mm_storeu_ps(out[0] + f, _mm_mul_ps(left, scale));
            _mm_storeu_ps(out[1] + f, _mm_mul_ps(right, scale));
        }
    }
#endif
    for (; f < frames; ++f) {
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
