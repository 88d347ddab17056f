#include "filters/samplesizeconverter/PcmWidening.h"

#include <bit>
#include <cstring>

namespace tarnel {

void WidenPcm8To16(const uint8_t* in, size_t count, uint8_t* out) {
    // Plain arithmetic and a two-byte store per sample: the compiler vectorises this loop,
    // which runs faster than a 256-entry table lookup.
    for (size_t i = 0; i < count; ++i) {
        const int16_t v = WidenPcm8Sample(in[i]);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out + 2 * i, &v, 2);
        } else {
            const auto u = static_cast<uint16_t>(v);
            out[2 * i] = static_cast<uint8_t>(u & 0xFF);
            out[2 * i + 1] = static_cast<uint8_t>(u >> 8);
        }
    }
}

}  // namespace tarnel
