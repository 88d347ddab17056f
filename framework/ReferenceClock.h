#pragma once
// CSystemClock: a reference clock over the monotonic system clock, in 100 ns units.

#include <chrono>

#include "framework/Interfaces.h"

namespace tarnel {

class CSystemClock : public IReferenceClock {
public:
    void* QueryInterface(const GUID& iid) override {
        if (iid == IReferenceClock::IID || iid == IUnknown::IID)
            return static_cast<IReferenceClock*>(this);
        return nullptr;
    }
    HRESULT GetTime(REFERENCE_TIME* time) override {
        if (!time) return E_POINTER;
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count();
        *time = ns / 100;
        return S_OK;
    }
};

}  // namespace tarnel
