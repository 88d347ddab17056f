#include "tests/filters/oggcommon/FilterHarness.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace tarnel::test::oggharness {

// ---- push source ----

PushOutputPin::PushOutputPin(PushSourceFilter* filter, CCritSec* lock, CMediaType type,
                             int32_t buffers, int32_t bufferSize)
    : CBaseOutputPin("Out", filter, lock, nullptr),
      type_(std::move(type)),
      buffers_(buffers),
      bufferSize_(bufferSize) {}

HRESULT PushOutputPin::CheckMediaType(const CMediaType* type) {
    return *type == type_ ? S_OK : S_FALSE;
}

HRESULT PushOutputPin::GetMediaType(int position, CMediaType* type) {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    *type = type_;
    return S_OK;
}

HRESULT PushOutputPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    ALLOCATOR_PROPERTIES request;
    request.cBuffers = std::max(buffers_, props->cBuffers);
    request.cbBuffer = std::max(bufferSize_, props->cbBuffer);
    request.cbAlign = 1;
    ALLOCATOR_PROPERTIES actual;
    return alloc->SetProperties(&request, &actual);
}

void* PushOutputPin::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID && seeking) return seeking;
    return CBaseOutputPin::QueryInterface(iid);
}

PushSourceFilter::PushSourceFilter(CMediaType type, int32_t buffers, int32_t bufferSize)
    : CBaseFilter("Push Source", &lock_, GUID_NULL),
      pin_(std::make_unique<PushOutputPin>(this, &lock_, std::move(type), buffers, bufferSize)) {}

HRESULT PushSourceFilter::Push(const Packet& packet) {
    MediaSamplePtr sample;
    HRESULT hr = pin_->GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    if (sample->GetSize() < static_cast<int32_t>(packet.bytes.size())) return E_FAIL;
    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    if (!packet.bytes.empty()) std::memcpy(data, packet.bytes.data(), packet.bytes.size());
    sample->SetActualDataLength(static_cast<int32_t>(packet.bytes.size()));
    if (packet.start) {
        REFERENCE_TIME start = *packet.start;
        if (packet.stop) {
            REFERENCE_TIME stop = *packet.stop;
            sample->SetTime(&start, &stop);
        } else {
            sample->SetTime(&start, nullptr);
        }
    } else {
        sample->SetTime(nullptr, nullptr);
    }
    sample->SetSyncPoint(packet.syncPoint);
    sample->SetDiscontinuity(packet.discontinuity);
    sample->SetStreamId(packet.streamId);
    return pin_->Deliver(sample.get());
}

HRESULT PushSourceFilter::Push(std::span<const uint8_t> bytes, REFERENCE_TIME start,
                               REFERENCE_TIME stop) {
    Packet packet;
    packet.bytes.assign(bytes.begin(), bytes.end());
    packet.start = start;
    packet.stop = stop;
    return Push(packet);
}

// ---- capture sink ----

CaptureInputPin::CaptureInputPin(CaptureSinkFilter* filter, CCritSec* lock)
    : CBaseInputPin("In", filter, lock, nullptr), sink_(filter) {}

HRESULT CaptureInputPin::CheckMediaType(const CMediaType* type) {
    if (!sink_->accepts_) return S_OK;
    return sink_->accepts_(*type) ? S_OK : S_FALSE;
}

HRESULT CaptureInputPin::Receive(IMediaSample* sample) {
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    CapturedSample captured;
    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    int32_t length = sample->GetActualDataLength();
    captured.bytes.assign(data, data + length);
    captured.timeResult = sample->GetTime(&captured.start, &captured.stop);
    captured.mediaTimeResult = sample->GetMediaTime(&captured.mediaStart, &captured.mediaStop);
    captured.syncPoint = sample->IsSyncPoint() == S_OK;
    captured.discontinuity = sample->IsDiscontinuity() == S_OK;
    if (sink_->onSample) {
        hr = sink_->onSample(captured);
        if (hr != S_OK) return hr;
    }
    std::unique_lock lock(sink_->mutex_);
    if (sink_->holding_) {
        sink_->held_ = true;
        sink_->cv_.notify_all();
        sink_->cv_.wait(lock, [this] { return !sink_->holding_ || sink_->inactive_; });
        sink_->held_ = false;
    }
    if (sink_->writeAtStartTime && SUCCEEDED(captured.timeResult)) {
        size_t at = static_cast<size_t>(captured.start);
        if (sink_->file_.size() < at + captured.bytes.size())
            sink_->file_.resize(at + captured.bytes.size());
        std::copy(captured.bytes.begin(), captured.bytes.end(), sink_->file_.begin() + at);
    }
    sink_->samples_.push_back(std::move(captured));
    sink_->cv_.notify_all();
    return S_OK;
}

