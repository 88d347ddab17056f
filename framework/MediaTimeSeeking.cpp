#include "framework/MediaTimeSeeking.h"

#include "framework/Guids.h"

namespace tarnel {

bool CMediaTimeSeeking::IsMediaTime(const GUID* format) {
    return !format || *format == TIME_FORMAT_MEDIA_TIME;
}

HRESULT CMediaTimeSeeking::GetCapabilities(uint32_t* capabilities) {
    if (!capabilities) return E_POINTER;
    *capabilities = m_dwCapabilities;
    return S_OK;
}

HRESULT CMediaTimeSeeking::CheckCapabilities(uint32_t* capabilities) {
    if (!capabilities) return E_POINTER;
    uint32_t have = 0;
    HRESULT hr = GetCapabilities(&have);
    if (FAILED(hr)) return hr;
    const uint32_t asked = *capabilities;
    *capabilities = asked & have;
    if (*capabilities == asked) return S_OK;
    return *capabilities ? S_FALSE : E_FAIL;
}

HRESULT CMediaTimeSeeking::IsFormatSupported(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT CMediaTimeSeeking::QueryPreferredFormat(GUID* format) {
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT CMediaTimeSeeking::GetTimeFormat(GUID* format) {
    return QueryPreferredFormat(format);
}

HRESULT CMediaTimeSeeking::IsUsingTimeFormat(const GUID* format) {
    return IsFormatSupported(format);
}

HRESULT CMediaTimeSeeking::SetTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT CMediaTimeSeeking::ConvertTimeFormat(int64_t* target, const GUID* targetFormat,
                                             int64_t source, const GUID* sourceFormat) {
    if (!target) return E_POINTER;
    if (!IsMediaTime(targetFormat) || !IsMediaTime(sourceFormat)) return E_INVALIDARG;
    *target = source;
    return S_OK;
}

HRESULT CMediaTimeSeeking::GetAvailable(int64_t* earliest, int64_t* latest) {
    if (!earliest || !latest) return E_POINTER;
    *earliest = 0;
    return GetDuration(latest);
}

HRESULT CMediaTimeSeeking::SetRate(double rate) {
    return rate == 1.0 ? S_OK : E_INVALIDARG;
}

HRESULT CMediaTimeSeeking::GetRate(double* rate) {
    if (!rate) return E_POINTER;
    *rate = 1.0;
    return S_OK;
}

HRESULT CMediaTimeSeeking::GetPreroll(int64_t* preroll) {
    if (!preroll) return E_POINTER;
    *preroll = 0;
    return S_OK;
}

HRESULT CMediaTimeSeeking::GetPositions(int64_t* current, int64_t* stop) {
    if (!current || !stop) return E_POINTER;
    HRESULT hr = GetCurrentPosition(current);
    if (FAILED(hr)) return hr;
    return GetStopPosition(stop);
}

}  // namespace tarnel
