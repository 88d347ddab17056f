#pragma once
// A source filter whose output pin delivers from its own thread (CSourceStream), with
// IMediaSeeking for duration and position. It sends the given blocks, or else `count` samples
// of `bytes` bytes (count < 0: forever) in which byte i of sample n is (n + i) & 0xFF, sample n
// covering [n*1000 + timeOffset, (n+1)*1000 + timeOffset). A block with a start time covers
// [start, start + its size).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "framework/MediaTimeSeeking.h"
#include "framework/SourceStream.h"
#include "tests/support/filters/PinHelpers.h"

namespace tarnel::test::harness {

inline constexpr GUID CLSID_StreamSource = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 1});

class StreamSource;

class StreamSourcePin : public CSourceStream, public CMediaTimeSeeking {
public:
    struct Block {
        std::vector<uint8_t> bytes;
        std::optional<REFERENCE_TIME> start;
    };

    StreamSourcePin(StreamSource* filter, CCritSec* lock);
    ~StreamSourcePin() override { Close(); }

    void* QueryInterface(const GUID& iid) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT OnThreadCreate() override;
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT Inactive() override;
    void OpenGate();

    // IMediaSeeking in media time: duration from the sample count, position = end of the last
    // sample; SetPositions only records the start asked for.
    HRESULT GetDuration(int64_t* d) override;
    HRESULT GetStopPosition(int64_t* s) override { return GetDuration(s); }
    HRESULT GetCurrentPosition(int64_t* c) override;
    HRESULT SetPositions(int64_t* c, uint32_t, int64_t*, uint32_t) override;

    // Configuration (set before running).
    std::vector<CMediaType> types{PcmType()};
    std::vector<Block> blocks;  // sent instead of the pattern when not empty
    int32_t count = 8;
    int32_t bytes = 400;
    int32_t buffers = 2;
    int32_t failAt = -1;  // FillBuffer of this sample fails with failWith
    HRESULT failWith = E_FAIL;
    int32_t controlAt = -1;  // this sample is marked AM_STREAM_CONTROL
    REFERENCE_TIME timeOffset = 0;
    int64_t durationExtra = 0;
    bool gate = false;  // FillBuffer waits for OpenGate (or a stop)

    // Observations.
    std::atomic<int32_t> produced{0};
    std::atomic<int64_t> position{0};
    int64_t seekedTo = -2;

private:
    int32_t SampleCount() const;
    int32_t BufferBytes() const;

    std::mutex gateMutex_;
    std::condition_variable gateCv_;
    bool gateOpen_ = false;  // guarded by gateMutex_
};

class StreamSource : public CSource {
public:
    StreamSource();
    ~StreamSource() override { (void)CBaseFilter::Stop(); }
    StreamSourcePin* pin;
};

}  // namespace tarnel::test::harness
