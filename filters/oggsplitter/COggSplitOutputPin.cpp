#include "filters/oggsplitter/COggSplitOutputPin.h"

#include <algorithm>

#include "filters/oggsplitter/COggSplitter.h"
#include "filters/oggsplitter/COggStream.h"
#include "framework/BufferRequest.h"

namespace tarnel {

COggSplitOutputPin::COggSplitOutputPin(std::string name, COggSplitter* filter, CCritSec* lock,
                                       COggStream* stream, HRESULT* hr)
    : CBaseOutputPin(std::move(name), filter, lock, hr),
      CMediaTimeSeeking(COggSplitter::kSeekingCaps),
      m_splitter(filter),
      m_stream(stream) {}

void* COggSplitOutputPin::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
    return CBaseOutputPin::QueryInterface(iid);
}

HRESULT COggSplitOutputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    return *type == m_stream->MediaType() ? S_OK : E_FAIL;
}

HRESULT COggSplitOutputPin::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = m_stream->MediaType();
    return S_OK;
}

HRESULT COggSplitOutputPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    return RequestBuffers(alloc, props,
                          {.bytes = m_stream->BufferSize(), .align = 1, .keepPrefix = false});
}

HRESULT COggSplitOutputPin::Active() {
    return CBaseOutputPin::Active();  // the stream clears its last start when it starts
}

HRESULT COggSplitOutputPin::GetDuration(int64_t* duration) {
    return m_splitter->GetDuration(duration);
}

HRESULT COggSplitOutputPin::GetStopPosition(int64_t* stop) {
    return m_splitter->GetStopPosition(stop);
}

HRESULT COggSplitOutputPin::GetCurrentPosition(int64_t* current) {
    return E_NOTIMPL;
}

HRESULT COggSplitOutputPin::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                                         uint32_t stopFlags) {
    return m_splitter->SetPositions(this, current, currentFlags, stop, stopFlags);
}

HRESULT COggSplitOutputPin::GetPositions(int64_t* current, int64_t* stop) {
    return m_splitter->GetPositions(current, stop);
}

HRESULT COggSplitOutputPin::GetAvailable(int64_t* earliest, int64_t* latest) {
    if (earliest) *earliest = 0;
    return latest ? m_splitter->GetDuration(latest) : S_OK;
}

HRESULT COggSplitOutputPin::SetRate(double rate) {
    return m_splitter->SetRate(rate);
}

HRESULT COggSplitOutputPin::GetRate(double* rate) {
    return m_splitter->GetRate(rate);
}

}  // namespace tarnel
