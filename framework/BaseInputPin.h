#pragma once
// CBaseInputPin: an input pin that receives samples through IMemInputPin.
//
// Receive runs on the upstream streaming thread; BeginFlush/EndFlush and Active/Inactive run
// on the control thread. m_bFlushing and m_bRunTimeError are atomic flags read by Receive.

#include <atomic>
#include <memory>

#include "framework/BasePin.h"

namespace tarnel {

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr);
    ~CBaseInputPin() override;

    void* QueryInterface(const GUID& iid) override;

    // IMemInputPin
    // Our allocator (a CMemAllocator made on first request) unless one was notified.
    HRESULT GetAllocator(std::shared_ptr<IMemAllocator>* allocator) override;
    HRESULT NotifyAllocator(const std::shared_ptr<IMemAllocator>& allocator,
                            bool readOnly) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;  // E_NOTIMPL
    // Base checks (CheckStreaming; an attached media type must pass CheckMediaType and then
    // becomes the pin's type). Derived classes call this first and return its failure.
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT ReceiveMultiple(IMediaSample** samples, int32_t count, int32_t* processed) override;
    HRESULT ReceiveCanBlock() override;  // S_OK: may block

    // IPin
    HRESULT BeginFlush() override;  // sets m_bFlushing: Receive then returns S_FALSE
    HRESULT EndFlush() override;
    HRESULT Disconnect() override { return CBasePin::Disconnect(); }

    // CBasePin
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;  // drops the allocator
    HRESULT Inactive() override;      // decommits the allocator, clears the flags

    // S_OK while samples may flow; S_FALSE while flushing; VFW_E_WRONG_STATE when stopped;
    // VFW_E_RUNTIME_ERROR after a run-time error; VFW_E_NOT_CONNECTED.
    virtual HRESULT CheckStreaming();

    bool IsFlushing() const { return m_bFlushing.load(); }
    bool IsReadOnly() const { return m_bReadOnly; }
    std::shared_ptr<IMemAllocator> Allocator() const { return m_pAllocator; }

protected:
    std::shared_ptr<IMemAllocator> m_pAllocator;  // guarded by m_pLock (set while stopped)
    bool m_bReadOnly = false;
    std::atomic<bool> m_bFlushing{false};
    std::atomic<bool> m_bRunTimeError{false};
};

}  // namespace tarnel
