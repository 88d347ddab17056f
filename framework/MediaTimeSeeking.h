#pragma once
// CMediaTimeSeeking: the part of IMediaSeeking that is the same for every output pin that seeks
// only in TIME_FORMAT_MEDIA_TIME at rate 1.0 without preroll: capabilities (from the mask given
// at construction; CheckCapabilities holds a request against GetCapabilities), time formats,
// conversion, rate, preroll and the available range (0 to the duration), and GetPositions from
// the pin's GetCurrentPosition and GetStopPosition. The pin keeps the positions: GetDuration,
// GetStopPosition, GetCurrentPosition and SetPositions. Mix it into a pin beside the pin's base
// class and answer IMediaSeeking::IID in the pin's QueryInterface. The filter graph, which seeks
// in media time too, takes the time formats from here and overrides the rest.
//
// Stateless apart from the constant mask, so any thread may call it.
#include <cstdint>

#include "framework/Interfaces.h"

namespace tarnel {

class CMediaTimeSeeking : public IMediaSeeking {
public:
    explicit CMediaTimeSeeking(uint32_t capabilities) : m_dwCapabilities(capabilities) {}

    HRESULT GetCapabilities(uint32_t* capabilities) override;
    HRESULT CheckCapabilities(uint32_t* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    // Media time to media time only (a null format means the current one).
    HRESULT ConvertTimeFormat(int64_t* target, const GUID* targetFormat, int64_t source,
                              const GUID* sourceFormat) override;
    HRESULT GetAvailable(int64_t* earliest, int64_t* latest) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;
    HRESULT GetPreroll(int64_t* preroll) override;
    HRESULT GetPositions(int64_t* current, int64_t* stop) override;

    // True for a null format or TIME_FORMAT_MEDIA_TIME.
    static bool IsMediaTime(const GUID* format);

private:
    const uint32_t m_dwCapabilities;
};

}  // namespace tarnel
