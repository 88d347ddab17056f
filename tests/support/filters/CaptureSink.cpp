#include "tests/support/filters/CaptureSink.h"

#include <algorithm>
#include <cstring>

namespace tarnel::test::harness {

std::function<bool(const CMediaType&)> AcceptPartial(std::vector<CMediaType> partial) {
    return [partial = std::move(partial)](const CMediaType& type) {
        return std::any_of(partial.begin(), partial.end(),
                           [&](const CMediaType& p) { return type.MatchesPartial(p); });
    };
}

CapturePin::CapturePin(CaptureSink* sink, CCritSec* lock)
    : CBaseInputPin("In", sink, lock, nullptr), sink_(sink) {}

void* CapturePin::QueryInterface(const GUID& iid) {
    if (iid == IStream::IID) return sink_->offerStream ? static_cast<IStream*>(this) : nullptr;
    return CBaseInputPin::QueryInterface(iid);
}

HRESULT CapturePin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    return !sink_->accept || sink_->accept(*type) ? S_OK : S_FALSE;
}

HRESULT CapturePin::GetMediaType(int position, CMediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position >= static_cast<int>(sink_->offer.size())) return VFW_S_NO_MORE_ITEMS;
    *type = sink_->offer[static_cast<size_t>(position)];
    return S_OK;
}

HRESULT CapturePin::Receive(IMediaSample* sample) {
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    CapturedSample got;
    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    got.bytes.assign(data, data + sample->GetActualDataLength());
    got.timeResult = sample->GetTime(&got.start, &got.stop);
    got.mediaTimeResult = sample->GetMediaTime(&got.mediaStart, &got.mediaStop);
    got.syncPoint = sample->IsSyncPoint() == S_OK;
    got.preroll = sample->IsPreroll() == S_OK;
    got.discontinuity = sample->IsDiscontinuity() == S_OK;
    got.streamId = sample->GetStreamId();
    got.bufferSize = sample->GetSize();
    CMediaType attached;
    if (sample->GetMediaType(&attached) == S_OK) got.attachedType = attached;

    std::unique_lock lock(sink_->mutex_);
    if (sink_->holding_) {
        sink_->held_ = true;
        sink_->cv_.notify_all();
        sink_->cv_.wait(lock, [this] { return !sink_->holding_ || sink_->wake_; });
        sink_->held_ = false;
        if (sink_->wake_) return S_FALSE;  // flushed or stopped while held
    }
    if (sink_->onSample) {
        const size_t received = sink_->samples_.size();
        lock.unlock();  // the hook may block
        hr = sink_->onSample(got, received);
        if (hr != S_OK) return hr;
        lock.lock();
    }
    if (sink_->writeAtStartTime && got.timeResult == S_OK) {
        sink_->WriteAt(static_cast<uint64_t>(got.start), got.bytes.data(), got.bytes.size());
    }
    if (sink_->keepSamples) sink_->kept_.push_back(MediaSamplePtr::Share(sample));
    if (!sink_->keepBytes) got.bytes = {};
    sink_->samples_.push_back(std::move(got));
    sink_->cv_.notify_all();
    return S_OK;
}

HRESULT CapturePin::EndOfStream() {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    {
        std::lock_guard lock(sink_->mutex_);
        if (sink_->endOfStreams_++ == 0) sink_->samplesAtEndOfStream_ = sink_->samples_.size();
    }
    sink_->cv_.notify_all();
    if (sink_->completeOnEndOfStream) sink_->NotifyEvent(EC_COMPLETE, S_OK, 0);
    return S_OK;
}

HRESULT CapturePin::BeginFlush() {
    {
        std::lock_guard lock(sink_->mutex_);
        ++sink_->flushes_;
        sink_->samplesAtFlush_ = sink_->samples_.size();
        sink_->wake_ = true;
    }
    sink_->cv_.notify_all();
    return CBaseInputPin::BeginFlush();
}

