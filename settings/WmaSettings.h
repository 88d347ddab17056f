#pragma once
// WMA codec and format choice, stored whole as "WMA Configuration": 12 bytes, little-endian,
// the last three bytes padding (written as zero). The member initialisers are the defaults.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnel {

struct WmaSettings {
    static constexpr size_t kSize = 12;

    int32_t codecIndex = 0;    // offset 0, position in the WMA codec list
    int32_t formatIndex = 24;  // offset 4, the format's index as the codec reports it
    uint8_t vbr = 0;           // offset 8, 1 when the chosen format is variable-bitrate

    std::array<uint8_t, kSize> ToBytes() const;
    static WmaSettings FromBytes(std::span<const uint8_t, kSize> bytes);
    bool operator==(const WmaSettings&) const = default;
};

}  // namespace tarnel
