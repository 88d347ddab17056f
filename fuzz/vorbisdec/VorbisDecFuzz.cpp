// Fuzzes the Vorbis decoder filter with a packet sequence: byte 0 picks the channel count of
// the connection (1..8), then every packet is a 16-bit little-endian length and its bytes.
// Header packets (odd first byte) are stored, audio packets decoded with the look-ahead.
#include <cstdint>
#include <vector>

#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include "filters/vorbiscommon/RefTime.h"
#include "filters/vorbiscommon/VorbisFormatBlock.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "fuzz/oggsplitter/FuzzFilters.h"

using namespace tarnel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    VorbisFormatBlock block;
    block.channels = static_cast<uint16_t>(1 + data[0] % 8);
    block.samplesPerSec = 8000;
    auto source = std::make_shared<fuzz::PushFilter>(MakeVorbisMediaType(block));
    auto decoder = std::make_shared<CVorbisDec>();
    auto sink = std::make_shared<fuzz::NullSink>();
    if (SUCCEEDED(source->Pin()->Connect(decoder->InputPin(), nullptr)) &&
        SUCCEEDED(decoder->OutputPin()->Connect(sink->Pin(), nullptr))) {
        sink->Pause();
        decoder->Pause();
        source->Pause();
        size_t at = 1;
        int64_t granule = 0;
        int index = 0;
        while (at + 2 <= size) {
            size_t length = data[at] | (data[at + 1] << 8);
            at += 2;
            length = std::min(length, size - at);
            REFERENCE_TIME start = SamplesToRefTime(granule, 8000);
            if (index % 29 == 28) start = -1;  // now and then a negative time
            source->Pin()->Push(data + at, length, start, index % 37 == 36);
            at += length;
            granule += 256;
            ++index;
        }
        source->Pin()->DeliverEndOfStream();
        sink->Stop();
        decoder->Stop();
        source->Stop();
    }
    decoder->OutputPin()->Disconnect();
    sink->Pin()->Disconnect();
    source->Pin()->Disconnect();
    decoder->InputPin()->Disconnect();
    return 0;
}

namespace {

void AppendPacket(std::vector<uint8_t>& out, const ogg_packet& packet) {
    size_t length = std::min<size_t>(static_cast<size_t>(packet.bytes), 0xFFFF);
    out.push_back(static_cast<uint8_t>(length));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.insert(out.end(), packet.packet, packet.packet + length);
}

}  // namespace

extern "C" size_t TarnelFuzzSeedCount() {
    return 2;
}

// Headers and a few audio packets of a mono (seed 0) or stereo (seed 1) stream.
extern "C" std::vector<uint8_t> TarnelFuzzSeed(size_t index) {
    const int channels = index == 0 ? 1 : 2;
    std::vector<uint8_t> out = {static_cast<uint8_t>(channels - 1)};
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, channels, 8000, 0.2f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "POSTGAIN", "0.5");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_packet a, b, c;
    vorbis_analysis_headerout(&dsp, &comment, &a, &b, &c);
    AppendPacket(out, a);
    AppendPacket(out, b);
    AppendPacket(out, c);
    float** buffer = vorbis_analysis_buffer(&dsp, 3000);
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < 3000; ++i)
            buffer[ch][i] = static_cast<float>((i * (ch + 3)) % 64 - 32) / 64.0f;
    vorbis_analysis_wrote(&dsp, 3000);
    vorbis_analysis_wrote(&dsp, 0);
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        ogg_packet packet;
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) AppendPacket(out, packet);
    }
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}
