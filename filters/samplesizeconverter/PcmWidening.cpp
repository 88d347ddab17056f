#include "filters/samplesizeconverter/PcmWidening.h"

#include <array>

namespace tarnel {

namespace {

// Both bytes of every widened value, low byte first, so the loop is one table load and one
// two-byte store per input byte whatever the host's byte order.
constexpr std::array<std::array<uint8_t, 2>, 256> MakeWideningTable() {
    std::array<std::array<uint8_t, 2>, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const auto v = static_cast<uint16_t>(WidenPcm8Sample(static_cast<uint8_t>(b)));
        table[b] = {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)};
    }
    return table;
}

constexpr auto kWideningTable = MakeWideningTable();

}  // namespace

void WidenPcm8To16(const uint8_t* in, size_t count, uint8_t* out) {
    for (size_t i = 0; i < count; ++i) {
        const auto& pair = kWideningTable[in[i]];
        out[2 * i] = pair[0];
        out[2 * i + 1] = pair[1];
    }
}

}  // namespace tarnel
