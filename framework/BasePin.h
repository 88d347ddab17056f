#pragma once
// CBasePin: the connection protocol shared by input and output pins.
//
// Connecting (IPin::Connect on the output pin): CheckConnect on both sides, then the agreed
// type: the given complete type, else the receiving pin's EnumMediaTypes, then our own, each
// type filtered by the partial type given; a type is tried when our CheckMediaType accepts it
// and the other pin's ReceiveConnection accepts it. On agreement SetMediaType is called on both
// pins and CompleteConnect on ours (output pins choose their allocator there). A failure
// anywhere breaks the connection again (BreakConnect) and returns the failure:
// VFW_E_NO_ACCEPTABLE_TYPES when no type was accepted.
//
// Threading: connection calls run on the application thread with the filter lock (m_pLock)
// held; they are refused with VFW_E_NOT_STOPPED while the filter is not stopped.

#include <string>
#include <vector>

#include "framework/CritSec.h"
#include "framework/Interfaces.h"

namespace tarnel {

class CBaseFilter;

class CBasePin : public IPin {
public:
    // lock: the filter's state lock, shared by all its pins.
    CBasePin(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr,
             PIN_DIRECTION direction);
    ~CBasePin() override;

    // IUnknown
    void* QueryInterface(const GUID& iid) override;

    // IPin
    HRESULT Connect(IPin* receivePin, const CMediaType* type) override;
    HRESULT ReceiveConnection(IPin* connector, const CMediaType* type) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(CMediaType* type) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(std::string* id) override;             // the pin name by default
    HRESULT QueryAccept(const CMediaType* type) override;  // CheckMediaType, as S_OK/S_FALSE
    HRESULT EnumMediaTypes(std::vector<CMediaType>* types) override;      // GetMediaType 0, 1, ...
    HRESULT QueryInternalConnections(std::vector<IPin*>* pins) override;  // E_NOTIMPL
    HRESULT EndOfStream() override;                                       // S_OK
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // Overridables of the connection protocol.
    // S_OK accepts the type; any other result refuses it.
    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    // The preferred types by position: S_OK, VFW_S_NO_MORE_ITEMS past the last one.
    virtual HRESULT GetMediaType(int position, CMediaType* type);
    // Records the agreed type in m_mt.
    virtual HRESULT SetMediaType(const CMediaType* type);
    // Checks the other pin before any type is tried (direction by default).
    virtual HRESULT CheckConnect(IPin* pin);
    // Undoes CheckConnect/CompleteConnect work (also after a failed attempt).
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin* receivePin);
    // Called by the filter when it leaves / enters the stopped state (control thread).
    virtual HRESULT Active();
    virtual HRESULT Inactive();
    virtual HRESULT Run(REFERENCE_TIME start);

    // Plain accessors (no lock: valid while no connection call runs concurrently).
    bool IsConnected() const { return m_Connected != nullptr; }
    IPin* GetConnected() const { return m_Connected; }
    const CMediaType& CurrentMediaType() const { return m_mt; }
    const std::string& Name() const { return m_pName; }
    PIN_DIRECTION Direction() const { return m_dir; }
    CBaseFilter* Filter() const { return m_pFilter; }
    bool IsStopped() const;
    REFERENCE_TIME CurrentStartTime() const { return m_tStart; }
    REFERENCE_TIME CurrentStopTime() const { return m_tStop; }
    double CurrentRate() const { return m_dRate; }

protected:
    HRESULT AgreeMediaType(IPin* receivePin, const CMediaType* type);
    HRESULT TryMediaTypes(IPin* receivePin, const CMediaType* partial,
                          const std::vector<CMediaType>& types);
    HRESULT AttemptConnection(IPin* receivePin, const CMediaType& type);
    // Clears the connection fields without calling the other pin.
    HRESULT DisconnectInternal();

    std::string m_pName;
    CBaseFilter* m_pFilter;
    CCritSec* m_pLock;
    PIN_DIRECTION m_dir;
    IPin* m_Connected = nullptr;  // guarded by m_pLock
    CMediaType m_mt;              // the connection type; guarded by m_pLock
    // Segment of the last NewSegment (streaming thread).
    REFERENCE_TIME m_tStart = 0;
    REFERENCE_TIME m_tStop = MAX_TIME;
    double m_dRate = 1.0;
};

}  // namespace tarnel
