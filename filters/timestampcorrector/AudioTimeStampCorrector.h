#pragma once
// AudioTimeStampCorrector ("TS Fixer"): replaces whatever time stamps a PCM stream carries with
// times derived from the bytes that have passed, so the encoder or writer behind it sees one
// gap-free time line that starts at 0 on every run (see ByteTimeLine). The audio bytes are
// never touched.
//
// Threading: StartStreaming/StopStreaming run on the graph's control thread while no sample
// flows (the framework holds the receive lock); Transform runs on the upstream streaming
// thread. `timeLine_` belongs to whichever of them runs, never both at once.

#include "filters/timestampcorrector/ByteTimeLine.h"
#include "framework/TransInPlaceFilter.h"

namespace tarnel {

class AudioTimeStampCorrector : public CTransInPlaceFilter {
public:
    static constexpr GUID CLSID =
        MakeGuid(0x55F3B51D, 0xF024, 0x48E6, {0x8D, 0x48, 0x7C, 0xA5, 0x75, 0x23, 0x9C, 0x54});

    AudioTimeStampCorrector();

    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    // When the output is given a type other than the input's, the input is reconnected
    // through the graph so both pins carry the same type, as an in-place filter needs.
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    using CTransInPlaceFilter::Transform;
    HRESULT Transform(IMediaSample* sample) override;
    // Never used by an in-place filter.
    HRESULT GetMediaType(int position, CMediaType* type) override;

    // Streaming state, for tests and diagnostics (control thread, while stopped).
    const ByteTimeLine& TimeLine() const { return timeLine_; }

private:
    HRESULT MatchInputToOutput(const CMediaType& outputType);

    ByteTimeLine timeLine_;
};

}  // namespace tarnel
