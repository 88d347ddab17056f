#include "framework/BasePin.h"

#include "framework/BaseFilter.h"

namespace tarnel {

namespace {
// Results that mean "this type does not fit", as opposed to a failure worth reporting.
bool IsTypeRefusal(HRESULT hr) {
    return hr == S_FALSE || hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED ||
           hr == VFW_E_INVALIDMEDIATYPE || hr == VFW_E_INVALIDSUBTYPE ||
           hr == VFW_E_NO_ACCEPTABLE_TYPES || hr == E_NOTIMPL || hr == E_UNEXPECTED ||
           hr == VFW_E_NOT_CONNECTED;
}
// Enough positions for any real type list; stops a pin that never ends its list.
constexpr int kMaxTypesPerPin = 256;
}  // namespace

CBasePin::CBasePin(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr,
                   PIN_DIRECTION direction)
    : m_pName(std::move(name)), m_pFilter(filter), m_pLock(lock), m_dir(direction) {
    (void)hr;  // nothing here can fail; kept for the derived constructors' convention
}

CBasePin::~CBasePin() = default;

void* CBasePin::QueryInterface(const GUID& iid) {
    if (iid == IPin::IID || iid == IUnknown::IID) return static_cast<IPin*>(this);
    return nullptr;
}

HRESULT CBasePin::Connect(IPin* receivePin, const CMediaType* type) {
    if (!receivePin) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    return AgreeMediaType(receivePin, type);
}

HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const CMediaType* type) {
    if (type && !type->IsPartiallySpecified()) return AttemptConnection(receivePin, *type);
    HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
    // The receiving pin's preferences first, then ours.
    for (int round = 0; round < 2; ++round) {
        std::vector<CMediaType> types;
        HRESULT hr = round == 0 ? receivePin->EnumMediaTypes(&types) : EnumMediaTypes(&types);
        if (FAILED(hr)) continue;
        hr = TryMediaTypes(receivePin, type, types);
        if (SUCCEEDED(hr)) return S_OK;
        if (hr != VFW_E_NO_ACCEPTABLE_TYPES) failure = hr;
    }
    return failure;
}

HRESULT CBasePin::TryMediaTypes(IPin* receivePin, const CMediaType* partial,
                                const std::vector<CMediaType>& types) {
    HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (const CMediaType& candidate : types) {
        if (partial && !candidate.MatchesPartial(*partial)) continue;
        HRESULT hr = AttemptConnection(receivePin, candidate);
        if (SUCCEEDED(hr)) return S_OK;
        if (!IsTypeRefusal(hr)) failure = hr;
    }
    return failure;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType& type) {
    HRESULT hr = CheckConnect(receivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(&type);
    if (hr != S_OK) {
        BreakConnect();
        return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    }
    m_Connected = receivePin;
    hr = SetMediaType(&type);
    if (SUCCEEDED(hr)) {
        hr = receivePin->ReceiveConnection(this, &type);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(receivePin);
            if (SUCCEEDED(hr)) return S_OK;
            receivePin->Disconnect();
        }
    }
    // Undo, leaving the pin ready for the next candidate type.
    BreakConnect();
    m_Connected = nullptr;
    m_mt = CMediaType();
    return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const CMediaType* type) {
    if (!connector || !type) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(connector);
    if (SUCCEEDED(hr)) {
        hr = CheckMediaType(type);
        if (hr == S_OK) {
            m_Connected = connector;
            hr = SetMediaType(type);
            if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
            if (SUCCEEDED(hr)) return S_OK;
            m_Connected = nullptr;
            m_mt = CMediaType();
        } else if (!FAILED(hr)) {
            hr = VFW_E_TYPE_NOT_ACCEPTED;
        }
    }
    BreakConnect();
    return hr;
}

HRESULT CBasePin::Disconnect() {
    CAutoLock lock(m_pLock);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    return DisconnectInternal();
}

HRESULT CBasePin::DisconnectInternal() {
    if (!m_Connected) return S_FALSE;
    HRESULT hr = BreakConnect();
    m_Connected = nullptr;
    m_mt = CMediaType();
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    CAutoLock lock(m_pLock);
    *pin = m_Connected;
    return m_Connected ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT CBasePin::ConnectionMediaType(CMediaType* type) {
    if (!type) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (!m_Connected) {
        *type = CMediaType();
        return VFW_E_NOT_CONNECTED;
    }
    *type = m_mt;
    return S_OK;
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = m_pFilter;
    info->dir = m_dir;
    info->achName = m_pName;
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = m_dir;
    return S_OK;
}

HRESULT CBasePin::QueryId(std::string* id) {
    if (!id) return E_POINTER;
    *id = m_pName;
    return S_OK;
}

HRESULT CBasePin::QueryAccept(const CMediaType* type) {
    if (!type) return E_POINTER;
    return CheckMediaType(type) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::EnumMediaTypes(std::vector<CMediaType>* types) {
    if (!types) return E_POINTER;
    types->clear();
    for (int i = 0; i < kMaxTypesPerPin; ++i) {
        CMediaType type;
        HRESULT hr = GetMediaType(i, &type);
        if (hr != S_OK) break;
        types->push_back(std::move(type));
    }
    return S_OK;
}

HRESULT CBasePin::QueryInternalConnections(std::vector<IPin*>* pins) {
    return E_NOTIMPL;
}

HRESULT CBasePin::EndOfStream() {
    return S_OK;
}

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    m_tStart = start;
    m_tStop = stop;
    m_dRate = rate;
    return S_OK;
}

HRESULT CBasePin::GetMediaType(int position, CMediaType* type) {
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    m_mt = *type;
    return S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* pin) {
    if (!pin) return E_POINTER;
    PIN_DIRECTION other;
    HRESULT hr = pin->QueryDirection(&other);
    if (FAILED(hr)) return hr;
    return other == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() {
    return S_OK;
}
HRESULT CBasePin::CompleteConnect(IPin* receivePin) {
    return S_OK;
}
HRESULT CBasePin::Active() {
    return S_OK;
}
HRESULT CBasePin::Inactive() {
    return S_OK;
}
HRESULT CBasePin::Run(REFERENCE_TIME start) {
    return S_OK;
}

bool CBasePin::IsStopped() const {
    return m_pFilter == nullptr || m_pFilter->IsStopped();
}

}  // namespace tarnel
