#pragma once
// The typed values of the per-user key store. A value keeps its type and its exact bytes; readers
// decide what a type means, so a DWORD reader given text fails exactly as a registry read would.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnel::registry {

// Value types, with the registry's numbers (they are stored in the database as these numbers).
inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;         // text with its terminating NUL
inline constexpr uint32_t REG_EXPAND_SZ = 2;  // text naming environment variables, unexpanded
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;  // 32-bit little-endian number

// The largest value the store writes or hands out; bigger stored data counts as unreadable, so a
// hostile database never makes a reader allocate without bound.
inline constexpr size_t kMaxValueBytes = 1024 * 1024;

struct RegistryValue {
    uint32_t type = REG_NONE;
    std::vector<uint8_t> data;
};

// One entry of a value listing: the data itself is read with QueryValue.
struct ValueInfo {
    std::string name;
    uint32_t type = REG_NONE;
    size_t size = 0;  // bytes of data
};

// "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD", "REG_NONE", else "REG_TYPE_<n>".
std::string ValueTypeName(uint32_t type);

// Little-endian DWORD data.
std::vector<uint8_t> DwordBytes(uint32_t value);
// Text with its terminating NUL, as REG_SZ stores it.
std::vector<uint8_t> StringBytes(std::string_view text);

}  // namespace tarnel::registry
