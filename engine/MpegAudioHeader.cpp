#include "engine/MpegAudioHeader.h"

namespace tarnel {
namespace {

// kbit/s by bitrate index; index 0 (free format) and 15 (invalid) are never looked up.
constexpr int kMpeg1Bitrates[3][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // Layer III
};
// MPEG 2 and MPEG 2.5 share these rows.
constexpr int kMpeg2Bitrates[2][16] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},  // Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},       // Layers II, III
};

constexpr int kSampleRates[4][3] = {
    {11025, 12000, 8000},   // MPEG 2.5
    {0, 0, 0},              // reserved
    {22050, 24000, 16000},  // MPEG 2
    {44100, 48000, 32000},  // MPEG 1
};

}  // namespace

MpegAudioHeader MpegAudioHeader::Decode(uint32_t word) {
    MpegAudioHeader h;
    h.sync = static_cast<uint16_t>((word >> 21) & 0x7FF);
    h.versionId = static_cast<uint8_t>((word >> 19) & 3);
    h.layerId = static_cast<uint8_t>((word >> 17) & 3);
    h.protection = static_cast<uint8_t>((word >> 16) & 1);
    h.bitrateIndex = static_cast<uint8_t>((word >> 12) & 0xF);
    h.sampleRateIndex = static_cast<uint8_t>((word >> 10) & 3);
    h.padding = static_cast<uint8_t>((word >> 9) & 1);
    h.privateBit = static_cast<uint8_t>((word >> 8) & 1);
    h.channelMode = static_cast<uint8_t>((word >> 6) & 3);
    h.modeExtension = static_cast<uint8_t>((word >> 4) & 3);
    h.copyright = static_cast<uint8_t>((word >> 3) & 1);
    h.original = static_cast<uint8_t>((word >> 2) & 1);
    h.emphasis = static_cast<uint8_t>(word & 3);
    return h;
}

MpegAudioHeader MpegAudioHeader::Decode(std::span<const uint8_t, 4> bytes) {
    return Decode(uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 |
                  uint32_t{bytes[3]});
}

bool MpegAudioHeader::IsValid() const {
    return sync == 0x7FF && versionId != 1 && layerId != 0 && bitrateIndex != 0 &&
           bitrateIndex != 15 && sampleRateIndex != 3 && emphasis != 2;
}

int MpegAudioHeader::SampleRate() const {
    return kSampleRates[versionId][sampleRateIndex];
}

int MpegAudioHeader::BitrateKbps() const {
    const int layer = Layer();
    if (Version() == MpegVersion::Mpeg1) return kMpeg1Bitrates[layer - 1][bitrateIndex];
    return kMpeg2Bitrates[layer == 1 ? 0 : 1][bitrateIndex];
}

int MpegAudioHeader::SamplesPerFrame() const {
    switch (Layer()) {
        case 1:
            return 384;
        case 2:
            return 1152;
        default:  // Layer III: MPEG 2 and 2.5 halve the granule count
            return Version() == MpegVersion::Mpeg1 ? 1152 : 576;
    }
}

int MpegAudioHeader::FrameLength() const {
    const int bitsPerSecond = BitrateKbps() * 1000;
    // Bytes = samples / 8 × bitrate / rate; Layer I counts in four-byte slots.
    if (Layer() == 1) return (12 * bitsPerSecond / SampleRate() + padding) * 4;
    return SamplesPerFrame() / 8 * bitsPerSecond / SampleRate() + padding;
}

}  // namespace tarnel
