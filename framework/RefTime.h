#pragma once
// Reference time (100 ns units) and the one rounded multiply-divide every time, granule and
// byte-position conversion uses.
//
// The rounding is to nearest with an exact half rounded toward zero: a × b / c, plus 1 when the
// remainder exceeds c / 2 (c / 2 truncated). The Ogg filters need it so that a sample count
// turned into a time and back comes out unchanged.

#include <cstdint>
#include <limits>

namespace tarnel {

using REFERENCE_TIME = int64_t;  // 100-nanosecond units
constexpr REFERENCE_TIME UNITS = 10'000'000;
constexpr REFERENCE_TIME MILLISECONDS = 10'000;
constexpr REFERENCE_TIME MAX_TIME = 0x7FFFFFFFFFFFFFFF;

// A zero divisor gives 0; a result beyond 64 bits saturates. Negative results round the same
// way mirrored.
constexpr int64_t MulDivRound(int64_t a, int64_t b, int64_t c) {
    if (c == 0) return 0;
    __int128 product = static_cast<__int128>(a) * b;
    __int128 divisor = c;
    const bool negative = (product < 0) != (divisor < 0);
    if (product < 0) product = -product;
    if (divisor < 0) divisor = -divisor;
    __int128 quotient = product / divisor;
    if (product % divisor > divisor / 2) ++quotient;
    if (negative) quotient = -quotient;
    if (quotient > std::numeric_limits<int64_t>::max()) return std::numeric_limits<int64_t>::max();
    if (quotient < std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(quotient);
}

// Sample frames (or granules) at the given rate to reference time, and back.
constexpr REFERENCE_TIME SamplesToRefTime(int64_t samples, int64_t rate) {
    return MulDivRound(samples, UNITS, rate);
}
constexpr int64_t RefTimeToSamples(REFERENCE_TIME time, int64_t rate) {
    return MulDivRound(time, rate, UNITS);
}

}  // namespace tarnel
