#include "filters/oggmux/COggMuxOutputPin.h"

#include <algorithm>
#include <cstring>

#include "filters/oggmux/COggMux.h"
#include "framework/BufferRequest.h"
#include "framework/MediaSample.h"

namespace tarnel {

COggMuxOutputPin::COggMuxOutputPin(COggMux* filter, CCritSec* lock, HRESULT* hr)
    : CBaseOutputPin("Ogg Stream", filter, lock, hr), m_pMux(filter) {}

void* COggMuxOutputPin::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(m_pMux);
    return CBaseOutputPin::QueryInterface(iid);
}

HRESULT COggMuxOutputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    if (type->majortype == MEDIATYPE_Stream && type->subtype == MEDIASUBTYPE_OggStream) return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT COggMuxOutputPin::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_OggStream, GUID_NULL);
    type->SetVariableSize();
    return S_OK;
}

HRESULT COggMuxOutputPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    return RequestBuffers(alloc, props, {.bytes = kMinBufferSize, .align = 4, .keepPrefix = false});
}

HRESULT COggMuxOutputPin::Active() {
    {
        std::lock_guard lock(m_offsetMutex);
        m_byteOffset = 0;
    }
    return CBaseOutputPin::Active();
}

int64_t COggMuxOutputPin::ByteOffset() const {
    std::lock_guard lock(m_offsetMutex);
    return m_byteOffset;
}

HRESULT COggMuxOutputPin::WritePage(const OggPageNode& page) {
    const int64_t size = static_cast<int64_t>(page.Size());
    REFERENCE_TIME start, stop;
    {
        std::lock_guard lock(m_offsetMutex);
        start = m_byteOffset;
        stop = start + size;
        m_byteOffset = stop;
    }
    MediaSamplePtr sample;
    HRESULT hr = GetDeliveryBuffer(sample.Receive(), &start, &stop, 0);
    if (FAILED(hr)) return hr;
    if (sample->GetSize() < size) return VFW_E_BUFFER_OVERFLOW;
    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    std::memcpy(data, page.header.get(), page.headerLength);
    std::memcpy(data + page.headerLength, page.body.get(), page.bodyLength);
    sample->SetActualDataLength(static_cast<int32_t>(size));
    sample->SetTime(&start, &stop);
    sample->SetDiscontinuity(false);
    sample->SetPreroll(false);
    sample->SetSyncPoint(true);
    return Deliver(sample.get());
}

}  // namespace tarnel
