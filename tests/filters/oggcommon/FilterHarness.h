#pragma once
// A small harness for filter tests: a source that pushes samples of a chosen type, a sink that
// records what arrives (and can lay page samples out as a file does, by their start times), an
// in-memory byte source with IAsyncReader, and a stand-in graph that collects events and runs
// filters without the graph manager.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"
#include "framework/BaseOutputPin.h"
#include "framework/Interfaces.h"
#include "framework/MediaSample.h"

namespace tarnel::test::oggharness {

// ---- push source ----

class PushSourceFilter;

class PushOutputPin : public CBaseOutputPin {
public:
    PushOutputPin(PushSourceFilter* filter, CCritSec* lock, CMediaType type, int32_t buffers,
                  int32_t bufferSize);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    void* QueryInterface(const GUID& iid) override;
    IMediaSeeking* seeking = nullptr;  // answered for IMediaSeeking when set

private:
    CMediaType type_;
    int32_t buffers_;
    int32_t bufferSize_;
};

class PushSourceFilter : public CBaseFilter {
public:
    explicit PushSourceFilter(CMediaType type, int32_t buffers = 4, int32_t bufferSize = 65536);
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin_.get() : nullptr; }
    PushOutputPin* Pin() { return pin_.get(); }

    struct Packet {
        std::vector<uint8_t> bytes;
        std::optional<REFERENCE_TIME> start;
        std::optional<REFERENCE_TIME> stop;
        bool syncPoint = true;
        bool discontinuity = false;
        uint32_t streamId = AM_STREAM_MEDIA;
    };
    // Delivers one sample; returns the downstream result.
    HRESULT Push(const Packet& packet);
    HRESULT Push(std::span<const uint8_t> bytes, REFERENCE_TIME start, REFERENCE_TIME stop);
    HRESULT PushEndOfStream() { return pin_->DeliverEndOfStream(); }

private:
    CCritSec lock_;
    std::unique_ptr<PushOutputPin> pin_;
};

// ---- capture sink ----

struct CapturedSample {
    std::vector<uint8_t> bytes;
    HRESULT timeResult = VFW_E_SAMPLE_TIME_NOT_SET;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    HRESULT mediaTimeResult = VFW_E_MEDIA_TIME_NOT_SET;
    int64_t mediaStart = 0;
    int64_t mediaStop = 0;
    bool syncPoint = false;
    bool discontinuity = false;
};

class CaptureSinkFilter;

class CaptureInputPin : public CBaseInputPin {
public:
    CaptureInputPin(CaptureSinkFilter* filter, CCritSec* lock);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT Active() override;
    HRESULT Inactive() override;

private:
    CaptureSinkFilter* sink_;
};

class CaptureSinkFilter : public CBaseFilter {
public:
    // accepts: which types the sink takes (all when empty).
    explicit CaptureSinkFilter(std::function<bool(const CMediaType&)> accepts = {});
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin_.get() : nullptr; }
    CaptureInputPin* Pin() { return pin_.get(); }

    // Write every sample at its start time as a byte offset, as a file writer does.
    bool writeAtStartTime = false;
    // Called for every sample before it is recorded (on the delivering thread); may block.
    std::function<HRESULT(const CapturedSample&)> onSample;

    std::vector<CapturedSample> Samples() const;
    std::vector<uint8_t> File() const;
    int EndOfStreamCount() const;
    int BeginFlushCount() const;
    std::vector<REFERENCE_TIME> SegmentStarts() const;
    // Waits until end of stream arrived (true) or the time-out passed.
    bool WaitForEndOfStream(int milliseconds);
    // Waits until at least count samples arrived.
    bool WaitForSamples(size_t count, int milliseconds);
    void ClearRecorded();
    // Holding: Receive blocks before recording until Release() or a stop.
    void Hold();
    void Release();
    // Waits until a sample is being held; false on time-out.
    bool WaitHeld(int milliseconds);

private:
    friend class CaptureInputPin;
    std::function<bool(const CMediaType&)> accepts_;
    CCritSec lock_;
    std::unique_ptr<CaptureInputPin> pin_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<CapturedSample> samples_;
    std::vector<uint8_t> file_;
    int eos_ = 0;
    int flushes_ = 0;
    std::vector<REFERENCE_TIME> segments_;
    bool holding_ = false;
    bool held_ = false;
    bool inactive_ = true;  // stopped: a held Receive returns
};

// ---- in-memory byte source (IAsyncReader) ----

class MemoryReaderFilter;

class MemoryReaderPin : public CBasePin, public IAsyncReader {
public:
    MemoryReaderPin(MemoryReaderFilter* filter, CCritSec* lock);
    void* QueryInterface(const GUID& iid) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }
    HRESULT SyncRead(int64_t position, int32_t length, uint8_t* buffer) override;
    HRESULT Length(int64_t* total, int64_t* available) override;

private:
    MemoryReaderFilter* reader_;
};

class MemoryReaderFilter : public CBaseFilter {
public:
    explicit MemoryReaderFilter(std::vector<uint8_t> bytes);
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin_.get() : nullptr; }
    MemoryReaderPin* Pin() { return pin_.get(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::atomic<int64_t> bytesRead{0};

private:
    CCritSec lock_;
    std::vector<uint8_t> bytes_;
    std::unique_ptr<MemoryReaderPin> pin_;
};

// ---- stand-in graph ----

class EventGraph : public IFilterGraph, public IMediaEventSink {
public:
    void* QueryInterface(const GUID& iid) override;
    HRESULT AddFilter(std::shared_ptr<IBaseFilter> filter, std::string_view name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override { return E_NOTIMPL; }
    HRESULT EnumFilters(std::vector<IBaseFilter*>* filters) override;
    HRESULT FindFilterByName(std::string_view name, IBaseFilter** filter) override {
        return E_NOTIMPL;
    }
    HRESULT ConnectDirect(IPin* output, IPin* input, const CMediaType* type) override;
    HRESULT Reconnect(IPin* pin) override { return E_NOTIMPL; }
    HRESULT Disconnect(IPin* pin) override { return pin ? pin->Disconnect() : E_POINTER; }
    HRESULT SetDefaultSyncSource() override { return S_OK; }
    HRESULT Notify(int32_t eventCode, intptr_t param1, intptr_t param2) override;

    // Filters in the order given (downstream first): pause / run / stop them in that order.
    HRESULT PauseAll();
    HRESULT RunAll();
    HRESULT StopAll();
    ~EventGraph() override;

    struct Event {
        int32_t code;
        intptr_t param1;
    };
    std::vector<Event> Events() const;

private:
    std::vector<std::shared_ptr<IBaseFilter>> filters_;
    mutable std::mutex mutex_;
    std::vector<Event> events_;
};

// Connects output to input directly; gtest failure text on error.
HRESULT ConnectPins(IPin* output, IPin* input);

}  // namespace tarnel::test::oggharness
