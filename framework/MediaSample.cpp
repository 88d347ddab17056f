#include "framework/MediaSample.h"

#include <cstring>

#include "framework/MemAllocator.h"

namespace tarnel {

CMediaSample::CMediaSample(CBaseAllocator* allocator, uint8_t* buffer, int32_t size)
    : allocator_(allocator), buffer_(buffer), size_(size) {}

void* CMediaSample::QueryInterface(const GUID& iid) {
    if (iid == IMediaSample::IID || iid == IUnknown::IID) return static_cast<IMediaSample*>(this);
    return nullptr;
}

uint32_t CMediaSample::AddRef() {
    return ++refCount_;
}

uint32_t CMediaSample::Release() {
    uint32_t count = --refCount_;
    if (count == 0) {
        ResetProperties();
        if (allocator_) {
            // The keep-alive reference must survive the call that returns us to the pool.
            std::shared_ptr<CBaseAllocator> keep = std::move(m_pAllocatorKeepAlive);
            allocator_->ReleaseBuffer(this);
        }
    }
    return count;
}

HRESULT CMediaSample::GetPointer(uint8_t** buffer) {
    if (!buffer) return E_POINTER;
    *buffer = buffer_;
    return S_OK;
}

int32_t CMediaSample::GetSize() {
    return size_;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start || !end) return E_POINTER;
    if (!start_) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = *start_;
    if (!end_) {
        *end = *start_ + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *end = *end_;
    return S_OK;
}

HRESULT CMediaSample::SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* end) {
    if (!start) {
        start_.reset();
        end_.reset();
        return S_OK;
    }
    start_ = *start;
    if (end) {
        end_ = *end;
    } else {
        end_.reset();
    }
    return S_OK;
}

HRESULT CMediaSample::IsSyncPoint() {
    return syncPoint_ ? S_OK : S_FALSE;
}
HRESULT CMediaSample::SetSyncPoint(bool isSyncPoint) {
    syncPoint_ = isSyncPoint;
    return S_OK;
}
HRESULT CMediaSample::IsPreroll() {
    return preroll_ ? S_OK : S_FALSE;
}
HRESULT CMediaSample::SetPreroll(bool isPreroll) {
    preroll_ = isPreroll;
    return S_OK;
}
int32_t CMediaSample::GetActualDataLength() {
    return actualLength_;
}
HRESULT CMediaSample::SetActualDataLength(int32_t length) {
    if (length < 0) return E_INVALIDARG;
    if (length > size_) return VFW_E_BUFFER_OVERFLOW;
    actualLength_ = length;
    return S_OK;
}

HRESULT CMediaSample::GetMediaType(CMediaType* type) {
    if (!type) return E_POINTER;
    if (!mediaType_) return S_FALSE;
    *type = *mediaType_;
    return S_OK;
}

HRESULT CMediaSample::SetMediaType(const CMediaType* type) {
    if (type) {
        mediaType_ = *type;
    } else {
        mediaType_.reset();
    }
    return S_OK;
}

HRESULT CMediaSample::IsDiscontinuity() {
    return discontinuity_ ? S_OK : S_FALSE;
}
HRESULT CMediaSample::SetDiscontinuity(bool isDiscontinuity) {
    discontinuity_ = isDiscontinuity;
    return S_OK;
}

HRESULT CMediaSample::GetMediaTime(int64_t* start, int64_t* end) {
    if (!start || !end) return E_POINTER;
    if (!mediaStart_) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = *mediaStart_;
    *end = mediaEnd_.value_or(*mediaStart_ + 1);
    return S_OK;
}

HRESULT CMediaSample::SetMediaTime(const int64_t* start, const int64_t* end) {
    if (!start) {
        mediaStart_.reset();
        mediaEnd_.reset();
        return S_OK;
    }
    if (!end) return E_POINTER;
    mediaStart_ = *start;
    mediaEnd_ = *end;
    return S_OK;
}

uint32_t CMediaSample::GetStreamId() {
    return streamId_;
}
void CMediaSample::SetStreamId(uint32_t id) {
    streamId_ = id;
}

void CMediaSample::ResetProperties() {
    actualLength_ = 0;
    start_.reset();
    end_.reset();
    mediaStart_.reset();
    mediaEnd_.reset();
    syncPoint_ = false;
    preroll_ = false;
    discontinuity_ = false;
    mediaType_.reset();
    streamId_ = AM_STREAM_MEDIA;
}

void CMediaSample::SetBuffer(uint8_t* buffer, int32_t size) {
    buffer_ = buffer;
    size_ = size;
}

HRESULT CopySampleProperties(IMediaSample* source, IMediaSample* destination) {
    if (!source || !destination) return E_POINTER;
    REFERENCE_TIME start = 0, end = 0;
    HRESULT hr = source->GetTime(&start, &end);
    if (hr == S_OK) {
        destination->SetTime(&start, &end);
    } else if (hr == VFW_S_NO_STOP_TIME) {
        destination->SetTime(&start, nullptr);
    } else {
        destination->SetTime(nullptr, nullptr);
    }
    int64_t mStart = 0, mEnd = 0;
    if (source->GetMediaTime(&mStart, &mEnd) == S_OK) {
        destination->SetMediaTime(&mStart, &mEnd);
    } else {
        destination->SetMediaTime(nullptr, nullptr);
    }
    destination->SetSyncPoint(source->IsSyncPoint() == S_OK);
    destination->SetPreroll(source->IsPreroll() == S_OK);
    destination->SetDiscontinuity(source->IsDiscontinuity() == S_OK);
    CMediaType type;
    if (source->GetMediaType(&type) == S_OK) {
        destination->SetMediaType(&type);
    } else {
        destination->SetMediaType(nullptr);
    }
    destination->SetStreamId(source->GetStreamId());
    return S_OK;
}

HRESULT CopySample(IMediaSample* source, IMediaSample* destination) {
    if (!source || !destination) return E_POINTER;
    int32_t length = source->GetActualDataLength();
    if (length > destination->GetSize()) return VFW_E_BUFFER_OVERFLOW;
    uint8_t* from = nullptr;
    uint8_t* to = nullptr;
    source->GetPointer(&from);
    destination->GetPointer(&to);
    if (length > 0 && from && to) std::memcpy(to, from, static_cast<size_t>(length));
    HRESULT hr = destination->SetActualDataLength(length);
    if (FAILED(hr)) return hr;
    return CopySampleProperties(source, destination);
}

}  // namespace tarnel
