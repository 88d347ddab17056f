#pragma once
// Reads the first audio stream of an ASF file with libavformat's ASF demuxer, through our own
// positional reads of the file: its wave format (whatever the stream holds, PCM included) with
// the codec data, its duration, and its compressed packets with their times.
//
// Hostile files: the header must be an ASF header object that fits the file before libavformat
// sees it; every read is bounded by the file; a stop request (the interrupt flag) ends a read
// at once. Not thread-safe: the reader's streaming thread uses it, the application thread only
// while that thread is stopped.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "framework/MediaType.h"
#include "framework/Result.h"

namespace tarnel::media {

struct AsfPacket {
    std::vector<uint8_t> data;
    int64_t start = 0;     // 100 ns units from the start of the stream
    int64_t duration = 0;  // 100 ns units, 0 when unknown
};

class AsfDemuxer {
public:
    // VFW_E_INVALID_FILE_FORMAT for a file that is no ASF file or has no audio stream; the file's
    // error when it cannot be read. `interrupt`, when given, is polled during reads.
    static HRESULT Open(const std::filesystem::path& path, const std::atomic<bool>* interrupt,
                        std::unique_ptr<AsfDemuxer>* demuxer);
    ~AsfDemuxer();
    AsfDemuxer(const AsfDemuxer&) = delete;
    AsfDemuxer& operator=(const AsfDemuxer&) = delete;

    // MEDIATYPE_Audio, the subtype of the stream's format tag, FORMAT_WaveFormatEx with the
    // stream's WAVEFORMATEX and codec data.
    const CMediaType& MediaType() const { return type_; }
    // 100 ns units; 0 when the file does not say.
    int64_t Duration() const { return duration_; }

    // The next packet of the audio stream: S_OK, S_FALSE at the end, a failure for a read
    // error or an interrupt (E_ABORT).
    HRESULT ReadPacket(AsfPacket* packet);
    // Positions so that the next packet starts at or before `time` (100 ns units).
    HRESULT Seek(int64_t time);

    // Largest packet the demuxer will hand out.
    static constexpr size_t kMaxPacketBytes = 1 << 20;

private:
    struct Impl;
    explicit AsfDemuxer(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> impl_;
    CMediaType type_;
    int64_t duration_ = 0;
};

}  // namespace tarnel::media
