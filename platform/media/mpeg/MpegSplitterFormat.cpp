#include "platform/media/mpeg/MpegSplitterFormat.h"

#include <vector>

namespace tarnel::media {

CMediaType MpegSplitterOutputType(const MpegAudioFrame& f) {
    const bool layer3 = f.layer == 3;
    std::vector<uint8_t> block(layer3 ? kMpegLayer3WaveFormatSize : kMpeg1WaveFormatSize, 0);
    uint8_t* p = block.data();
    WriteLe16(p + 0, layer3 ? WAVE_FORMAT_MPEGLAYER3 : WAVE_FORMAT_MPEG);
    WriteLe16(p + 2, uint16_t(f.channels));
    WriteLe32(p + 4, uint32_t(f.sampleRate));
    WriteLe32(p + 8, uint32_t(f.bitrate / 8));
    WriteLe16(p + 12, 1);  // block align: frames are byte streams
    WriteLe16(p + 14, 0);
    WriteLe16(p + 16, uint16_t(block.size() - kWaveFormatExSize));
    if (layer3) {
        WriteLe16(p + 18, 1);  // MPEGLAYER3_ID_MPEG
        WriteLe32(p + 20, 0);  // padding as the ISO standard sets it
        WriteLe16(p + 24, uint16_t(f.frameBytes - (f.padding ? 1 : 0)));
        WriteLe16(p + 26, 1);  // frames per block
        WriteLe16(p + 28, 0);  // codec delay: the decoder takes it from the stream
    } else {
        WriteLe16(p + 18, uint16_t(f.layer));  // ACM_MPEG_LAYER1 = 1, LAYER2 = 2
        WriteLe32(p + 20, uint32_t(f.bitrate));
        WriteLe16(p + 24, f.channels == 1 ? 8 : 1);    // single channel or stereo
        WriteLe16(p + 30, f.version == 1 ? 0x10 : 0);  // MPEG-1 id
    }
    CMediaType type(MEDIATYPE_Audio, layer3 ? MEDIASUBTYPE_MP3 : MEDIASUBTYPE_MPEG1AudioPayload,
                    FORMAT_WaveFormatEx);
    type.SetFormat(block);
    type.SetVariableSize();
    type.SetTemporalCompression(false);
    return type;
}

}  // namespace tarnel::media
