#include "filters/mp3enc/Mp3OutputFormat.h"

namespace tarnel {

void BuildMpeg1WaveFormat(const Mp3EncSettings& s, const WAVEFORMATEX& input,
                          Mpeg1WaveFormatBlock& block) {
    const int32_t mode = s[kMp3ChannelMode];
    const auto bitrate = static_cast<uint32_t>(s[kMp3Bitrate]);
    uint8_t* p = block.data();
    PutLe16(p + 0, WAVE_FORMAT_MPEG);
    PutLe16(p + 2, mode == 3 ? 1 : 2);
    PutLe32(p + 4, static_cast<uint32_t>(s[kMp3OutputSampleRate]));
    PutLe32(p + 8, bitrate * 1000 / 8);
    PutLe16(p + 12, 1);
    PutLe16(p + 14, input.wBitsPerSample);
    PutLe16(p + 16, 22);
    PutLe16(p + 18, kAcmMpegLayer3);
    PutLe32(p + 20, bitrate * 1000);
    switch (mode) {
        case 0:
            PutLe16(p + 24, kAcmMpegStereo);
            break;
        case 1:
            PutLe16(p + 24, kAcmMpegJointStereo);
            break;
        case 2:
            PutLe16(p + 24, kAcmMpegDualChannel);
            break;
        case 3:
            PutLe16(p + 24, kAcmMpegSingleChannel);
            break;
        default:
            break;  // unknown mode: the previous value stays
    }
    PutLe16(p + 26, 0);  // mode extension
    PutLe16(p + 28, 0);  // emphasis
    uint16_t flags = kAcmMpegId;
    if (s[kMp3ErrorProtection]) flags |= kAcmMpegProtectionBit;
    if (s[kMp3Original]) flags |= kAcmMpegOriginalHome;
    if (s[kMp3Copyright]) flags |= kAcmMpegCopyright;
    PutLe16(p + 30, flags);
    PutLe32(p + 32, 0);  // presentation time stamp, low and high
    PutLe32(p + 36, 0);
}

}  // namespace tarnel
