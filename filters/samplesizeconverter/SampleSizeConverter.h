#pragma once
// SampleSizeConverter ("8-16 Converter"): widens 8-bit PCM to 16-bit PCM and passes every
// other PCM format through unchanged.
//
// The output type is decided at connection: for 8-bit input the filter proposes the same
// format with 16 bits per sample (block align and byte rate doubled); any other sample size is
// proposed unchanged. Whether samples are widened follows the types actually agreed on the two
// pins, so the data always matches the type announced downstream.
//
// Threading: the negotiation hooks run on the graph-building thread under the filter lock;
// Transform runs on the upstream streaming thread. `widening_` is written only while the
// filter is stopped (connection), so Transform reads it without a lock.

#include <optional>

#include "framework/TransformFilter.h"

namespace tarnel {

class SampleSizeConverter : public CTransformFilter {
public:
    static constexpr GUID CLSID =
        MakeGuid(0x22C7E535, 0x889B, 0x405B, {0xBD, 0x57, 0x73, 0xAD, 0x77, 0x6E, 0xA0, 0x1D});

    SampleSizeConverter();

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;

    // True while the agreed types widen 8-bit input to 16 bits.
    bool IsWidening() const { return widening_; }

    // Negotiation as pure functions over media types.
    // S_OK for PCM audio described by a WAVEFORMATEX block, else VFW_E_TYPE_NOT_ACCEPTED.
    static HRESULT CheckPcmAudio(const CMediaType& type);
    // The output proposed for an input type: 8-bit PCM widened to targetBits, anything else
    // unchanged. nullopt when the input is not audio or the widened sizes would not fit.
    static std::optional<CMediaType> ProposeOutput(const CMediaType& input, uint16_t targetBits);
    // True when samples of type in become samples of type out by widening.
    static bool Widens(const CMediaType& in, const CMediaType& out);

private:
    void UpdateWidening();

    const uint16_t targetBits_ = 16;  // the output sample size
    bool widening_ = false;           // see the threading note above
};

}  // namespace tarnel
