#pragma once
// A small harness for testing one filter at a time: a source filter whose output pin pushes
// samples on the caller's thread, a sink filter whose input pin records what arrives (and can
// act as a File Writer: it offers IStream and writes every sample at the byte offset given by
// its start time), and a minimal graph that records events and performs reconnections.
//
// Typical use: connect source -> filter -> sink, Pause (sinks first), Push samples, Stop,
// then inspect sink.samples / sink.file.

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"
#include "framework/BaseOutputPin.h"
#include "framework/MediaSample.h"

namespace tarnel::test::pins {

struct SampleProps {
    std::optional<REFERENCE_TIME> start;
    std::optional<REFERENCE_TIME> stop;  // only used with start
    std::optional<std::pair<int64_t, int64_t>> mediaTimes;
    bool syncPoint = true;
    bool preroll = false;
    bool discontinuity = false;
    std::optional<CMediaType> attachedType;
};

class TestSourcePin : public CBaseOutputPin {
public:
    TestSourcePin(CBaseFilter* filter, CCritSec* lock, std::vector<CMediaType> types,
                  int32_t bufferSize, int32_t buffers)
        : CBaseOutputPin("Source Out", filter, lock, &hr_),
          types_(std::move(types)),
          bufferSize_(bufferSize),
          buffers_(buffers) {}

    HRESULT CheckMediaType(const CMediaType* type) override {
        if (!type) return E_POINTER;
        return std::find(types_.begin(), types_.end(), *type) != types_.end() ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (position >= static_cast<int>(types_.size())) return VFW_S_NO_MORE_ITEMS;
        *type = types_[position];
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        ALLOCATOR_PROPERTIES request = *props;
        request.cBuffers = std::max(request.cBuffers, buffers_);
        request.cbBuffer = std::max(request.cbBuffer, bufferSize_);
        request.cbAlign = std::max(request.cbAlign, 1);
        ALLOCATOR_PROPERTIES actual;
        return alloc->SetProperties(&request, &actual);
    }
    void AddType(const CMediaType& type) { types_.push_back(type); }

private:
    HRESULT hr_ = S_OK;
    std::vector<CMediaType> types_;
    int32_t bufferSize_;
    int32_t buffers_;
};

class TestSource : public CBaseFilter {
public:
    explicit TestSource(std::vector<CMediaType> types, int32_t bufferSize = 1 << 16,
                        int32_t buffers = 2)
        : CBaseFilter("Test Source", &lock_, GUID_NULL),
          pin_(this, &lock_, std::move(types), bufferSize, buffers) {}

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }
    TestSourcePin* Pin() { return &pin_; }

    // Fills one buffer and delivers it; returns the downstream result.
    HRESULT Push(std::span<const uint8_t> bytes, const SampleProps& props = {}) {
        MediaSamplePtr sample;
        HRESULT hr = pin_.GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, 0);
        if (FAILED(hr)) return hr;
        if (static_cast<int64_t>(bytes.size()) > sample->GetSize()) return VFW_E_BUFFER_OVERFLOW;
        uint8_t* data = nullptr;
        sample->GetPointer(&data);
        if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
        sample->SetActualDataLength(static_cast<int32_t>(bytes.size()));
        if (props.start) {
            REFERENCE_TIME start = *props.start;
            REFERENCE_TIME stop = props.stop.value_or(start);
            sample->SetTime(&start, props.stop ? &stop : nullptr);
        }
        if (props.mediaTimes) {
            sample->SetMediaTime(&props.mediaTimes->first, &props.mediaTimes->second);
        }
        sample->SetSyncPoint(props.syncPoint);
        sample->SetPreroll(props.preroll);
        sample->SetDiscontinuity(props.discontinuity);
        if (props.attachedType) sample->SetMediaType(&*props.attachedType);
        return pin_.Deliver(sample.get());
    }
    HRESULT PushEndOfStream() { return pin_.DeliverEndOfStream(); }

private:
    CCritSec lock_;
    TestSourcePin pin_;
};

struct ReceivedSample {
    std::vector<uint8_t> data;
    HRESULT timeResult = VFW_E_SAMPLE_TIME_NOT_SET;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    HRESULT mediaTimeResult = VFW_E_MEDIA_TIME_NOT_SET;
    int64_t mediaStart = 0;
    int64_t mediaStop = 0;
    bool syncPoint = false;
    bool preroll = false;
    bool discontinuity = false;
    std::optional<CMediaType> attachedType;
};

class TestSink;

