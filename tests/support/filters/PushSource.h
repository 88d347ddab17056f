#pragma once
// A source filter whose output pin delivers samples on the caller's thread: Push fills one
// buffer with the given bytes and properties and hands it to the connected input pin.

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "framework/BaseFilter.h"
#include "framework/BaseOutputPin.h"

namespace tarnel::test::harness {

// What Push sets on a sample besides its bytes; unset times stay unset. Every member has an
// initializer, so designated initializers may leave any out.
struct SampleProps {
    std::optional<REFERENCE_TIME> start{};
    std::optional<REFERENCE_TIME> stop{};  // only used with start
    std::optional<std::pair<int64_t, int64_t>> mediaTimes{};
    bool syncPoint = true;
    bool preroll = false;
    bool discontinuity = false;
    uint32_t streamId = AM_STREAM_MEDIA;
    std::optional<CMediaType> attachedType{};
};

// Props with a start and a stop time.
inline SampleProps Stamped(REFERENCE_TIME start, REFERENCE_TIME stop) {
    return {.start = start, .stop = stop};
}

class PushSource;

class PushPin : public CBaseOutputPin {
public:
    PushPin(PushSource* filter, CCritSec* lock);
    void* QueryInterface(const GUID& iid) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    void AddType(const CMediaType& type);

private:
    PushSource* source_;
};

class PushSource : public CBaseFilter {
public:
    // The pin offers `types` in order; its allocator has at least `buffers` of `bufferSize`.
    explicit PushSource(std::vector<CMediaType> types, int32_t bufferSize = 1 << 16,
                        int32_t buffers = 2);
    explicit PushSource(const CMediaType& type, int32_t bufferSize = 1 << 16, int32_t buffers = 2)
        : PushSource(std::vector<CMediaType>{type}, bufferSize, buffers) {}
    ~PushSource() override { (void)CBaseFilter::Stop(); }

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }
    PushPin* Pin() { return &pin_; }

    // Delivers one sample; returns the downstream result (VFW_E_BUFFER_OVERFLOW when the bytes
    // do not fit a buffer).
    HRESULT Push(std::span<const uint8_t> bytes, const SampleProps& props = {});
    HRESULT Push(std::span<const uint8_t> bytes, REFERENCE_TIME start, REFERENCE_TIME stop);
    HRESULT PushEndOfStream() { return pin_.DeliverEndOfStream(); }

    IMediaSeeking* seeking = nullptr;  // what the pin answers for IMediaSeeking, when set

private:
    friend class PushPin;
    CCritSec lock_;
    std::vector<CMediaType> types_;
    int32_t bufferSize_;
    int32_t buffers_;
    PushPin pin_;
};

}  // namespace tarnel::test::harness
