#pragma once
// CPosPassThru: IMediaSeeking for a filter that does not seek itself (a transform): every call
// goes to the IMediaSeeking of the pin connected to the given input pin, i.e. upstream.
// Without a connection or an upstream seeker the calls fail with E_NOTIMPL
// (VFW_E_NOT_CONNECTED when the input is not connected). Thread-safe as the upstream is.

#include "framework/Interfaces.h"

namespace tarnel {

class CPosPassThru : public IMediaSeeking {
public:
    explicit CPosPassThru(IPin* inputPin) : m_pPin(inputPin) {}

    void* QueryInterface(const GUID& iid) override;
    HRESULT GetCapabilities(uint32_t* capabilities) override;
    HRESULT CheckCapabilities(uint32_t* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(int64_t* duration) override;
    HRESULT GetStopPosition(int64_t* stop) override;
    HRESULT GetCurrentPosition(int64_t* current) override;
    HRESULT ConvertTimeFormat(int64_t* target, const GUID* targetFormat, int64_t source,
                              const GUID* sourceFormat) override;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                         uint32_t stopFlags) override;
    HRESULT GetPositions(int64_t* current, int64_t* stop) override;
    HRESULT GetAvailable(int64_t* earliest, int64_t* latest) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;
    HRESULT GetPreroll(int64_t* preroll) override;

protected:
    // The upstream seeker, or a failure code.
    HRESULT GetPeer(IMediaSeeking** peer);

    IPin* m_pPin;  // our filter's input pin
};

}  // namespace tarnel
