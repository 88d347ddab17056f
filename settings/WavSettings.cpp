#include "settings/WavSettings.h"

#include <algorithm>
#include <cstring>

#include "settings/RecordBytes.h"

namespace tarnel {

using namespace record_bytes;

std::string WavSettings::CompressorName() const {
    const void* end = std::memchr(compressorName, 0, kNameSize);
    const size_t length =
        end ? static_cast<size_t>(static_cast<const char*>(end) - compressorName) : kNameSize;
    return std::string(compressorName, length);
}

void WavSettings::SetCompressorName(std::string_view name) {
    std::memset(compressorName, 0, kNameSize);
    // An empty view may carry a null pointer, which memcpy must not see.
    if (!name.empty())
        std::memcpy(compressorName, name.data(), std::min(name.size(), kNameSize - 1));
}

std::array<uint8_t, WavSettings::kSize> WavSettings::ToBytes() const {
    std::array<uint8_t, kSize> bytes{};
    PutI32(bytes, 0, compressorIndex);
    PutI32(bytes, 4, compressorListIndex);
    PutI32(bytes, 8, pcmFormatIndex);
    PutI32(bytes, 12, sampleRate);
    PutI32(bytes, 16, channels);
    PutI32(bytes, 20, bitsPerSample);
    std::memcpy(bytes.data() + 24, compressorName, kNameSize);
    return bytes;
}

WavSettings WavSettings::FromBytes(std::span<const uint8_t, kSize> bytes) {
    WavSettings s;
    s.compressorIndex = GetI32(bytes, 0);
    s.compressorListIndex = GetI32(bytes, 4);
    s.pcmFormatIndex = GetI32(bytes, 8);
    s.sampleRate = GetI32(bytes, 12);
    s.channels = GetI32(bytes, 16);
    s.bitsPerSample = GetI32(bytes, 20);
    std::memcpy(s.compressorName, bytes.data() + 24, kNameSize);
    return s;
}

}  // namespace tarnel
