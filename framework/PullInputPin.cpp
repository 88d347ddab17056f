#include "framework/PullInputPin.h"

#include <utility>

#include "framework/Guids.h"

namespace tarnel {

CPullInputPin::CPullInputPin(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr,
                             const GUID& subtype)
    : CBasePin(std::move(name), filter, lock, hr, PINDIR_INPUT), subtype_(subtype) {}

HRESULT CPullInputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    if (type->majortype != MEDIATYPE_Stream || (!subtype_.IsNull() && type->subtype != subtype_)) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT CPullInputPin::CheckConnect(IPin* pin) {
    HRESULT hr = CBasePin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    return Query<IAsyncReader>(pin) ? S_OK : E_NOINTERFACE;
}

HRESULT CPullInputPin::CompleteConnect(IPin* receivePin) {
    IAsyncReader* reader = Query<IAsyncReader>(receivePin);
    if (!reader) return E_NOINTERFACE;
    HRESULT hr = OnReaderConnected(reader);
    if (FAILED(hr)) return hr;
    reader_ = reader;
    return CBasePin::CompleteConnect(receivePin);
}

HRESULT CPullInputPin::BreakConnect() {
    reader_ = nullptr;
    OnReaderDisconnected();
    return CBasePin::BreakConnect();
}

}  // namespace tarnel
