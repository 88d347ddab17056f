#include "engine/Mp3DurationScan.h"

#include "engine/MemoryMappedFile.h"
#include "engine/MpegAudioHeader.h"

namespace tarnel {
namespace {

constexpr size_t kId3HeaderSize = 10;

}  // namespace

uint64_t Id3v2TagsSize(std::span<const uint8_t> bytes) {
    uint64_t offset = 0;
    while (offset + kId3HeaderSize <= bytes.size()) {
        const uint8_t* tag = bytes.data() + offset;
        if (tag[0] != 'I' || tag[1] != 'D' || tag[2] != '3') break;
        // Version bytes are never 0xFF; the size is four 7-bit groups ("sync-safe").
        if (tag[3] == 0xFF || tag[4] == 0xFF) break;
        if ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80) break;
        const uint64_t body = uint64_t{tag[6]} << 21 | uint64_t{tag[7]} << 14 |
                              uint64_t{tag[8]} << 7 | uint64_t{tag[9]};
        const bool hasFooter = (tag[5] & 0x10) != 0;
        offset += kId3HeaderSize + body + (hasFooter ? kId3HeaderSize : 0);
    }
    return offset;
}

double ScanMp3Duration(std::span<const uint8_t> bytes) {
    const size_t size = bytes.size();
    if (size <= 4) return 0.0;

    int lockedRate = 0;     // R
    int lockedSamples = 0;  // S
    int run = 0;            // k
    uint64_t frames = 0;    // N

    // An embedded picture in a leading tag is full of byte pairs that look like frame
    // headers; the audio starts after the tags.
    const uint64_t start = Id3v2TagsSize(bytes);
    size_t p = start < size ? static_cast<size_t>(start) : size;
    while (p < size - 4) {
        const auto header = MpegAudioHeader::Decode(bytes.subspan(p).first<4>());
        if (!header.IsValid()) {
            ++p;
            continue;
        }
        const int rate = header.SampleRate();
        const int samples = header.SamplesPerFrame();
        if (run < kMp3ConsistentRun) {
            if (rate != lockedRate || samples != lockedSamples) {
                lockedRate = rate;
                lockedSamples = samples;
                run = 0;
            }
            ++run;
        }
        // Once locked, frames of another kind are false syncs inside the audio.
        if (rate == lockedRate && samples == lockedSamples) {
            ++frames;
            // FrameLength is at least 12 bytes for every valid header, so the walk advances.
            const auto length = static_cast<size_t>(header.FrameLength());
            p = length < size - p ? p + length : size;
        } else {
            ++p;
        }
    }
    if (run < kMp3ConsistentRun) return 0.0;
    return static_cast<double>(lockedSamples) * static_cast<double>(frames) / lockedRate;
}

double ScanMp3Duration(const std::filesystem::path& path) {
    MemoryMappedFile file;
    if (file.Open(path)) return 0.0;
    return ScanMp3Duration(file.Bytes());
}

}  // namespace tarnel