// Input pin that records samples; optionally a File Writer stand-in with IStream.
class TestSinkPin : public CBaseInputPin, public IStream {
public:
    TestSinkPin(TestSink* owner, CBaseFilter* filter, CCritSec* lock)
        : CBaseInputPin("Sink In", filter, lock, &hr_), owner_(owner) {}

    void* QueryInterface(const GUID& iid) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

    // IStream over the sink's file bytes.
    HRESULT Read(void* buffer, uint32_t count, uint32_t* read) override;
    HRESULT Write(const void* buffer, uint32_t count, uint32_t* written) override;
    HRESULT Seek(int64_t move, uint32_t origin, uint64_t* newPosition) override;

private:
    HRESULT hr_ = S_OK;
    TestSink* owner_;
};

class TestSink : public CBaseFilter {
public:
    TestSink() : CBaseFilter("Test Sink", &lock_, GUID_NULL), pin_(this, this, &lock_) {}

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }
    TestSinkPin* Pin() { return &pin_; }

    // Configuration (set before streaming).
    std::function<bool(const CMediaType&)> accept = [](const CMediaType&) { return true; };
    std::vector<CMediaType> preferredTypes;  // what the pin enumerates
    bool offerStream = false;                // answer IStream, like the File Writer
    bool writeAtOffsets = false;             // place samples in `file` at their start time
    // Result of Receive; called with the number of samples received so far.
    std::function<HRESULT(size_t)> receiveResult = [](size_t) { return S_OK; };
    HRESULT seekResult = S_OK;
    HRESULT writeResult = S_OK;
    std::optional<uint32_t> shortWrite;  // report fewer bytes written than asked

    // What arrived; guarded by dataLock.
    std::mutex dataLock;
    std::vector<ReceivedSample> samples;
    std::vector<uint8_t> file;
    uint64_t filePosition = 0;
    int endOfStreams = 0;
    int streamWrites = 0;

    std::vector<uint8_t> AllData() {
        std::lock_guard lock(dataLock);
        std::vector<uint8_t> all;
        for (const auto& s : samples) all.insert(all.end(), s.data.begin(), s.data.end());
        return all;
    }
    void WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) {
        if (file.size() < offset + count) file.resize(offset + count);
        std::memcpy(file.data() + offset, bytes, count);
    }

private:
    CCritSec lock_;
    TestSinkPin pin_;
};

inline void* TestSinkPin::QueryInterface(const GUID& iid) {
    if (iid == IStream::IID) return owner_->offerStream ? static_cast<IStream*>(this) : nullptr;
    return CBaseInputPin::QueryInterface(iid);
}

inline HRESULT TestSinkPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    return owner_->accept(*type) ? S_OK : S_FALSE;
}

inline HRESULT TestSinkPin::GetMediaType(int position, CMediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position >= static_cast<int>(owner_->preferredTypes.size())) return VFW_S_NO_MORE_ITEMS;
    *type = owner_->preferredTypes[position];
    return S_OK;
}

inline HRESULT TestSinkPin::Receive(IMediaSample* sample) {
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    ReceivedSample got;
    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    got.data.assign(data, data + sample->GetActualDataLength());
    got.timeResult = sample->GetTime(&got.start, &got.stop);
    got.mediaTimeResult = sample->GetMediaTime(&got.mediaStart, &got.mediaStop);
    got.syncPoint = sample->IsSyncPoint() == S_OK;
    got.preroll = sample->IsPreroll() == S_OK;
    got.discontinuity = sample->IsDiscontinuity() == S_OK;
    CMediaType attached;
    if (sample->GetMediaType(&attached) == S_OK) got.attachedType = attached;
    std::lock_guard lock(owner_->dataLock);
    const HRESULT result = owner_->receiveResult(owner_->samples.size());
    if (result == S_OK && owner_->writeAtOffsets && got.timeResult == S_OK) {
        owner_->WriteAt(static_cast<uint64_t>(got.start), got.data.data(), got.data.size());
    }
    if (result == S_OK) owner_->samples.push_back(std::move(got));
    return result;
}

inline HRESULT TestSinkPin::EndOfStream() {
    std::lock_guard lock(owner_->dataLock);
    ++owner_->endOfStreams;
    return S_OK;
}

inline HRESULT TestSinkPin::Read(void* buffer, uint32_t count, uint32_t* read) {
    std::lock_guard lock(owner_->dataLock);
    const uint64_t available =
        owner_->filePosition < owner_->file.size() ? owner_->file.size() - owner_->filePosition : 0;
    const auto n = static_cast<uint32_t>(std::min<uint64_t>(count, available));
    if (n) std::memcpy(buffer, owner_->file.data() + owner_->filePosition, n);
    owner_->filePosition += n;
    if (read) *read = n;
    return n == count ? S_OK : S_FALSE;
}

