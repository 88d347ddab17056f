#include "platform/media/mpeg/MpegAudioFrame.h"

#include "framework/ByteOrder.h"

namespace tarnel::media {
namespace {

// Kilobits per second by [MPEG-1 ? 0 : 1][layer - 1][index]; index 0 (free) and 15 are invalid.
constexpr int kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};

constexpr int kSampleRates[3][3] = {
    {44100, 48000, 32000},  // MPEG-1
    {22050, 24000, 16000},  // MPEG-2
    {11025, 12000, 8000},   // MPEG-2.5
};

}  // namespace

std::optional<MpegAudioFrame> ParseMpegAudioHeader(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4) return std::nullopt;
    const uint32_t h = ReadBe32(bytes.data());
    if ((h >> 21) != 0x7FF) return std::nullopt;
    const unsigned versionId = (h >> 19) & 3;
    const unsigned layerId = (h >> 17) & 3;
    const unsigned bitrateIndex = (h >> 12) & 15;
    const unsigned rateIndex = (h >> 10) & 3;
    const unsigned emphasis = h & 3;
    if (versionId == 1 || layerId == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3 || emphasis == 2) {
        return std::nullopt;
    }
    MpegAudioFrame f;
    f.version = versionId == 3 ? 1 : versionId == 2 ? 2 : 25;
    f.layer = 4 - int(layerId);
    const bool mpeg1 = f.version == 1;
    f.bitrate = kBitrates[mpeg1 ? 0 : 1][f.layer - 1][bitrateIndex] * 1000;
    f.sampleRate = kSampleRates[mpeg1 ? 0 : f.version == 2 ? 1 : 2][rateIndex];
    f.padding = (h >> 9) & 1;
    f.crc = ((h >> 16) & 1) == 0;
    f.channels = ((h >> 6) & 3) == 3 ? 1 : 2;
    if (f.layer == 1) {
        f.samplesPerFrame = 384;
        f.frameBytes = (12 * f.bitrate / f.sampleRate + (f.padding ? 1 : 0)) * 4;
    } else if (f.layer == 2 || mpeg1) {
        f.samplesPerFrame = 1152;
        f.frameBytes = 144 * f.bitrate / f.sampleRate + (f.padding ? 1 : 0);
    } else {
        f.samplesPerFrame = 576;
        f.frameBytes = 72 * f.bitrate / f.sampleRate + (f.padding ? 1 : 0);
    }
    if (f.frameBytes < 4) return std::nullopt;
    return f;
}

size_t Id3v2TagSize(std::span<const uint8_t> b) {
    if (b.size() < 10 || b[0] != 'I' || b[1] != 'D' || b[2] != '3') return 0;
    // Version bytes are never 0xFF; the size is four 7-bit groups.
    if (b[3] == 0xFF || b[4] == 0xFF) return 0;
    if ((b[6] | b[7] | b[8] | b[9]) & 0x80) return 0;
    const size_t body = (size_t(b[6]) << 21) | (size_t(b[7]) << 14) | (size_t(b[8]) << 7) | b[9];
    const bool footer = (b[5] & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

}  // namespace tarnel::media
