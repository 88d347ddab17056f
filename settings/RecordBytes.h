#pragma once
// Little-endian field access for the export settings records, which are stored as raw blocks
// whose layout is the persistent format, byte for byte, whatever the host's byte order.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace tarnel::record_bytes {

inline void PutU32(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}
inline void PutI32(std::span<uint8_t> bytes, size_t offset, int32_t value) {
    PutU32(bytes, offset, static_cast<uint32_t>(value));
}
inline void PutF64(std::span<uint8_t> bytes, size_t offset, double value) {
    const auto bits = std::bit_cast<uint64_t>(value);
    for (size_t i = 0; i < 8; ++i) bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

inline uint32_t GetU32(std::span<const uint8_t> bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}
inline int32_t GetI32(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<int32_t>(GetU32(bytes, offset));
}
inline double GetF64(std::span<const uint8_t> bytes, size_t offset) {
    uint64_t bits = 0;
    for (size_t i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(bytes[offset + i]) << (8 * i);
    return std::bit_cast<double>(bits);
}

// Replaces the start of `record` with `stored` (at most the record's size): a stored block that
// is shorter than the record changes only the bytes it covers, as reading it into the record's
// memory would.
inline void Overlay(std::span<uint8_t> record, std::span<const uint8_t> stored) {
    const size_t count = stored.size() < record.size() ? stored.size() : record.size();
    if (count > 0) std::memcpy(record.data(), stored.data(), count);
}

}  // namespace tarnel::record_bytes

namespace tarnel {

// A record read over `preset`: see record_bytes::Overlay. R is one of the export settings
// records, with ToBytes() and FromBytes().
template <class R>
R OverlayRecord(const R& preset, std::span<const uint8_t> stored) {
    auto bytes = preset.ToBytes();
    record_bytes::Overlay(bytes, stored);
    return R::FromBytes(bytes);
}

}  // namespace tarnel
