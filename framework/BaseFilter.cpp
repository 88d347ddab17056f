#include "framework/BaseFilter.h"

namespace tarnel {

CBaseFilter::CBaseFilter(std::string name, CCritSec* lock, const GUID& clsid)
    : m_pLock(lock), m_clsid(clsid), m_objectName(std::move(name)) {}

CBaseFilter::~CBaseFilter() = default;

void* CBaseFilter::QueryInterface(const GUID& iid) {
    if (iid == IBaseFilter::IID) return static_cast<IBaseFilter*>(this);
    if (iid == IMediaFilter::IID) return static_cast<IMediaFilter*>(this);
    if (iid == IPersist::IID) return static_cast<IPersist*>(this);
    if (iid == IUnknown::IID) return static_cast<IUnknown*>(static_cast<IBaseFilter*>(this));
    return nullptr;
}

HRESULT CBaseFilter::GetClassID(GUID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

HRESULT CBaseFilter::Stop() {
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) return S_OK;
    // Stopped first: a streaming thread that fails because its pins go inactive can see that
    // the failure comes from the stop and must not be reported.
    m_State = State_Stopped;
    HRESULT result = S_OK;
    for (int i = 0, n = GetPinCount(); i < n; ++i) {
        CBasePin* pin = GetPin(i);
        if (pin && pin->IsConnected()) {
            HRESULT hr = pin->Inactive();
            if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        }
    }
    return result;
}

HRESULT CBaseFilter::Pause() {
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        for (int i = 0, n = GetPinCount(); i < n; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Active();
                if (FAILED(hr)) return hr;
            }
        }
    }
    m_State = State_Paused;
    return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME start) {
    CAutoLock lock(m_pLock);
    {
        std::lock_guard time(m_timeMutex);
        m_tStart = start;
    }
    if (m_State == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    if (m_State != State_Running) {
        for (int i = 0, n = GetPinCount(); i < n; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Run(start);
                if (FAILED(hr)) return hr;
            }
        }
    }
    m_State = State_Running;
    return S_OK;
}

HRESULT CBaseFilter::GetState(uint32_t msTimeout, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = m_State.load();
    return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* clock) {
    CAutoLock lock(m_pLock);
    std::lock_guard time(m_timeMutex);
    m_pClock = clock;
    return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    std::lock_guard time(m_timeMutex);
    *clock = m_pClock;
    return S_OK;
}

HRESULT CBaseFilter::EnumPins(std::vector<IPin*>* pins) {
    if (!pins) return E_POINTER;
    pins->clear();
    for (int i = 0, n = GetPinCount(); i < n; ++i) {
        if (CBasePin* pin = GetPin(i)) pins->push_back(pin);
    }
    return S_OK;
}

HRESULT CBaseFilter::FindPin(std::string_view id, IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    for (int i = 0, n = GetPinCount(); i < n; ++i) {
        CBasePin* candidate = GetPin(i);
        std::string candidateId;
        if (candidate && SUCCEEDED(candidate->QueryId(&candidateId)) && candidateId == id) {
            *pin = candidate;
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    CAutoLock lock(m_pLock);
    info->achName = m_pName;
    info->pGraph = m_pGraph;
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, std::string_view name) {
    CAutoLock lock(m_pLock);
    m_pGraph = graph;
    m_pSink = graph ? Query<IMediaEventSink>(graph) : nullptr;
    m_pName = graph ? std::string(name) : std::string();
    return S_OK;
}

HRESULT CBaseFilter::QueryVendorInfo(std::string* info) {
    return E_NOTIMPL;
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME* time) {
    if (!time) return E_POINTER;
    IReferenceClock* clock = nullptr;
    REFERENCE_TIME start = 0;
    {
        std::lock_guard lock(m_timeMutex);
        clock = m_pClock;
        start = m_tStart;
    }
    if (!clock) return VFW_E_NO_CLOCK;
    HRESULT hr = clock->GetTime(time);
    if (FAILED(hr)) return hr;
    *time -= start;
    return S_OK;
}

HRESULT CBaseFilter::NotifyEvent(int32_t eventCode, intptr_t param1, intptr_t param2) {
    IMediaEventSink* sink = m_pSink;
    if (!sink) return S_FALSE;
    if (eventCode == EC_COMPLETE) {
        param2 = reinterpret_cast<intptr_t>(static_cast<IBaseFilter*>(this));
    }
    return sink->Notify(eventCode, param1, param2);
}

}  // namespace tarnel
