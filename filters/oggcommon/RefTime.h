#pragma once
// Conversions between sample (or granule) counts and reference time (100 ns units).
//
// Every conversion in the Ogg Vorbis filters uses one rounding rule so that a count turned into
// a time and back comes out unchanged: a × b / c, plus 1 when the remainder exceeds c / 2
// (c / 2 truncated), so an exact half rounds down.

#include <cstdint>
#include <limits>

namespace tarnel {

// A zero divisor gives 0; a result beyond 64 bits saturates. Negative results round the same
// way mirrored (to nearest, an exact half toward zero).
constexpr int64_t MulDivRound(int64_t a, int64_t b, int64_t c) {
    if (c == 0) return 0;
    __int128 product = static_cast<__int128>(a) * b;
    __int128 divisor = c;
    bool negative = (product < 0) != (divisor < 0);
    if (product < 0) product = -product;
    if (divisor < 0) divisor = -divisor;
    __int128 quotient = product / divisor;
    if (product % divisor > divisor / 2) ++quotient;
    if (negative) quotient = -quotient;
    if (quotient > std::numeric_limits<int64_t>::max()) return std::numeric_limits<int64_t>::max();
    if (quotient < std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(quotient);
}

constexpr int64_t kRefTimePerSecond = 10'000'000;

// Sample frames at the given rate to 100 ns units, and back.
constexpr int64_t SamplesToRefTime(int64_t samples, int64_t rate) {
    return MulDivRound(samples, kRefTimePerSecond, rate);
}
constexpr int64_t RefTimeToSamples(int64_t time, int64_t rate) {
    return MulDivRound(time, rate, kRefTimePerSecond);
}

}  // namespace tarnel
