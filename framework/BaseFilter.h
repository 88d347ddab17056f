#pragma once
// CBaseFilter: state, pins, graph membership and event notification of a filter.
//
// State changes (Stop/Pause/Run) come from the graph's control thread under m_pLock. Pause
// from stopped activates every connected pin (CBasePin::Active); Stop first sets the state to
// stopped and then deactivates the pins, so a streaming thread that fails because of the stop
// can tell (IsStopped) and does not report an error.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "framework/BasePin.h"
#include "framework/CritSec.h"
#include "framework/Interfaces.h"

namespace tarnel {

class CBaseFilter : public IBaseFilter {
public:
    // name: the object's own name (the graph name comes with JoinFilterGraph);
    // lock: the filter's state lock (pins share it); clsid: returned by GetClassID.
    CBaseFilter(std::string name, CCritSec* lock, const GUID& clsid);
    ~CBaseFilter() override;

    // IUnknown: IUnknown, IPersist, IMediaFilter, IBaseFilter. Derived filters add theirs and
    // call this for the rest.
    void* QueryInterface(const GUID& iid) override;

    // IPersist
    HRESULT GetClassID(GUID* clsid) override;

    // IMediaFilter
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(uint32_t msTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter
    HRESULT EnumPins(std::vector<IPin*>* pins) override;
    HRESULT FindPin(std::string_view id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, std::string_view name) override;
    HRESULT QueryVendorInfo(std::string* info) override;  // E_NOTIMPL

    // Pins by index; the filter owns them.
    virtual int GetPinCount() = 0;
    virtual CBasePin* GetPin(int index) = 0;
    // Changes when pins come and go.
    virtual int32_t GetPinVersion() { return m_PinVersion.load(); }
    void IncrementPinVersion() { ++m_PinVersion; }

    // Stream time: clock time minus the run start; VFW_E_NO_CLOCK without a clock. Safe on any
    // thread (takes m_timeMutex only).
    virtual HRESULT StreamTime(REFERENCE_TIME* time);

    // Sends an event to the graph's IMediaEventSink (S_FALSE outside a graph). For EC_COMPLETE
    // param2 is replaced by this filter, so the graph can count its sinks.
    HRESULT NotifyEvent(int32_t eventCode, intptr_t param1, intptr_t param2);

    bool IsActive() const { return m_State.load() != State_Stopped; }
    bool IsStopped() const { return m_State.load() == State_Stopped; }
    FILTER_STATE State() const { return m_State.load(); }
    IFilterGraph* GetFilterGraph() const { return m_pGraph; }
    // The name in the graph (empty outside a graph).
    const std::string& FilterName() const { return m_pName; }
    const std::string& ObjectName() const { return m_objectName; }
    CCritSec* FilterLock() const { return m_pLock; }
    const GUID& ClassId() const { return m_clsid; }

protected:
    CCritSec* m_pLock;
    std::atomic<FILTER_STATE> m_State{State_Stopped};  // written under m_pLock
    // m_pClock and m_tStart (the run start, stream time 0) are written under m_pLock and
    // m_timeMutex and read under m_timeMutex, a leaf lock that streaming threads may take.
    mutable std::mutex m_timeMutex;
    IReferenceClock* m_pClock = nullptr;
    REFERENCE_TIME m_tStart = 0;
    GUID m_clsid;
    IFilterGraph* m_pGraph = nullptr;    // set by JoinFilterGraph
    IMediaEventSink* m_pSink = nullptr;  // the graph's sink; set by JoinFilterGraph
    std::string m_pName;                 // name in the graph
    std::string m_objectName;
    std::atomic<int32_t> m_PinVersion{1};
};

}  // namespace tarnel
