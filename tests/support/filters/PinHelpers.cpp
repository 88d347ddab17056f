#include "tests/support/filters/PinHelpers.h"

namespace tarnel::test::harness {

IPin* PinOf(IBaseFilter* filter, PIN_DIRECTION direction, int n) {
    std::vector<IPin*> pins;
    if (!filter || FAILED(filter->EnumPins(&pins))) return nullptr;
    for (IPin* pin : pins) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction && n-- == 0) return pin;
    }
    return nullptr;
}

HRESULT PauseChain(std::initializer_list<IBaseFilter*> sinkFirst) {
    for (IBaseFilter* filter : sinkFirst) {
        HRESULT hr = filter->Pause();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT StopChain(std::initializer_list<IBaseFilter*> sinkFirst) {
    HRESULT result = S_OK;
    for (IBaseFilter* filter : sinkFirst) {
        HRESULT hr = filter->Stop();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

std::vector<std::pair<int32_t, intptr_t>> DrainEvents(IMediaEventEx* events, int32_t firstWaitMs) {
    std::vector<std::pair<int32_t, intptr_t>> out;
    int32_t code;
    intptr_t p1, p2;
    for (int32_t wait = firstWaitMs; events->GetEvent(&code, &p1, &p2, wait) == S_OK; wait = 0) {
        out.emplace_back(code, p1);
        events->FreeEventParams(code, p1, p2);
    }
    return out;
}

}  // namespace tarnel::test::harness
