#include "framework/Guid.h"

#include <cstdio>

#include "framework/ByteOrder.h"

namespace tarnel {

std::string GUID::ToString() const {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Data1,
                  Data2, Data3, Data4[0], Data4[1], Data4[2], Data4[3], Data4[4], Data4[5],
                  Data4[6], Data4[7]);
    return text;
}

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::optional<GUID> GUID::Parse(std::string_view text) {
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}') return std::nullopt;
        text = text.substr(1, 36);
    }
    if (text.size() != 36) return std::nullopt;
    uint8_t bytes[16];
    size_t b = 0;
    for (size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        int hi = HexValue(text[i]);
        int lo = HexValue(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes[b++] = static_cast<uint8_t>(hi * 16 + lo);
        i += 2;
    }
    GUID g;
    g.Data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
              bytes[3];
    g.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    g.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
    return g;
}

std::array<uint8_t, 16> GUID::ToBytes() const {
    std::array<uint8_t, 16> out{};
    WriteLe32(&out[0], Data1);
    WriteLe16(&out[4], Data2);
    WriteLe16(&out[6], Data3);
    for (int i = 0; i < 8; ++i) out[8 + i] = Data4[i];
    return out;
}

GUID GUID::FromBytes(std::span<const uint8_t> bytes) {
    GUID g;
    if (bytes.size() < 16) return g;
    g.Data1 = ReadLe32(&bytes[0]);
    g.Data2 = ReadLe16(&bytes[4]);
    g.Data3 = ReadLe16(&bytes[6]);
    for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
    return g;
}

}  // namespace tarnel