HRESULT CapturePin::EndFlush() {
    {
        std::lock_guard lock(sink_->mutex_);
        sink_->wake_ = false;
    }
    return CBaseInputPin::EndFlush();
}

HRESULT CapturePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    {
        std::lock_guard lock(sink_->mutex_);
        sink_->segments_.push_back(start);
    }
    return CBaseInputPin::NewSegment(start, stop, rate);
}

HRESULT CapturePin::Active() {
    {
        std::lock_guard lock(sink_->mutex_);
        sink_->wake_ = false;
    }
    return CBaseInputPin::Active();
}

HRESULT CapturePin::Inactive() {
    {
        std::lock_guard lock(sink_->mutex_);
        sink_->wake_ = true;
        sink_->kept_.clear();  // give back every kept sample
    }
    sink_->cv_.notify_all();
    return CBaseInputPin::Inactive();
}

HRESULT CapturePin::Read(void* buffer, uint32_t count, uint32_t* read) {
    std::lock_guard lock(sink_->mutex_);
    const uint64_t size = sink_->file_.size();
    const uint64_t available = sink_->filePosition_ < size ? size - sink_->filePosition_ : 0;
    const auto n = static_cast<uint32_t>(std::min<uint64_t>(count, available));
    if (n) std::memcpy(buffer, sink_->file_.data() + sink_->filePosition_, n);
    sink_->filePosition_ += n;
    if (read) *read = n;
    return n == count ? S_OK : S_FALSE;
}

HRESULT CapturePin::Write(const void* buffer, uint32_t count, uint32_t* written) {
    std::lock_guard lock(sink_->mutex_);
    ++sink_->streamWrites_;
    if (FAILED(sink_->writeResult)) return sink_->writeResult;
    const uint32_t n = sink_->shortWrite ? std::min(count, *sink_->shortWrite) : count;
    sink_->WriteAt(sink_->filePosition_, static_cast<const uint8_t*>(buffer), n);
    sink_->filePosition_ += n;
    if (written) *written = n;
    return S_OK;
}

HRESULT CapturePin::Seek(int64_t move, uint32_t origin, uint64_t* newPosition) {
    std::lock_guard lock(sink_->mutex_);
    if (FAILED(sink_->seekResult)) return sink_->seekResult;
    int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) base = static_cast<int64_t>(sink_->filePosition_);
    if (origin == STREAM_SEEK_END) base = static_cast<int64_t>(sink_->file_.size());
    if (base + move < 0) return E_INVALIDARG;
    sink_->filePosition_ = static_cast<uint64_t>(base + move);
    if (newPosition) *newPosition = sink_->filePosition_;
    return S_OK;
}

CaptureSink::CaptureSink(std::function<bool(const CMediaType&)> acceptTypes)
    : CBaseFilter("Capture Sink", &lock_, GUID_NULL),
      accept(std::move(acceptTypes)),
      pin_(this, &lock_) {}

void CaptureSink::WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) {
    if (file_.size() < offset + count) file_.resize(offset + count);
    if (count) std::memcpy(file_.data() + offset, bytes, count);
}

void CaptureSink::Hold() {
    std::lock_guard lock(mutex_);
    holding_ = true;
    wake_ = false;
}

void CaptureSink::Release() {
    {
        std::lock_guard lock(mutex_);
        holding_ = false;
    }
    cv_.notify_all();
}

std::vector<uint8_t> CaptureSink::Bytes() const {
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> all;
    for (const auto& s : samples_) all.insert(all.end(), s.bytes.begin(), s.bytes.end());
    return all;
}

void CaptureSink::ClearSamples() {
    std::lock_guard lock(mutex_);
    samples_.clear();
    samplesAtFlush_ = samplesAtEndOfStream_ = 0;
}

void CaptureSink::ClearFile() {
    std::lock_guard lock(mutex_);
    file_.clear();
}

}  // namespace tarnel::test::harness
