#include "settings/Mp3Settings.h"

#include "settings/RecordBytes.h"

namespace tarnel {

using namespace record_bytes;

std::array<uint8_t, Mp3Settings::kSize> Mp3Settings::ToBytes() const {
    std::array<uint8_t, kSize> bytes{};
    PutI32(bytes, 0, cbrBitrate);
    PutI32(bytes, 4, minBitrate);
    PutI32(bytes, 8, maxBitrate);
    PutI32(bytes, 12, vbrQuality);
    PutI32(bytes, 16, sampleRate);
    PutI32(bytes, 20, encodingQuality);
    PutI32(bytes, 24, channelMode);
    bytes[28] = copyright;
    bytes[29] = crc;
    bytes[30] = original;
    bytes[31] = constantBitrate;
    return bytes;
}

Mp3Settings Mp3Settings::FromBytes(std::span<const uint8_t, kSize> bytes) {
    Mp3Settings s;
    s.cbrBitrate = GetI32(bytes, 0);
    s.minBitrate = GetI32(bytes, 4);
    s.maxBitrate = GetI32(bytes, 8);
    s.vbrQuality = GetI32(bytes, 12);
    s.sampleRate = GetI32(bytes, 16);
    s.encodingQuality = GetI32(bytes, 20);
    s.channelMode = GetI32(bytes, 24);
    s.copyright = bytes[28];
    s.crc = bytes[29];
    s.original = bytes[30];
    s.constantBitrate = bytes[31];
    return s;
}

}  // namespace tarnel
