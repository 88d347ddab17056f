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
// atomics, and seeks are serialised by seekLock_ and stop the thread before moving the start.
#include <atomic>
#include <memory>
#include <optional>

#include "framework/AsyncReaderByteSource.h"
#include "framework/BaseFilter.h"
#include "framework/BasePin.h"
#include "framework/MediaTimeSeeking.h"
#include "framework/PullInputPin.h"
#include "framework/SourceStream.h"
#include "platform/media/mpeg/MpegSplitterScan.h"

namespace tarnel::media {

class CMpegSplitter;
class CMpegSplitterInputPin final : public CPullInputPin {
public:
    CMpegSplitterInputPin(CMpegSplitter* filter, CCritSec* lock, HRESULT* hr);

    // Offers MEDIATYPE_Stream with MEDIASUBTYPE_MPEG1Audio.
    HRESULT GetMediaType(int position, CMediaType* type) override;

protected:
    HRESULT OnReaderConnected(IAsyncReader* reader) override;
    void OnReaderDisconnected() override;

private:
    CMpegSplitter* splitter_;
};

class CMpegSplitterOutputPin final : public CSourceStream, public CMediaTimeSeeking {
public:
    CMpegSplitterOutputPin(CMpegSplitter* filter, CCritSec* lock, HRESULT* hr);
    ~CMpegSplitterOutputPin() override;

    void* QueryInterface(const GUID& iid) override;

    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadStartPlay() override;
    HRESULT OnThreadDestroy() override;

    // IMediaSeeking: the positions (CMediaTimeSeeking answers the rest).
    HRESULT GetDuration(int64_t* duration) override;
    HRESULT GetStopPosition(int64_t* stop) override;
    HRESULT GetCurrentPosition(int64_t* current) override;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                         uint32_t stopFlags) override;

    // Called by the filter when a file was scanned or forgotten (stopped).
    void ResetPositions();

    // Bytes per output buffer: room for several of the largest frames.
    static constexpr int32_t kBufferBytes = 16 * 1024;
    static constexpr int32_t kBufferCount = 8;

private:
    const MpegStreamLayout* Layout() const;
    // Media time of the start of audio frame `frame` (100 ns units, rounded).
    int64_t TimeOfFrame(uint64_t frame) const;
    uint64_t FrameOfTime(int64_t time) const;

    CMpegSplitter* splitter_;
    CCritSec seekLock_;                    // serialises SetPositions
    std::atomic<uint64_t> startFrame_{0};  // segment start, in audio frames
    std::atomic<uint64_t> stopFrame_{0};   // segment end (exclusive)
    std::atomic<uint64_t> nextFrame_{0};   // next frame to deliver (streaming thread writes)
    // Streaming thread only.
    uint64_t nextOffset_ = 0;  // byte offset where the walk goes on
    bool sendInfoFrame_ = false;
    bool discontinuity_ = true;
    std::unique_ptr<AsyncReaderByteSource> source_;
    std::unique_ptr<MpegFrameWalker> walker_;
};

class CMpegSplitter final : public CBaseFilter {
public:
    CMpegSplitter();
    ~CMpegSplitter() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int index) override;

    // The scanned file while the input is connected.
    const std::optional<MpegStreamLayout>& Layout() const { return layout_; }
    CMpegSplitterInputPin* InputPin() const { return input_.get(); }
    CMpegSplitterOutputPin* OutputPin() const { return output_.get(); }

private:
    friend class CMpegSplitterInputPin;
    // Scans through the reader: S_OK or the failure that refuses the connection.
    HRESULT ScanFile(IAsyncReader* reader);
    void ForgetFile();

    CCritSec lock_;
    std::unique_ptr<CMpegSplitterInputPin> input_;
    std::unique_ptr<CMpegSplitterOutputPin> output_;
    // Written at input connection (application thread, stopped); read by streaming.
    std::optional<MpegStreamLayout> layout_;
};

}  // namespace tarnel::media
