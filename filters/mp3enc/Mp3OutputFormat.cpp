#include "filters/mp3enc/Mp3OutputFormat.h"

namespace tarnel {

void BuildMpeg1WaveFormat(const Mp3EncSettings& s, const WAVEFORMATEX& input,
                          Mpeg1WaveFormatBlock& block) {
    const int32_t mode = s[kMp3ChannelMode];
    const auto bitrate = static_cast<uint32_t>(s[kMp3Bitrate]);
    uint8_t* p = block.data();
    WriteLe16(p + 0, WAVE_FORMAT_MPEG);
    WriteLe16(p + 2, mode == 3 ? 1 : 2);
    WriteLe32(p + 4, static_cast<uint32_t>(s[kMp3OutputSampleRate]));
    WriteLe32(p + 8, bitrate * 1000 / 8);
    WriteLe16(p + 12, 1);
    WriteLe16(p + 14, input.wBitsPerSample);
    WriteLe16(p + 16, 22);
    WriteLe16(p + 18, kAcmMpegLayer3);
    WriteLe32(p + 20, bitrate * 1000);
    switch (mode) {
        case 0:
            WriteLe16(p + 24, kAcmMpegStereo);
            break;
        case 1:
            WriteLe16(p + 24, kAcmMpegJointStereo);
            break;
        case 2:
            WriteLe16(p + 24, kAcmMpegDualChannel);
            break;
        case 3:
            WriteLe16(p + 24, kAcmMpegSingleChannel);
            break;
        default:
            break;  // unknown mode: the previous value stays
    }
    WriteLe16(p + 26, 0);  // mode extension
    WriteLe16(p + 28, 0);  // emphasis
    uint16_t flags = kAcmMpegId;
    if (s[kMp3ErrorProtection]) flags |= kAcmMpegProtectionBit;
    if (s[kMp3Original]) flags |= kAcmMpegOriginalHome;
    if (s[kMp3Copyright]) flags |= kAcmMpegCopyright;
    WriteLe16(p + 30, flags);
    WriteLe32(p + 32, 0);  // presentation time stamp, low and high
    WriteLe32(p + 36, 0);
}

}  // namespace tarnel
