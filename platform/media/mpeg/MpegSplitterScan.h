#pragma once
// Finding the MPEG audio frames of a file, for the MPEG splitter.
//
// The audio runs from the first good frame (past ID3v2 tags and any leading junk) to the end of
// the file less its trailing tags (ID3v1, APE, Lyrics3). A frame is good when its header decodes,
// it has the stream's version, layer and sample rate, it ends inside the audio, and the next
// frame header (when there is room for one) is good too. The walk takes the frame where the
// previous one ended when it is whole and of this stream; otherwise it resynchronises at the
// next good frame. A LAME/Xing "Info" frame at the start
// carries no audio; its frame count and the encoder delay and padding are read from it.
//
// Pure code over a ByteSource, so tests and fuzz targets run it on plain buffers.
#include <cstdint>
#include <optional>
#include <vector>

#include "framework/ByteSource.h"
#include "platform/media/mpeg/MpegAudioFrame.h"

namespace tarnel::media {

struct MpegInfoFrame {
    uint64_t offset = 0;
    uint32_t bytes = 0;
    std::optional<uint32_t> frames;  // frame count stated by the Xing header
    // Samples the encoder added at the start and the end (LAME tag).
    std::optional<uint32_t> encoderDelay;
    std::optional<uint32_t> encoderPadding;
};

// Frame number and byte offset of an audio frame: the splitter's seek index.
struct MpegSeekPoint {
    uint64_t frame = 0;
    uint64_t offset = 0;
};

struct MpegStreamLayout {
    MpegAudioFrame format;  // header of the first audio frame
    uint64_t fileSize = 0;
    uint64_t audioStart = 0;       // first frame (the info frame when there is one)
    uint64_t firstAudioFrame = 0;  // first frame that carries audio
    uint64_t audioEnd = 0;         // end of the frame data
    std::optional<MpegInfoFrame> info;
    uint64_t audioFrames = 0;               // good frames after the info frame
    uint64_t resyncs = 0;                   // places where the walk lost and found the frame chain
    std::vector<MpegSeekPoint> seekPoints;  // frame 0, then every kSeekPointInterval frames

    static constexpr uint64_t kSeekPointInterval = 64;

    // Decoded samples per channel: all frames, less the encoder delay and padding when known.
    uint64_t PlayableSamples() const;
};

// Number of bytes of trailing tags before `size` (ID3v1, APE with or without header,
// Lyrics3 v2), repeated while another tag ends where the last began.
uint64_t TrailingTagBytes(ByteSource& source, uint64_t size);

// Reads the Xing/Info header and LAME tag of the frame at `offset`, when it has one.
std::optional<MpegInfoFrame> ReadInfoFrame(ByteSource& source, uint64_t offset,
                                           const MpegAudioFrame& frame);

// Walks good frames (see above) with a read cache; one walker per thread.
class MpegFrameWalker {
public:
    MpegFrameWalker(ByteSource& source, const MpegAudioFrame& reference, uint64_t audioEnd);

    struct Frame {
        uint64_t offset = 0;
        MpegAudioFrame header;
    };
    // The frame at `offset` when it is whole and of this stream, else the first good frame
    // after it (resynchronising); nullopt when none is left. `lookahead`: how many following
    // headers a frame found by resynchronising needs (fewer where the audio ends).
    std::optional<Frame> FrameAtOrAfter(uint64_t offset, int lookahead = 1);
    // True when the frame at `offset` is good.
    bool IsGoodFrame(uint64_t offset, int lookahead = 1);

    // The version, layer and sample rate every good frame must share.
    void SetReference(const MpegAudioFrame& reference) { reference_ = reference; }

    // Copies `out.size()` bytes at `offset`; false when they cannot be read.
    bool Read(uint64_t offset, std::span<uint8_t> out);

private:
    std::optional<MpegAudioFrame> HeaderAt(uint64_t offset);
    bool Matches(const MpegAudioFrame& f) const;

    ByteSource& source_;
    MpegAudioFrame reference_;
    uint64_t end_;
    std::vector<uint8_t> cache_;
    uint64_t cacheStart_ = 0;
    size_t cacheLength_ = 0;
};

// Scans the whole file. nullopt when it holds no MPEG audio frames.
std::optional<MpegStreamLayout> ScanMpegStream(ByteSource& source);

}  // namespace tarnel::media