HRESULT CaptureInputPin::EndOfStream() {
    {
        std::lock_guard lock(sink_->mutex_);
        ++sink_->eos_;
    }
    sink_->cv_.notify_all();
    sink_->NotifyEvent(EC_COMPLETE, S_OK, 0);
    return S_OK;
}

HRESULT CaptureInputPin::BeginFlush() {
    {
        std::lock_guard lock(sink_->mutex_);
        ++sink_->flushes_;
    }
    return CBaseInputPin::BeginFlush();
}

HRESULT CaptureInputPin::EndFlush() {
    return CBaseInputPin::EndFlush();
}

HRESULT CaptureInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    std::lock_guard lock(sink_->mutex_);
    sink_->segments_.push_back(start);
    return CBasePin::NewSegment(start, stop, rate);
}

HRESULT CaptureInputPin::Active() {
    {
        std::lock_guard lock(sink_->mutex_);
        sink_->inactive_ = false;
    }
    return CBaseInputPin::Active();
}

HRESULT CaptureInputPin::Inactive() {
    {
        std::lock_guard lock(sink_->mutex_);
        sink_->inactive_ = true;
    }
    sink_->cv_.notify_all();  // a held Receive returns
    return CBaseInputPin::Inactive();
}

CaptureSinkFilter::CaptureSinkFilter(std::function<bool(const CMediaType&)> accepts)
    : CBaseFilter("Capture Sink", &lock_, GUID_NULL),
      accepts_(std::move(accepts)),
      pin_(std::make_unique<CaptureInputPin>(this, &lock_)) {}

std::vector<CapturedSample> CaptureSinkFilter::Samples() const {
    std::lock_guard lock(mutex_);
    return samples_;
}
std::vector<uint8_t> CaptureSinkFilter::File() const {
    std::lock_guard lock(mutex_);
    return file_;
}
int CaptureSinkFilter::EndOfStreamCount() const {
    std::lock_guard lock(mutex_);
    return eos_;
}
int CaptureSinkFilter::BeginFlushCount() const {
    std::lock_guard lock(mutex_);
    return flushes_;
}
std::vector<REFERENCE_TIME> CaptureSinkFilter::SegmentStarts() const {
    std::lock_guard lock(mutex_);
    return segments_;
}
bool CaptureSinkFilter::WaitForEndOfStream(int milliseconds) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return eos_ > 0; });
}
bool CaptureSinkFilter::WaitForSamples(size_t count, int milliseconds) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                        [&] { return samples_.size() >= count; });
}
void CaptureSinkFilter::Hold() {
    std::lock_guard lock(mutex_);
    holding_ = true;
}
void CaptureSinkFilter::Release() {
    {
        std::lock_guard lock(mutex_);
        holding_ = false;
    }
    cv_.notify_all();
}
bool CaptureSinkFilter::WaitHeld(int milliseconds) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return held_; });
}
void CaptureSinkFilter::ClearRecorded() {
    std::lock_guard lock(mutex_);
    samples_.clear();
    eos_ = 0;
    segments_.clear();
}

// ---- memory reader ----

MemoryReaderPin::MemoryReaderPin(MemoryReaderFilter* filter, CCritSec* lock)
    : CBasePin("Output", filter, lock, nullptr, PINDIR_OUTPUT), reader_(filter) {}

