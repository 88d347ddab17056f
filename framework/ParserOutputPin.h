#pragma once
// CParserOutputPin: the output pin of a parser or file reader that pushes one stream from its
// own thread (CSourceStream) and seeks in media time (CMediaTimeSeeking). It does what every such
// pin does alike and asks the parser only for what differs:
//   GetMediaType      the types of OutputTypes, in order
//   DecideBufferSize  BufferNeeds: that many buffers of that size asked for, one granted is
//                     enough; E_UNEXPECTED while there is no stream
//   OnThreadStartPlay StartSegment positions the stream, then NewSegment goes downstream
//   FillBuffer        FillSample fills data and times; every sample is a sync point and the
//                     first of each segment a discontinuity
//   SetPositions      checks the arguments, resolves the request from SeekReference under the
//                     seek lock, lets MoveSegment fit and take it, returns the times taken
// The parser keeps its positions and answers GetDuration, GetStopPosition and
// GetCurrentPosition. The thread calls the parser's hooks, so the parser's destructor ends it
// (EndThreadNow) while the parser's members still exist.
//
// Threads: OutputTypes and BufferNeeds on the application thread at connection; StartSegment
// and FillSample on the streaming thread; SeekReference and MoveSegment on the application
// thread with m_SeekLock held (seeks are serialised, a start move goes through SeekAndRestart).
#include <optional>
#include <string>
#include <vector>

#include "framework/MediaTimeSeeking.h"
#include "framework/SeekPositions.h"
#include "framework/SourceStream.h"

namespace tarnel {

class CParserOutputPin : public CSourceStream, public CMediaTimeSeeking {
public:
    CParserOutputPin(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr);

    void* QueryInterface(const GUID& iid) override;

    HRESULT GetMediaType(int position, CMediaType* type) final;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) final;
    HRESULT OnThreadStartPlay() final;
    HRESULT FillBuffer(IMediaSample* sample) final;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                         uint32_t stopFlags) final;

protected:
    struct BufferNeed {
        int32_t count = 1;
        int32_t bytes = 1;
    };

    // The stream's types, preferred first; none while there is no stream.
    virtual std::vector<CMediaType> OutputTypes() const = 0;
    // The buffers a sample needs; nullopt while there is no stream.
    virtual std::optional<BufferNeed> BufferNeeds() const = 0;
    // Positions the stream at the segment start and gives the segment's times; a failure
    // keeps the thread from pushing.
    virtual HRESULT StartSegment(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    // Fills the sample's data and times: S_OK, S_FALSE at the end of the segment, or a failure.
    virtual HRESULT FillSample(IMediaSample* sample) = 0;
    // The positions a request is relative to (current and stop), or the failure that refuses
    // every seek (no stream).
    virtual HRESULT SeekReference(REFERENCE_TIME* current, REFERENCE_TIME* stop) = 0;
    // Fits the resolved request to the stream and takes it (the stop at once, the start through
    // SeekAndRestart); gives the positions to return.
    virtual void MoveSegment(const SeekPositions& to, REFERENCE_TIME* start,
                             REFERENCE_TIME* stop) = 0;

private:
    CCritSec m_SeekLock;           // serialises SetPositions
    bool m_bDiscontinuity = true;  // streaming thread: the next sample starts a segment
};

}  // namespace tarnel
