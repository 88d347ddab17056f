#include "settings/OggSettings.h"

#include "settings/RecordBytes.h"

namespace tarnel {

using namespace record_bytes;

std::array<uint8_t, OggSettings::kSize> OggSettings::ToBytes() const {
    std::array<uint8_t, kSize> bytes{};  // padding 20..23 stays zero
    PutI32(bytes, 0, minBitrate);
    PutI32(bytes, 4, maxBitrate);
    PutI32(bytes, 8, avgBitrate);
    PutI32(bytes, 12, qualityBased);
    PutI32(bytes, 16, bitrateMode);
    PutF64(bytes, 24, quality);
    PutI32(bytes, 32, sampleRate);
    PutI32(bytes, 36, channels);
    return bytes;
}

OggSettings OggSettings::FromBytes(std::span<const uint8_t, kSize> bytes) {
    OggSettings s;
    s.minBitrate = GetI32(bytes, 0);
    s.maxBitrate = GetI32(bytes, 4);
    s.avgBitrate = GetI32(bytes, 8);
    s.qualityBased = GetI32(bytes, 12);
    s.bitrateMode = GetI32(bytes, 16);
    s.quality = GetF64(bytes, 24);
    s.sampleRate = GetI32(bytes, 32);
    s.channels = GetI32(bytes, 36);
    return s;
}

}  // namespace tarnel
