#pragma once
// A small harness around one filter under test: a push source that delivers given bytes with a
// given media type, a sink that records every sample and end-of-stream, and a stand-in graph
// that records the events filters send. Everything runs on the test's thread: Push calls the
// filter's Receive synchronously.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"
#include "framework/BaseOutputPin.h"

namespace tarnel::test::push {

struct RecordedEvent {
    int32_t code;
    intptr_t param1;
};

// Answers JoinFilterGraph's sink query and records events; other graph calls are counted.
class EventRecorderGraph : public IFilterGraph, public IMediaEventSink {
public:
    void* QueryInterface(const GUID& iid) override;
    HRESULT AddFilter(std::shared_ptr<IBaseFilter>, std::string_view) override { return E_NOTIMPL; }
    HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT EnumFilters(std::vector<IBaseFilter*>*) override { return E_NOTIMPL; }
    HRESULT FindFilterByName(std::string_view, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin*, IPin*, const CMediaType*) override { return E_NOTIMPL; }
    HRESULT Reconnect(IPin*) override;
    HRESULT Disconnect(IPin*) override;
    HRESULT SetDefaultSyncSource() override { return S_OK; }
    HRESULT Notify(int32_t code, intptr_t param1, intptr_t param2) override;

    std::vector<RecordedEvent> Events() const;
    int reconnects = 0;
    int disconnects = 0;

private:
    mutable std::mutex mutex_;
    std::vector<RecordedEvent> events_;
};

struct PushOptions {
    std::optional<std::pair<REFERENCE_TIME, REFERENCE_TIME>> time;
    bool syncPoint = true;
    bool discontinuity = false;
    std::optional<std::pair<int64_t, int64_t>> mediaTime;
};

class PushSource : public CBaseFilter {
public:
    PushSource(const CMediaType& type, int32_t bufferBytes, int32_t buffers = 2);
    ~PushSource() override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;
    CBaseOutputPin* Output();

    // Delivers one sample with these bytes; returns the downstream result.
    HRESULT Push(std::span<const uint8_t> bytes, const PushOptions& options = {});
    HRESULT PushEndOfStream();

private:
    class Pin;
    CCritSec lock_;
    std::unique_ptr<Pin> pin_;
};

struct CapturedSample {
    std::vector<uint8_t> bytes;
    HRESULT timeResult = VFW_E_SAMPLE_TIME_NOT_SET;
    REFERENCE_TIME start = 0, end = 0;
    bool syncPoint = false;
    bool discontinuity = false;
    bool hasMediaTime = false;
    int64_t mediaStart = 0, mediaEnd = 0;
    int32_t bufferSize = 0;
};

class CaptureSink : public CBaseFilter {
public:
    // accept: which types the input takes (default: any with a format block).
    explicit CaptureSink(std::function<bool(const CMediaType&)> accept = {});
    ~CaptureSink() override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;
    CBaseInputPin* Input();

    std::vector<CapturedSample> Samples() const;
    std::vector<uint8_t> AllBytes() const;
    int EndOfStreamCount() const;
    // Samples received before the first end-of-stream.
    size_t SamplesBeforeEndOfStream() const;
    // Waits until `count` end-of-stream calls arrived; false on time-out.
    bool WaitForEndOfStream(int milliseconds, int count = 1) const;
    // Samples received since the last flush began.
    size_t SamplesSinceFlush() const;
    int flushes = 0;

private:
    class Pin;
    friend class Pin;
    CCritSec lock_;
    std::unique_ptr<Pin> pin_;
    mutable std::mutex mutex_;
    mutable std::condition_variable eosCv_;
    std::vector<CapturedSample> samples_;
    int endOfStream_ = 0;
    size_t samplesAtFlush_ = 0;
    size_t samplesAtEos_ = 0;
};

}  // namespace tarnel::test::push
