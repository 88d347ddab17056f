#include "filters/oggsplitter/COggSplitOutputPin.h"

#include <algorithm>

#include "filters/oggsplitter/COggSplitter.h"
#include "filters/oggsplitter/COggStream.h"
#include "framework/BufferRequest.h"

namespace tarnel {

COggSplitOutputPin::COggSplitOutputPin(std::string name, COggSplitter* filter, CCritSec* lock,
                                       COggStream* stream, HRESULT* hr)
    : CBaseOutputPin(std::move(name), filter, lock, hr), m_splitter(filter), m_stream(stream) {}

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

HRESULT COggSplitOutputPin::GetCapabilities(uint32_t* capabilities) {
    if (!capabilities) return E_POINTER;
    *capabilities = COggSplitter::kSeekingCaps;
    return S_OK;
}

HRESULT COggSplitOutputPin::CheckCapabilities(uint32_t* capabilities) {
    if (!capabilities) return E_POINTER;
    uint32_t asked = *capabilities;
    *capabilities &= COggSplitter::kSeekingCaps;
    if (*capabilities == asked) return S_OK;
    return *capabilities ? S_FALSE : E_FAIL;
}

HRESULT COggSplitOutputPin::IsFormatSupported(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT COggSplitOutputPin::QueryPreferredFormat(GUID* format) {
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT COggSplitOutputPin::GetTimeFormat(GUID* format) {
    return QueryPreferredFormat(format);
}

HRESULT COggSplitOutputPin::IsUsingTimeFormat(const GUID* format) {
    return IsFormatSupported(format);
}

HRESULT COggSplitOutputPin::SetTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
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

HRESULT COggSplitOutputPin::ConvertTimeFormat(int64_t* target, const GUID* targetFormat,
                                              int64_t source, const GUID* sourceFormat) {
    if (!target) return E_POINTER;
    auto isMediaTime = [](const GUID* f) { return !f || *f == TIME_FORMAT_MEDIA_TIME; };
    if (!isMediaTime(targetFormat) || !isMediaTime(sourceFormat)) return E_INVALIDARG;
    *target = source;
    return S_OK;
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

HRESULT COggSplitOutputPin::GetPreroll(int64_t* preroll) {
    if (!preroll) return E_POINTER;
    *preroll = 0;
    return S_OK;
}

}  // namespace tarnel
