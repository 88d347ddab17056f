// Scans arbitrary bytes as an MPEG audio file the way the splitter does, then walks every frame
// the way its streaming thread does: every frame must lie inside the audio, the walk must
// advance, and it must find exactly the frames the scan counted.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "platform/media/MpegSplitterFormat.h"
#include "platform/media/MpegSplitterScan.h"

using namespace tarnel::media;

namespace {

void AppendFrames(std::vector<uint8_t>& out, uint32_t header, size_t length, int count) {
    for (int i = 0; i < count; ++i) {
        const size_t at = out.size();
        out.resize(at + length, 0);
        for (int b = 0; b < 4; ++b) out[at + size_t(b)] = uint8_t(header >> (24 - 8 * b));
    }
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SpanByteSource source(std::span<const uint8_t>(data, size));
    const uint64_t trailing = TrailingTagBytes(source, size);
    Check(trailing <= size);
    auto layout = ScanMpegStream(source);
    if (!layout) return 0;
    Check(layout->audioStart <= layout->firstAudioFrame);
    Check(layout->audioEnd <= size);
    (void)MpegSplitterOutputType(layout->format);
    (void)layout->PlayableSamples();

    MpegFrameWalker walker(source, layout->format, layout->audioEnd);
    std::vector<uint8_t> frame;
    uint64_t pos = layout->firstAudioFrame;
    uint64_t frames = 0;
    while (auto f = walker.FrameAtOrAfter(pos)) {
        Check(f->offset >= pos);
        Check(f->offset + uint64_t(f->header.frameBytes) <= layout->audioEnd);
        frame.resize(size_t(f->header.frameBytes));
        Check(walker.Read(f->offset, frame));
        pos = f->offset + uint64_t(f->header.frameBytes);
        ++frames;
    }
    Check(frames == layout->audioFrames);
    for (const auto& point : layout->seekPoints) Check(point.offset < layout->audioEnd);
    return 0;
}

extern "C" size_t TarnelFuzzSeedCount() {
    return 4;
}

extern "C" std::vector<uint8_t> TarnelFuzzSeed(size_t index) {
    std::vector<uint8_t> out;
    switch (index) {
        case 0:  // MPEG-1 Layer III, 128 kbit/s, 44100 Hz, stereo
            AppendFrames(out, 0xFFFB9064u, 417, 12);
            break;
        case 1: {  // an info frame with Xing count and LAME tag, then audio frames
            AppendFrames(out, 0xFFFB9064u, 417, 1);
            std::memcpy(out.data() + 36, "Info", 4);
            out[43] = 0x01;  // frames present
            out[47] = 11;
            std::memcpy(out.data() + 48, "LAME3.100", 9);
            out[48 + 21] = 0x24;
            out[48 + 22] = 0x00;
            out[48 + 23] = 0x80;
            AppendFrames(out, 0xFFFB9064u, 417, 11);
            break;
        }
        case 2:  // ID3v2, MPEG-2 Layer III 22050 Hz mono, ID3v1 at the end
            out = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
            out.resize(30, 0xFF);
            AppendFrames(out, 0xFFF380C4u, 208, 10);
            out.insert(out.end(), {'T', 'A', 'G'});
            out.resize(out.size() + 125, 0);
            break;
        default: {  // Layer II 48000 Hz with junk between frames and an APE footer
            AppendFrames(out, 0xFFFDA400u, 576, 5);
            out.insert(out.end(), {0xFF, 0xFF, 0x12, 0xFF, 0xE0});
            AppendFrames(out, 0xFFFDA400u, 576, 5);
            const uint8_t ape[32] = {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X', 0xD0, 0x07, 0, 0,
                                     32,  0,   0,   0,   0,   0,   0,   0,   0,    0,    0, 0x80};
            out.insert(out.end(), ape, ape + 32);
            break;
        }
    }
    return out;
}
