#pragma once
// CBaseOutputPin: an output pin that delivers samples to an IMemInputPin.
//
// Allocator choice at connection (DecideAllocator): the input pin's requirements are read,
// its allocator is tried first, else our own CMemAllocator; DecideBufferSize sets the buffer
// properties; NotifyAllocator tells the input pin. Active commits, Inactive decommits (which
// wakes a streaming thread blocked in GetDeliveryBuffer).
//
// The Deliver* calls run on the streaming thread (DeliverBeginFlush/EndFlush on the control
// thread) and pass VFW_E_NOT_CONNECTED when the pin is not connected.

#include <memory>

#include "framework/BasePin.h"

namespace tarnel {

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr);
    ~CBaseOutputPin() override;

    // CBasePin
    HRESULT CompleteConnect(IPin* receivePin) override;  // DecideAllocator
    HRESULT CheckConnect(IPin* pin) override;            // needs IMemInputPin
    HRESULT BreakConnect() override;                     // decommits, drops the allocator
    HRESULT Active() override;                           // commits the allocator
    HRESULT Inactive() override;                         // decommits the allocator

    // Input-side calls are refused on an output pin (E_UNEXPECTED).
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    virtual HRESULT DecideAllocator(IMemInputPin* pin, std::shared_ptr<IMemAllocator>* alloc);
    // Sets the buffer properties on the allocator; props holds the input pin's requests.
    virtual HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) = 0;
    virtual HRESULT InitAllocator(std::shared_ptr<IMemAllocator>* alloc);
    // A buffer from the agreed allocator; blocks while every buffer is out.
    virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                      REFERENCE_TIME* stop, uint32_t flags);
    // IMemInputPin::Receive on the connected pin.
    virtual HRESULT Deliver(IMediaSample* sample);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    std::shared_ptr<IMemAllocator> Allocator() const { return m_pAllocator; }
    IMemInputPin* ConnectedInputPin() const { return m_pInputPin; }

protected:
    std::shared_ptr<IMemAllocator> m_pAllocator;  // agreed at connection; guarded by m_pLock
    IMemInputPin* m_pInputPin = nullptr;          // the connected pin's IMemInputPin
};

}  // namespace tarnel
