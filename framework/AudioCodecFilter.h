#pragma once
// CAudioCodecFilter: the base of the audio encoders and decoders. One input buffer in gives any
// number of output buffers (none, one or several); what the codec still holds comes out at end
// of stream; a flush makes it start afresh.
//
// The base keeps the streaming rules around the codec:
//   - a sample whose stream id is not AM_STREAM_MEDIA goes downstream untouched;
//   - an input sample whose bytes cannot be read is refused with E_UNEXPECTED;
//   - a failure of ProcessInput or Drain aborts the stream (see AbortStream) and is returned,
//     and after a failed Drain end of stream is not passed on;
//   - output samples are marked by DeliverOutput: length, times, sync point and discontinuity
//     as the filter's OutputMarks say, preroll cleared.
//
// Hooks, besides those of CTransformFilter (CheckInputType, CheckTransform, DecideBufferSize
// and GetMediaType required; StartStreaming, StopStreaming, SetMediaType optional):
//   ProcessInput(in, bytes)  required. Consumes one input buffer; output goes through
//                            GetOutputBuffer and DeliverOutput.
//   Drain()                  optional (default: the codec holds nothing). At end of stream,
//                            hands out what the codec still holds.
//   ResetCodec()             optional (default: nothing). After a flush: forget what the codec
//                            holds, so the next input starts afresh.
// A codec that restarts its output time line on its own (at a new segment, say) calls
// RestartOutput so that its next output is marked a discontinuity too.
//
// Threading: ProcessInput and Drain run on the upstream streaming thread, ResetCodec at
// EndFlush (upstream has stopped pushing), all three with m_csReceive held, which therefore
// guards the codec state together with StartStreaming and StopStreaming.

#include <span>

#include "framework/MediaSample.h"
#include "framework/TransformFilter.h"

namespace tarnel {

class CAudioCodecFilter : public CTransformFilter {
public:
    // How DeliverOutput marks output samples.
    struct OutputMarks {
        bool syncPoint = true;
        // The first output after a start or a flush is a discontinuity.
        bool discontinuityAtRestart = false;
    };

    CAudioCodecFilter(std::string name, const GUID& clsid, OutputMarks marks);

    HRESULT Stop() override;
    HRESULT Receive(IMediaSample* sample) final;
    HRESULT EndOfStream() final;
    HRESULT EndFlush() final;

protected:
    virtual HRESULT ProcessInput(IMediaSample* in, std::span<const uint8_t> bytes) = 0;
    virtual HRESULT Drain();
    virtual void ResetCodec();

    // An empty output buffer and its bytes; the allocator's or the sample's failure unchanged.
    HRESULT GetOutputBuffer(MediaSamplePtr* out, std::span<uint8_t>* room, uint32_t flags = 0);
    // Marks `out` (times only when given) and delivers it; the delivery result unchanged.
    HRESULT DeliverOutput(IMediaSample* out, size_t bytes, const REFERENCE_TIME* start = nullptr,
                          const REFERENCE_TIME* stop = nullptr);
    // The next output counts as the first after a restart (m_csReceive).
    void RestartOutput() { restarted_ = true; }

private:
    const OutputMarks marks_;
    bool restarted_ = true;  // m_csReceive: no output since the last start or flush
};

}  // namespace tarnel
