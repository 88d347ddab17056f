#include "platform/media/wave/WaveStreamPlan.h"

#include <algorithm>

namespace tarnel::media {

WaveStreamPlan::WaveStreamPlan(uint64_t dataOffset, uint64_t dataSize, uint32_t avgBytesPerSec,
                               uint16_t blockAlign, bool mediaTimesInFrames)
    : dataOffset_(dataOffset),
      dataSize_(dataSize),
      avgBytesPerSec_(std::max<uint32_t>(avgBytesPerSec, 1)),
      blockAlign_(std::max<uint16_t>(blockAlign, 1)),
      mediaTimesInFrames_(mediaTimesInFrames) {
    uint64_t bytes = std::clamp<uint64_t>(avgBytesPerSec_ / 2, 4096, 1 << 20);
    bytes -= bytes % blockAlign_;
    chunkBytes_ = uint32_t(std::max<uint64_t>(bytes, blockAlign_));
}

uint64_t WaveStreamPlan::ByteOfTime(int64_t time) const {
    if (time <= 0) return 0;
    const int64_t byte = MulDivRound(time, avgBytesPerSec_, UNITS);
    uint64_t b = std::min<uint64_t>(uint64_t(byte), dataSize_);
    return b - b % blockAlign_;
}

int64_t WaveStreamPlan::TimeOfByte(uint64_t byte) const {
    return MulDivRound(int64_t(byte), UNITS, avgBytesPerSec_);
}

std::optional<WaveChunk> WaveStreamPlan::ChunkAt(uint64_t byte, uint64_t segmentStartByte,
                                                 uint64_t stopByte) const {
    const uint64_t end = std::min(stopByte, dataSize_);
    if (byte >= end) return std::nullopt;
    WaveChunk c;
    c.fileOffset = dataOffset_ + byte;
    uint64_t length = std::min<uint64_t>(chunkBytes_, end - byte);
    // The stop position may cut into a block; deliver whole blocks only.
    if (length >= blockAlign_) length -= length % blockAlign_;
    c.length = uint32_t(length);
    c.start = TimeOfByte(byte) - TimeOfByte(segmentStartByte);
    c.stop = TimeOfByte(byte + length) - TimeOfByte(segmentStartByte);
    if (mediaTimesInFrames_) {
        c.mediaStart = int64_t(byte / blockAlign_);
        c.mediaStop = int64_t((byte + length) / blockAlign_);
    } else {
        c.mediaStart = int64_t(byte);
        c.mediaStop = int64_t(byte + length);
    }
    return c;
}

}  // namespace tarnel::media
