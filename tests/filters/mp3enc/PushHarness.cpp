#include "tests/filters/mp3enc/PushHarness.h"

#include <cstring>

#include "framework/MediaSample.h"

namespace tarnel::test::push {

// ---- graph stand-in ----

void* EventRecorderGraph::QueryInterface(const GUID& iid) {
    if (iid == IFilterGraph::IID || iid == IUnknown::IID) return static_cast<IFilterGraph*>(this);
    if (iid == IMediaEventSink::IID) return static_cast<IMediaEventSink*>(this);
    return nullptr;
}

HRESULT EventRecorderGraph::Reconnect(IPin*) {
    ++reconnects;
    return S_OK;
}

HRESULT EventRecorderGraph::Disconnect(IPin*) {
    ++disconnects;
    return S_OK;
}

HRESULT EventRecorderGraph::Notify(int32_t code, intptr_t param1, intptr_t) {
    std::lock_guard lock(mutex_);
    events_.push_back({code, param1});
    return S_OK;
}

std::vector<RecordedEvent> EventRecorderGraph::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

// ---- source ----

class PushSource::Pin : public CBaseOutputPin {
public:
    Pin(PushSource* filter, const CMediaType& type, int32_t bytes, int32_t buffers)
        : CBaseOutputPin("Out", filter, &filter->lock_, nullptr),
          type_(type),
          bytes_(bytes),
          buffers_(buffers) {}
    HRESULT CheckMediaType(const CMediaType* type) override {
        return type && *type == type_ ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *type = type_;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        ALLOCATOR_PROPERTIES request;
        request.cBuffers = buffers_;
        request.cbBuffer = bytes_;
        request.cbAlign = 1;
        ALLOCATOR_PROPERTIES actual;
        return alloc->SetProperties(&request, &actual);
    }

private:
    CMediaType type_;
    int32_t bytes_, buffers_;
};

PushSource::PushSource(const CMediaType& type, int32_t bufferBytes, int32_t buffers)
    : CBaseFilter("Push Source", &lock_, GUID_NULL),
      pin_(std::make_unique<Pin>(this, type, bufferBytes, buffers)) {}

PushSource::~PushSource() {
    (void)CBaseFilter::Stop();
}

CBasePin* PushSource::GetPin(int index) {
    return index == 0 ? pin_.get() : nullptr;
}
CBaseOutputPin* PushSource::Output() {
    return pin_.get();
}

HRESULT PushSource::Push(std::span<const uint8_t> bytes, const PushOptions& options) {
    MediaSamplePtr sample;
    HRESULT hr = pin_->GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    if (static_cast<size_t>(sample->GetSize()) < bytes.size()) return E_INVALIDARG;
    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    sample->SetActualDataLength(static_cast<int32_t>(bytes.size()));
    if (options.time) sample->SetTime(&options.time->first, &options.time->second);
    if (options.mediaTime)
        sample->SetMediaTime(&options.mediaTime->first, &options.mediaTime->second);
    sample->SetSyncPoint(options.syncPoint);
    sample->SetDiscontinuity(options.discontinuity);
    return pin_->Deliver(sample.get());
}

HRESULT PushSource::PushEndOfStream() {
    return pin_->DeliverEndOfStream();
}

// ---- sink ----

class CaptureSink::Pin : public CBaseInputPin {
public:
    Pin(CaptureSink* filter, std::function<bool(const CMediaType&)> accept)
        : CBaseInputPin("In", filter, &filter->lock_, nullptr),
          sink_(filter),
          accept_(std::move(accept)) {}
    HRESULT CheckMediaType(const CMediaType* type) override {
        if (!type) return E_POINTER;
        if (accept_) return accept_(*type) ? S_OK : S_FALSE;
        return type->FormatLength() > 0 ? S_OK : S_FALSE;
    }
    HRESULT Receive(IMediaSample* sample) override {
        HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK) return hr;
        CapturedSample c;
        uint8_t* data = nullptr;
        sample->GetPointer(&data);
        const int32_t n = sample->GetActualDataLength();
        c.bytes.assign(data, data + n);
        c.timeResult = sample->GetTime(&c.start, &c.end);
        c.syncPoint = sample->IsSyncPoint() == S_OK;
        c.discontinuity = sample->IsDiscontinuity() == S_OK;
        c.hasMediaTime = sample->GetMediaTime(&c.mediaStart, &c.mediaEnd) == S_OK;
        c.bufferSize = sample->GetSize();
        std::lock_guard lock(sink_->mutex_);
        sink_->samples_.push_back(std::move(c));
        return S_OK;
    }
    HRESULT EndOfStream() override {
        {
            std::lock_guard lock(sink_->mutex_);
            if (sink_->endOfStream_++ == 0) sink_->samplesAtEos_ = sink_->samples_.size();
        }
        sink_->eosCv_.notify_all();
        return S_OK;
    }
    HRESULT BeginFlush() override {
        std::lock_guard lock(sink_->mutex_);
        ++sink_->flushes;
        sink_->samplesAtFlush_ = sink_->samples_.size();
        return CBaseInputPin::BeginFlush();
    }

private:
    CaptureSink* sink_;
    std::function<bool(const CMediaType&)> accept_;
};

CaptureSink::CaptureSink(std::function<bool(const CMediaType&)> accept)
    : CBaseFilter("Capture Sink", &lock_, GUID_NULL),
      pin_(std::make_unique<Pin>(this, std::move(accept))) {}

CaptureSink::~CaptureSink() {
    (void)CBaseFilter::Stop();
}

CBasePin* CaptureSink::GetPin(int index) {
    return index == 0 ? pin_.get() : nullptr;
}
CBaseInputPin* CaptureSink::Input() {
    return pin_.get();
}

std::vector<CapturedSample> CaptureSink::Samples() const {
    std::lock_guard lock(mutex_);
    return samples_;
}

std::vector<uint8_t> CaptureSink::AllBytes() const {
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> all;
    for (const auto& s : samples_) all.insert(all.end(), s.bytes.begin(), s.bytes.end());
    return all;
}

int CaptureSink::EndOfStreamCount() const {
    std::lock_guard lock(mutex_);
    return endOfStream_;
}

bool CaptureSink::WaitForEndOfStream(int milliseconds, int count) const {
    std::unique_lock lock(mutex_);
    return eosCv_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this, count] { return endOfStream_ >= count; });
}

size_t CaptureSink::SamplesSinceFlush() const {
    std::lock_guard lock(mutex_);
    return samples_.size() - samplesAtFlush_;
}

size_t CaptureSink::SamplesBeforeEndOfStream() const {
    std::lock_guard lock(mutex_);
    return samplesAtEos_;
}

}  // namespace tarnel::test::push
