#pragma once
// CWavDestFilter ("WAVE Writer"): turns an audio stream of any wave format into the bytes of a
// RIFF WAVE file written by the File Writer behind it.
//
// Every sample's bytes are copied through unchanged and stamped with the byte range where they
// belong in the file (after room for the header), which the File Writer uses as its write
// position. At every stop, after a finished conversion and after a cancel alike, the header
// with the final sizes is written at offset 0 through the File Writer input pin's IStream (see
// WavFileLayout.h). IMediaSeeking reports how much media time has been written: the
// conversion's progress.
//
// Threading: Transform and Receive run on the upstream streaming thread; StartStreaming and
// StopStreaming on the control thread while no sample flows (the framework's receive lock).
// Those own every streaming field below. IMediaSeeking is called from any thread (the
// progress timer on the UI thread); it reads `position_` and `timeFormat_` under
// `positionLock_`.

#include <mutex>
#include <vector>

#include "framework/TransformFilter.h"

namespace tarnel {

class CWavDestFilter : public CTransformFilter, public IMediaSeeking {
public:
    static constexpr GUID CLSID =
        MakeGuid(0x3C78B8E2, 0x6C4D, 0x11D1, {0xAD, 0xE2, 0x00, 0x00, 0xF8, 0x75, 0x4B, 0x99});
    // Everything the filter can report about its position.
    static constexpr uint32_t kSeekingCaps =
        AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

    CWavDestFilter();
    ~CWavDestFilter() override;

    // IUnknown: adds IMediaSeeking to the filter's interfaces.
    void* QueryInterface(const GUID& iid) override;

    // CTransformFilter
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(IMediaSample* sample) override;

    // IMediaSeeking
    HRESULT GetCapabilities(uint32_t* capabilities) override;
    HRESULT CheckCapabilities(uint32_t* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(int64_t* duration) override;
    HRESULT GetStopPosition(int64_t* stop) override;
    HRESULT GetCurrentPosition(int64_t* current) override;
    HRESULT ConvertTimeFormat(int64_t* target, const GUID* targetFormat, int64_t source,
                              const GUID* sourceFormat) override;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                         uint32_t stopFlags) override;
    HRESULT GetPositions(int64_t* current, int64_t* stop) override;
    HRESULT GetAvailable(int64_t* earliest, int64_t* latest) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;
    HRESULT GetPreroll(int64_t* preroll) override;

    // Streaming state for tests and diagnostics (stable while stopped).
    uint32_t BytesWritten() const { return bytesWritten_; }
    uint32_t HeaderSize() const { return headerSize_; }

private:
    // Streaming thread / control thread while stopped.
    uint32_t bytesWritten_ = 0;  // audio bytes delivered since the start (the data size)
    uint32_t headerSize_ = 0;    // format block size + 28
    uint32_t avgBytesPerSec_ = 0;
    bool isPcm_ = false;
    // The input format block as streaming started; the header describes it and its size
    // matches the room left before the audio, even if the input type changes mid-stream.
    std::vector<uint8_t> formatBlock_;

    mutable std::mutex positionLock_;
    GUID timeFormat_;       // guarded by positionLock_
    int64_t position_ = 0;  // media time written, 100-ns units; guarded by positionLock_
};

}  // namespace tarnel
