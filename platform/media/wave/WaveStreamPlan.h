#pragma once
// The arithmetic of delivering a WAVE file's data chunk: how big each sample is, which bytes it
// holds, its time stamps and media times, the duration, and where a seek lands. Pure, so the
// parser filter's thread only reads and delivers.
//
// Times are 100-nanosecond units. Time stamps are relative to the start of the current segment
// (the seek position); media times count sample frames for uncompressed audio and bytes of the
// data chunk for compressed formats.
#include <cstdint>
#include <optional>

#include "framework/RefTime.h"

namespace tarnel::media {

struct WaveChunk {
    uint64_t fileOffset = 0;  // where to read
    uint32_t length = 0;      // how many bytes (whole blocks)
    int64_t start = 0;        // time stamps relative to the segment start
    int64_t stop = 0;
    int64_t mediaStart = 0;
    int64_t mediaStop = 0;
};

class WaveStreamPlan {
public:
    // dataSize must be a multiple of blockAlign; avgBytesPerSec and blockAlign are non-zero.
    WaveStreamPlan(uint64_t dataOffset, uint64_t dataSize, uint32_t avgBytesPerSec,
                   uint16_t blockAlign, bool mediaTimesInFrames);

    int64_t Duration() const { return TimeOfByte(dataSize_); }
    uint64_t DataSize() const { return dataSize_; }

    // Size of each delivered sample: about half a second, whole blocks, 4 KiB to 1 MiB (and at
    // least one block).
    uint32_t ChunkBytes() const { return chunkBytes_; }

    // Byte within the data chunk for a time, rounded down to a block boundary and clamped to
    // the data.
    uint64_t ByteOfTime(int64_t time) const;
    // Time of a byte within the data chunk.
    int64_t TimeOfByte(uint64_t byte) const;

    // The chunk that starts at `byte` (within the data chunk) for a segment that began at
    // `segmentStartByte` and ends at `stopByte`; nullopt once `byte` reaches the end.
    std::optional<WaveChunk> ChunkAt(uint64_t byte, uint64_t segmentStartByte,
                                     uint64_t stopByte) const;

private:
    uint64_t dataOffset_;
    uint64_t dataSize_;
    uint32_t avgBytesPerSec_;
    uint16_t blockAlign_;
    bool mediaTimesInFrames_;
    uint32_t chunkBytes_;
};

}  // namespace tarnel::media
