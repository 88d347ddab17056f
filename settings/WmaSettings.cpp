#include "settings/WmaSettings.h"

#include "settings/RecordBytes.h"

namespace tarnel {

using namespace record_bytes;

std::array<uint8_t, WmaSettings::kSize> WmaSettings::ToBytes() const {
    std::array<uint8_t, kSize> bytes{};  // padding 9..11 stays zero
    PutI32(bytes, 0, codecIndex);
    PutI32(bytes, 4, formatIndex);
    bytes[8] = vbr;
    return bytes;
}

WmaSettings WmaSettings::FromBytes(std::span<const uint8_t, kSize> bytes) {
    WmaSettings s;
    s.codecIndex = GetI32(bytes, 0);
    s.formatIndex = GetI32(bytes, 4);
    s.vbr = bytes[8];
    return s;
}

}  // namespace tarnel