void* MemoryReaderPin::QueryInterface(const GUID& iid) {
    if (iid == IAsyncReader::IID) return static_cast<IAsyncReader*>(this);
    return CBasePin::QueryInterface(iid);
}

HRESULT MemoryReaderPin::CheckMediaType(const CMediaType* type) {
    return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
}

HRESULT MemoryReaderPin::GetMediaType(int position, CMediaType* type) {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_OggStream, GUID_NULL);
    return S_OK;
}

HRESULT MemoryReaderPin::SyncRead(int64_t position, int32_t length, uint8_t* buffer) {
    const auto& bytes = reader_->Bytes();
    if (position < 0 || length < 0) return E_INVALIDARG;
    int64_t size = static_cast<int64_t>(bytes.size());
    int64_t available = std::max<int64_t>(0, std::min<int64_t>(length, size - position));
    if (available > 0) std::memcpy(buffer, bytes.data() + position, static_cast<size_t>(available));
    reader_->bytesRead += available;
    return available == length ? S_OK : S_FALSE;
}

HRESULT MemoryReaderPin::Length(int64_t* total, int64_t* available) {
    int64_t size = static_cast<int64_t>(reader_->Bytes().size());
    if (total) *total = size;
    if (available) *available = size;
    return S_OK;
}

MemoryReaderFilter::MemoryReaderFilter(std::vector<uint8_t> bytes)
    : CBaseFilter("Memory Reader", &lock_, GUID_NULL),
      bytes_(std::move(bytes)),
      pin_(std::make_unique<MemoryReaderPin>(this, &lock_)) {}

// ---- graph ----

void* EventGraph::QueryInterface(const GUID& iid) {
    if (iid == IFilterGraph::IID) return static_cast<IFilterGraph*>(this);
    if (iid == IMediaEventSink::IID) return static_cast<IMediaEventSink*>(this);
    return nullptr;
}

HRESULT EventGraph::AddFilter(std::shared_ptr<IBaseFilter> filter, std::string_view name) {
    filter->JoinFilterGraph(this, name);
    filters_.push_back(std::move(filter));
    return S_OK;
}

HRESULT EventGraph::EnumFilters(std::vector<IBaseFilter*>* filters) {
    filters->clear();
    for (auto& f : filters_) filters->push_back(f.get());
    return S_OK;
}

HRESULT EventGraph::ConnectDirect(IPin* output, IPin* input, const CMediaType* type) {
    return output->Connect(input, type);
}

HRESULT EventGraph::Notify(int32_t eventCode, intptr_t param1, intptr_t param2) {
    std::lock_guard lock(mutex_);
    events_.push_back({eventCode, param1});
    return S_OK;
}

HRESULT EventGraph::PauseAll() {
    for (auto& f : filters_) {
        HRESULT hr = f->Pause();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT EventGraph::RunAll() {
    for (auto& f : filters_) {
        HRESULT hr = f->Run(0);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT EventGraph::StopAll() {
    HRESULT result = S_OK;
    for (auto& f : filters_) {
        HRESULT hr = f->Stop();
        if (FAILED(hr)) result = hr;
    }
    return result;
}

EventGraph::~EventGraph() {
    StopAll();
    // One connection at a time, enumerating afresh: a filter may drop pins when its input is
    // disconnected (a splitter's outputs).
    for (bool disconnected = true; disconnected;) {
        disconnected = false;
        for (auto& f : filters_) {
            std::vector<IPin*> pins;
            f->EnumPins(&pins);
            for (IPin* pin : pins) {
                IPin* other = nullptr;
                if (pin->ConnectedTo(&other) != S_OK) continue;
                pin->Disconnect();
                if (other) other->Disconnect();
                disconnected = true;
                break;
            }
            if (disconnected) break;
        }
    }
    for (auto& f : filters_) f->JoinFilterGraph(nullptr, "");
}

std::vector<EventGraph::Event> EventGraph::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

HRESULT ConnectPins(IPin* output, IPin* input) {
    return output->Connect(input, nullptr);
}

}  // namespace tarnel::test::oggharness
