#include "framework/BaseInputPin.h"

#include "framework/BaseFilter.h"
#include "framework/MemAllocator.h"

namespace tarnel {

CBaseInputPin::CBaseInputPin(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr)
    : CBasePin(std::move(name), filter, lock, hr, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin() {
    if (m_pAllocator) m_pAllocator->Decommit();
}

void* CBaseInputPin::QueryInterface(const GUID& iid) {
    if (iid == IMemInputPin::IID) return static_cast<IMemInputPin*>(this);
    return CBasePin::QueryInterface(iid);
}

HRESULT CBaseInputPin::GetAllocator(std::shared_ptr<IMemAllocator>* allocator) {
    if (!allocator) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (!m_pAllocator) m_pAllocator = std::make_shared<CMemAllocator>();
    *allocator = m_pAllocator;
    return S_OK;
}

HRESULT CBaseInputPin::NotifyAllocator(const std::shared_ptr<IMemAllocator>& allocator,
                                       bool readOnly) {
    if (!allocator) return E_POINTER;
    CAutoLock lock(m_pLock);
    m_pAllocator = allocator;
    m_bReadOnly = readOnly;
    return S_OK;
}

HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
    return E_NOTIMPL;
}

HRESULT CBaseInputPin::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    CMediaType changed;
    if (sample->GetMediaType(&changed) == S_OK) {
        hr = CheckMediaType(&changed);
        if (hr != S_OK) {
            // The stream changed to a type we cannot take: the run cannot go on.
            m_bRunTimeError = true;
            if (m_pFilter) m_pFilter->NotifyEvent(EC_ERRORABORT, VFW_E_INVALIDMEDIATYPE, 0);
            return VFW_E_INVALIDMEDIATYPE;
        }
        hr = SetMediaType(&changed);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CBaseInputPin::ReceiveMultiple(IMediaSample** samples, int32_t count, int32_t* processed) {
    if (!samples || !processed) return E_POINTER;
    *processed = 0;
    HRESULT hr = S_OK;
    while (*processed < count) {
        hr = Receive(samples[*processed]);
        if (hr != S_OK) break;
        ++*processed;
    }
    return hr;
}

HRESULT CBaseInputPin::ReceiveCanBlock() {
    return S_OK;
}

HRESULT CBaseInputPin::BeginFlush() {
    m_bFlushing = true;
    return S_OK;
}

HRESULT CBaseInputPin::EndFlush() {
    m_bFlushing = false;
    m_bRunTimeError = false;
    return S_OK;
}

HRESULT CBaseInputPin::CheckConnect(IPin* pin) {
    return CBasePin::CheckConnect(pin);
}

HRESULT CBaseInputPin::BreakConnect() {
    if (m_pAllocator) {
        m_pAllocator->Decommit();
        m_pAllocator.reset();
    }
    m_bReadOnly = false;
    return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
    m_bRunTimeError = false;
    m_bFlushing = false;
    if (m_pAllocator) m_pAllocator->Decommit();
    return S_OK;
}

HRESULT CBaseInputPin::CheckStreaming() {
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    if (IsStopped()) return VFW_E_WRONG_STATE;
    if (m_bFlushing) return S_FALSE;
    if (m_bRunTimeError) return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

}  // namespace tarnel
