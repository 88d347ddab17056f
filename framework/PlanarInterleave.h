#pragma once
// Planar float to interleaved 16-bit PCM for the decoders' output paths, and interleaved float
// to planar for the encoders' input, four frames per step with SSE2 where the processor has it
// (every x86-64 does).

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarnel {

static_assert(std::endian::native == std::endian::little,
              "samples are stored as host-order integers for little-endian WAVE");

// Writes `count` frames of one or two channels to `out` (any alignment): frame f holds
// convert.Scalar(planes[k][f]) for each channel k. convert.Vector(x) must give the same four
// values as 32-bit integers already inside -32768..32767.
template <int Channels, class Convert>
void InterleavePlanarToInt16(const float* const* planes, int count, const Convert& convert,
                             uint8_t* out) {
    static_assert(Channels == 1 || Channels == 2);
    const float* first = planes[0];
    const float* second = planes[Channels - 1];
    int f = 0;
#if defined(__SSE2__)
    for (; f + 8 <= count; f += 8) {
        const __m128i a = convert.Vector(_mm_loadu_ps(first + f));
        const __m128i b = convert.Vector(_mm_loadu_ps(first + f + 4));
        if constexpr (Channels == 1) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * f), _mm_packs_epi32(a, b));
        } else {
            const __m128i c = convert.Vector(_mm_loadu_ps(second + f));
            const __m128i d = convert.Vector(_mm_loadu_ps(second + f + 4));
            auto* target = reinterpret_cast<__m128i*>(out + 4 * f);
            _mm_storeu_si128(target,
                             _mm_packs_epi32(_mm_unpacklo_epi32(a, c), _mm_unpackhi_epi32(a, c)));
            _mm_storeu_si128(target + 1,
                             _mm_packs_epi32(_mm_unpacklo_epi32(b, d), _mm_unpackhi_epi32(b, d)));
        }
    }
#endif
    for (; f < count; ++f) {
        int16_t frame[Channels];
        frame[0] = convert.Scalar(first[f]);
        if constexpr (Channels == 2) frame[1] = convert.Scalar(second[f]);
        std::memcpy(out + static_cast<size_t>(f) * sizeof frame, frame, sizeof frame);
    }
}

// Splits `frames` interleaved frames of `channels` floats into planes[0 .. channels - 1].
inline void DeinterleaveFloat(const float* in, int channels, size_t frames, float* const* planes) {
    size_t f = 0;
#if defined(__SSE2__)
    if (channels == 2) {
        float* left = planes[0];
        float* right = planes[1];
        for (; f + 4 <= frames; f += 4) {
            const __m128 a = _mm_loadu_ps(in + 2 * f);
            const __m128 b = _mm_loadu_ps(in + 2 * f + 4);
            _mm_storeu_ps(left + f, _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
            _mm_storeu_ps(right + f, _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
        }
    }
#endif
    for (int c = 0; c < channels; ++c) {
        float* plane = planes[c];
        for (size_t i = f; i < frames; ++i) plane[i] = in[i * size_t(channels) + size_t(c)];
    }
}

}  // namespace tarnel
