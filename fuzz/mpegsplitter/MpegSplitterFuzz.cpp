// Scans arbitrary bytes as an MPEG audio file the way the splitter does, then walks every frame
// the way its streaming thread does: every frame must lie inside the audio, the walk must
// advance, and it must find exactly the frames the scan counted.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "platform/media/mpeg/MpegSplitterFormat.h"
#include "platform/media/mpeg/MpegSplitterScan.h"

using namespace tarnel;
using namespace tarnel::media;

namespace {

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
