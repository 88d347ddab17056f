#pragma once
// The MPEG audio splitter ("MPEG-1 Stream Splitter" stand-in): reads an MPEG audio file from the
// File Source's IAsyncReader and delivers its frames.
//
// The input pin scans the whole file when it connects (see MpegSplitterScan.h); a file without
// MPEG audio frames fails the connection with VFW_E_INVALID_FILE_FORMAT. The output pin offers
// the audio type of MpegSplitterFormat.h and pushes whole frames from its own thread, several to
// a sample, stamped relative to the current segment; the LAME/Xing info frame goes with the
// first sample of a stream played from its start, so the decoder can trim the encoder's delay
// and padding. Bytes between frames that are no good frame are skipped (the walk resynchronises).
// IMediaSeeking on the output pin gives the duration and moves the start and stop positions,
// also while running (flush and restart).
//
// Threads: connection and seeking calls on the application thread; FillBuffer on the pin's
// streaming thread. The layout is written only while stopped (at connection); positions are
// atomics, and seeks are serialised by the pin's seek lock and stop the thread before moving
// the start.
#include <atomic>
#include <memory>
#include <optional>

#include "framework/ParserOutputPin.h"
#include "framework/PullParser.h"
#include "platform/media/mpeg/MpegSplitterScan.h"

namespace tarnel::media {

class CMpegSplitter;

class CMpegSplitterOutputPin final : public CParserOutputPin {
public:
    CMpegSplitterOutputPin(CMpegSplitter* filter, CCritSec* lock, HRESULT* hr);
    ~CMpegSplitterOutputPin() override;

    HRESULT OnThreadDestroy() override;

    // IMediaSeeking: the positions (CParserOutputPin answers the rest).
    HRESULT GetDuration(int64_t* duration) override;
    HRESULT GetStopPosition(int64_t* stop) override;
    HRESULT GetCurrentPosition(int64_t* current) override;

    // Called by the filter when a file was scanned or forgotten (stopped).
    void ResetPositions();

    // Bytes per output buffer: room for several of the largest frames.
    static constexpr int32_t kBufferBytes = 16 * 1024;
    static constexpr int32_t kBufferCount = 8;

private:
    std::vector<CMediaType> OutputTypes() const override;
    std::optional<BufferNeed> BufferNeeds() const override;
    HRESULT StartSegment(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT FillSample(IMediaSample* sample) override;
    HRESULT SeekReference(REFERENCE_TIME* current, REFERENCE_TIME* stop) override;
    void MoveSegment(const SeekPositions& to, REFERENCE_TIME* start, REFERENCE_TIME* stop) override;

    const MpegStreamLayout* Layout() const;
    // Media time of the start of audio frame `frame` (100 ns units, rounded).
    int64_t TimeOfFrame(uint64_t frame) const;
    uint64_t FrameOfTime(int64_t time) const;

    CMpegSplitter* splitter_;
    std::atomic<uint64_t> startFrame_{0};  // segment start, in audio frames
    std::atomic<uint64_t> stopFrame_{0};   // segment end (exclusive)
    std::atomic<uint64_t> nextFrame_{0};   // next frame to deliver (streaming thread writes)
    // Streaming thread only.
    uint64_t nextOffset_ = 0;  // byte offset where the walk goes on
    bool sendInfoFrame_ = false;
    std::unique_ptr<AsyncReaderByteSource> source_;
    std::unique_ptr<MpegFrameWalker> walker_;
};

class CMpegSplitter final : public CPullParser {
public:
    CMpegSplitter();
    ~CMpegSplitter() override;

    // The scanned file while the input is connected.
    const std::optional<MpegStreamLayout>& Layout() const { return layout_; }
    CMpegSplitterOutputPin* OutputPin() const { return output_; }

private:
    // Scans the file: S_OK or the failure that refuses the connection.
    HRESULT ReadFile(AsyncReaderByteSource& source) override;
    void ForgetFile() override;

    CMpegSplitterOutputPin* output_;  // owned by CPullParser
    // Written at input connection (application thread, stopped); read by streaming.
    std::optional<MpegStreamLayout> layout_;
};

}  // namespace tarnel::media
