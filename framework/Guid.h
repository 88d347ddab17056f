#pragma once
// GUID value type with the Windows memory layout (Data1..Data3 little-endian when stored).

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarnel {

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    std::array<uint8_t, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
    friend constexpr auto operator<=>(const GUID&, const GUID&) = default;

    constexpr bool IsNull() const { return *this == GUID{}; }

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
    std::string ToString() const;
    // Parses the braced or unbraced form; nullopt for anything else.
    static std::optional<GUID> Parse(std::string_view text);

    // The 16 bytes as stored in files and format blocks (Data1..Data3 little-endian).
    std::array<uint8_t, 16> ToBytes() const;
    // Reads 16 bytes in the stored layout; the span must hold at least 16 bytes.
    static GUID FromBytes(std::span<const uint8_t> bytes);
};

inline constexpr GUID GUID_NULL{};

// Compile-time GUID from its parts: MakeGuid(0x73647561, 0x0000, 0x0010, {0x80, ...}).
constexpr GUID MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4) {
    return GUID{d1, d2, d3, d4};
}

}  // namespace tarnel

template <>
struct std::hash<tarnel::GUID> {
    size_t operator()(const tarnel::GUID& g) const noexcept {
        uint64_t h = (uint64_t{g.Data1} << 32) ^ (uint64_t{g.Data2} << 16) ^ g.Data3;
        for (uint8_t b : g.Data4) h = h * 1099511628211ull ^ b;
        return std::hash<uint64_t>{}(h);
    }
};
