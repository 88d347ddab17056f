#include "framework/BaseOutputPin.h"

#include "framework/BaseFilter.h"
#include "framework/MemAllocator.h"

namespace tarnel {

CBaseOutputPin::CBaseOutputPin(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr)
    : CBasePin(std::move(name), filter, lock, hr, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() {
    if (m_pAllocator) m_pAllocator->Decommit();
}

HRESULT CBaseOutputPin::CompleteConnect(IPin* receivePin) {
    return DecideAllocator(m_pInputPin, &m_pAllocator);
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin) {
    HRESULT hr = CBasePin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    m_pInputPin = Query<IMemInputPin>(pin);
    return m_pInputPin ? S_OK : E_NOINTERFACE;
}

HRESULT CBaseOutputPin::BreakConnect() {
    if (m_pAllocator) {
        m_pAllocator->Decommit();
        m_pAllocator.reset();
    }
    m_pInputPin = nullptr;
    return S_OK;
}

HRESULT CBaseOutputPin::Active() {
    if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
    if (m_pAllocator) return m_pAllocator->Decommit();
    return S_OK;
}

HRESULT CBaseOutputPin::EndOfStream() {
    return E_UNEXPECTED;
}
HRESULT CBaseOutputPin::BeginFlush() {
    return E_UNEXPECTED;
}
HRESULT CBaseOutputPin::EndFlush() {
    return E_UNEXPECTED;
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pin, std::shared_ptr<IMemAllocator>* alloc) {
    if (!pin || !alloc) return E_POINTER;
    alloc->reset();
    auto requirements = [pin] {
        ALLOCATOR_PROPERTIES props;
        if (FAILED(pin->GetAllocatorRequirements(&props))) props = ALLOCATOR_PROPERTIES();
        if (props.cbAlign == 0) props.cbAlign = 1;
        return props;
    };
    // The input pin's allocator first.
    ALLOCATOR_PROPERTIES props = requirements();
    HRESULT hr = pin->GetAllocator(alloc);
    if (SUCCEEDED(hr) && *alloc) {
        hr = DecideBufferSize(alloc->get(), &props);
        if (SUCCEEDED(hr)) {
            hr = pin->NotifyAllocator(*alloc, false);
            if (SUCCEEDED(hr)) return S_OK;
        }
    }
    // Then our own.
    alloc->reset();
    props = requirements();
    hr = InitAllocator(alloc);
    if (SUCCEEDED(hr)) {
        hr = DecideBufferSize(alloc->get(), &props);
        if (SUCCEEDED(hr)) {
            hr = pin->NotifyAllocator(*alloc, false);
            if (SUCCEEDED(hr)) return S_OK;
        }
    }
    alloc->reset();
    return hr;
}

HRESULT CBaseOutputPin::InitAllocator(std::shared_ptr<IMemAllocator>* alloc) {
    if (!alloc) return E_POINTER;
    *alloc = std::make_shared<CMemAllocator>();
    return S_OK;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                          REFERENCE_TIME* stop, uint32_t flags) {
    if (!sample) return E_POINTER;
    *sample = nullptr;
    std::shared_ptr<IMemAllocator> allocator = m_pAllocator;
    if (!allocator) return VFW_E_NO_ALLOCATOR;
    return allocator->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
    if (!m_pInputPin) return VFW_E_NOT_CONNECTED;
    return m_pInputPin->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
    if (!m_Connected) return VFW_E_NOT_CONNECTED;
    return m_Connected->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
    if (!m_Connected) return VFW_E_NOT_CONNECTED;
    return m_Connected->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
    if (!m_Connected) return VFW_E_NOT_CONNECTED;
    return m_Connected->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    if (!m_Connected) return VFW_E_NOT_CONNECTED;
    return m_Connected->NewSegment(start, stop, rate);
}

}  // namespace tarnel
