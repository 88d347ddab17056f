#pragma once
// The MPEG audio decoder ("MPEG Layer-3 Decoder" stand-in): MPEG audio frames in
// (MEDIATYPE_Audio, MEDIASUBTYPE_MP3 or MEDIASUBTYPE_MPEG1AudioPayload with a wave format block),
// 16-bit PCM out at the stream's rate and channel count, decoded by MpegDecoderCore.
//
// One input sample may give any amount of PCM, so Receive is the filter's own: it feeds the
// bytes and delivers output buffers as they fill. Output times run on from the time of the
// first input sample after a start or flush, counted in decoded samples, so the stream is
// gap-free even where the decoder trimmed the encoder's delay and padding. A broken frame
// costs the audio around it, never the stream.
//
// Threads: connection calls on the application thread; Receive and EndOfStream on the upstream
// streaming thread under the receive lock, which also guards decoder_ and the timing fields;
// EndFlush takes the receive lock (upstream has stopped pushing by then) to restart decoding.
#include "framework/TransformFilter.h"
#include "platform/media/mpeg/MpegDecoderCore.h"

namespace tarnel::media {

class CMpegAudioDecoder final : public CTransformFilter {
public:
    CMpegAudioDecoder();
    ~CMpegAudioDecoder() override;

    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndFlush() override;

    // Decoder errors met since streaming started (streaming thread; for tests).
    uint64_t DecodeErrors() const { return decoder_.Errors(); }

    static constexpr int32_t kBufferBytes = 64 * 1024;
    static constexpr int32_t kBufferCount = 4;

private:
    // Delivers `out` with `bytes` of PCM, stamped from the decoded-sample count.
    HRESULT DeliverPcm(IMediaSample* out, size_t bytes);
    void ResetTiming();

    MpegDecoderCore decoder_;
    bool needBaseTime_ = true;  // the next timed input sample sets baseTime_
    REFERENCE_TIME baseTime_ = 0;
    uint64_t samplesOut_ = 0;    // sample frames delivered since baseTime_
    bool discontinuity_ = true;  // the next output sample starts a new run
};

}  // namespace tarnel::media
