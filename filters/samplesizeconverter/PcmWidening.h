#pragma once
// Widening of unsigned 8-bit PCM to signed 16-bit little-endian PCM.
//
// A byte b maps to (b - 128) * 32767 / 128 truncated toward zero, so silence (128) stays 0,
// the lowest byte reaches -32767 and the highest 32511. The scale is exactly 255.9921875, so
// the integer form below gives the same values as the floating-point product.

#include <cstddef>
#include <cstdint>

namespace tarnel {

constexpr int16_t WidenPcm8Sample(uint8_t b) {
    // C++ integer division truncates toward zero; the result always lies in -32767..32511.
    return static_cast<int16_t>((static_cast<int32_t>(b) - 128) * 32767 / 128);
}

// Writes 2 * count bytes to out. in and out must not overlap.
void WidenPcm8To16(const uint8_t* in, size_t count, uint8_t* out);

}  // namespace tarnel