inline HRESULT TestSinkPin::Write(const void* buffer, uint32_t count, uint32_t* written) {
    std::lock_guard lock(owner_->dataLock);
    ++owner_->streamWrites;
    if (FAILED(owner_->writeResult)) return owner_->writeResult;
    const uint32_t n = owner_->shortWrite ? std::min(count, *owner_->shortWrite) : count;
    owner_->WriteAt(owner_->filePosition, static_cast<const uint8_t*>(buffer), n);
    owner_->filePosition += n;
    if (written) *written = n;
    return S_OK;
}

inline HRESULT TestSinkPin::Seek(int64_t move, uint32_t origin, uint64_t* newPosition) {
    std::lock_guard lock(owner_->dataLock);
    if (FAILED(owner_->seekResult)) return owner_->seekResult;
    int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) base = static_cast<int64_t>(owner_->filePosition);
    if (origin == STREAM_SEEK_END) base = static_cast<int64_t>(owner_->file.size());
    if (base + move < 0) return E_INVALIDARG;
    owner_->filePosition = static_cast<uint64_t>(base + move);
    if (newPosition) *newPosition = owner_->filePosition;
    return S_OK;
}

// A graph just big enough for single-filter tests: filters join it to report events, and
// Reconnect breaks a connection and lets the output pin agree a type again.
class TestGraph : public IFilterGraph, public IMediaEventSink {
public:
    struct Event {
        int32_t code;
        intptr_t param1;
        intptr_t param2;
    };

    void* QueryInterface(const GUID& iid) override {
        if (iid == IFilterGraph::IID) return static_cast<IFilterGraph*>(this);
        if (iid == IMediaEventSink::IID) return static_cast<IMediaEventSink*>(this);
        if (iid == IUnknown::IID) return static_cast<IUnknown*>(static_cast<IFilterGraph*>(this));
        return nullptr;
    }
    HRESULT Notify(int32_t code, intptr_t param1, intptr_t param2) override {
        std::lock_guard lock(mutex_);
        events.push_back({code, param1, param2});
        return S_OK;
    }
    HRESULT AddFilter(std::shared_ptr<IBaseFilter> filter, std::string_view name) override {
        return E_NOTIMPL;
    }
    HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT EnumFilters(std::vector<IBaseFilter*>*) override { return E_NOTIMPL; }
    HRESULT FindFilterByName(std::string_view, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin* output, IPin* input, const CMediaType* type) override {
        return output->Connect(input, type);
    }
    HRESULT Reconnect(IPin* pin) override {
        ++reconnects;
        if (reconnectResult) return *reconnectResult;
        IPin* other = nullptr;
        if (FAILED(pin->ConnectedTo(&other)) || !other) return VFW_E_NOT_CONNECTED;
        PIN_DIRECTION direction;
        pin->QueryDirection(&direction);
        IPin* output = direction == PINDIR_OUTPUT ? pin : other;
        IPin* input = direction == PINDIR_OUTPUT ? other : pin;
        output->Disconnect();
        input->Disconnect();
        return output->Connect(input, nullptr);
    }
    HRESULT Disconnect(IPin* pin) override { return pin->Disconnect(); }
    HRESULT SetDefaultSyncSource() override { return S_OK; }

    std::vector<Event> Events() {
        std::lock_guard lock(mutex_);
        return events;
    }
    bool HasEvent(int32_t code) {
        auto all = Events();
        return std::any_of(all.begin(), all.end(),
                           [code](const Event& e) { return e.code == code; });
    }

    int reconnects = 0;
    std::optional<HRESULT> reconnectResult;  // fail every reconnection with this

private:
    std::mutex mutex_;
    std::vector<Event> events;
};

// Puts a chain into the paused state (sinks first) and stops it (sinks first), as a graph does.
inline HRESULT PauseChain(std::initializer_list<IBaseFilter*> sinkFirst) {
    for (IBaseFilter* f : sinkFirst) {
        HRESULT hr = f->Pause();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}
inline HRESULT StopChain(std::initializer_list<IBaseFilter*> sinkFirst) {
    HRESULT result = S_OK;
    for (IBaseFilter* f : sinkFirst) {
        HRESULT hr = f->Stop();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

}  // namespace tarnel::test::pins
