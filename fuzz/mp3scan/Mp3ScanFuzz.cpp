// Walks arbitrary bytes as MPEG audio: the scan must stay inside the buffer, always advance and
// give a finite, non-negative duration.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "engine/Mp3DurationScan.h"

namespace {

void AppendFrames(std::vector<uint8_t>& out, uint32_t header, size_t length, int count) {
    for (int i = 0; i < count; ++i) {
        const size_t at = out.size();
        out.resize(at + length, 0);
        out[at] = uint8_t(header >> 24);
        out[at + 1] = uint8_t(header >> 16);
        out[at + 2] = uint8_t(header >> 8);
        out[at + 3] = uint8_t(header);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const double seconds = tarnel::ScanMp3Duration(bytes);
    if (!std::isfinite(seconds) || seconds < 0) std::abort();
    const uint64_t tags = tarnel::Id3v2TagsSize(bytes);
    (void)tags;  // any value is allowed; only the walk over the bytes is checked
    return 0;
}

extern "C" size_t TarnelFuzzSeedCount() {
    return 3;
}

extern "C" std::vector<uint8_t> TarnelFuzzSeed(size_t index) {
    std::vector<uint8_t> out;
    switch (index) {
        case 0:  // MPEG-1 Layer III, 128 kbit/s, 44100 Hz
            AppendFrames(out, 0xFFFB9064u, 417, 24);
            break;
        case 1:  // an ID3v2 tag, then MPEG 2.5 Layer III at 8000 Hz
            out = {'I', 'D', '3', 4, 0, 0, 0, 0, 1, 0};
            out.resize(10 + 128, 0xFF);
            AppendFrames(out, 0xFFE3'1800u | 2u << 10, 72, 22);
            break;
        default:  // MPEG-1 Layer I frames with the sample rate changing
            AppendFrames(out, 0xFFFF'1000u, 32 * 4, 12);
            AppendFrames(out, 0xFFFF'1400u, 24 * 4, 12);
            break;
    }
    return out;
}
