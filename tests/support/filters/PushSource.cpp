#include "tests/support/filters/PushSource.h"

#include <algorithm>
#include <cstring>

#include "framework/MediaSample.h"

namespace tarnel::test::harness {

PushPin::PushPin(PushSource* filter, CCritSec* lock)
    : CBaseOutputPin("Out", filter, lock, nullptr), source_(filter) {}

void* PushPin::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID && source_->seeking) return source_->seeking;
    return CBaseOutputPin::QueryInterface(iid);
}

HRESULT PushPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    const auto& types = source_->types_;
    return std::find(types.begin(), types.end(), *type) != types.end() ? S_OK : S_FALSE;
}

HRESULT PushPin::GetMediaType(int position, CMediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position >= static_cast<int>(source_->types_.size())) return VFW_S_NO_MORE_ITEMS;
    *type = source_->types_[static_cast<size_t>(position)];
    return S_OK;
}

HRESULT PushPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    ALLOCATOR_PROPERTIES request = *props;
    request.cBuffers = std::max(request.cBuffers, source_->buffers_);
    request.cbBuffer = std::max(request.cbBuffer, source_->bufferSize_);
    request.cbAlign = std::max(request.cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    return alloc->SetProperties(&request, &actual);
}

void PushPin::AddType(const CMediaType& type) {
    source_->types_.push_back(type);
}

PushSource::PushSource(std::vector<CMediaType> types, int32_t bufferSize, int32_t buffers)
    : CBaseFilter("Push Source", &lock_, GUID_NULL),
      types_(std::move(types)),
      bufferSize_(bufferSize),
      buffers_(buffers),
      pin_(this, &lock_) {}

HRESULT PushSource::Push(std::span<const uint8_t> bytes, const SampleProps& props) {
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
    sample->SetStreamId(props.streamId);
    if (props.attachedType) sample->SetMediaType(&*props.attachedType);
    return pin_.Deliver(sample.get());
}

HRESULT PushSource::Push(std::span<const uint8_t> bytes, REFERENCE_TIME start,
                         REFERENCE_TIME stop) {
    return Push(bytes, SampleProps{.start = start, .stop = stop});
}

}  // namespace tarnel::test::harness
