#include "engine/Mp3DurationScan.h"

#include "engine/MemoryMappedFile.h"
#include "platform/media/mpeg/MpegAudioFrame.h"

namespace tarnel {

uint64_t Id3v2TagsSize(std::span<const uint8_t> bytes) {
    uint64_t offset = 0;
    while (offset < bytes.size()) {
        const size_t tag = media::Id3v2TagSize(bytes.subspan(static_cast<size_t>(offset)));
        if (tag == 0) break;
        offset += tag;
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
        const auto header = media::ParseMpegAudioHeader(bytes.subspan(p, 4));
        if (!header) {
            ++p;
            continue;
        }
        const int rate = header->sampleRate;
        const int samples = header->samplesPerFrame;
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
            // A parsed header's frame is at least 4 bytes long, so the walk advances.
            const auto length = static_cast<size_t>(header->frameBytes);
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
