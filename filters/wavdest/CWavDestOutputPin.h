#pragma once
// CWavDestOutputPin ("Out"): the WAV writer's output pin. It offers and accepts only a WAVE
// byte stream (MEDIATYPE_Stream / MEDIASUBTYPE_WAVE), whatever the input carries.

#include "framework/TransformFilter.h"

namespace tarnel {

class CWavDestFilter;

class CWavDestOutputPin : public CTransformOutputPin {
public:
    CWavDestOutputPin(CWavDestFilter* filter, HRESULT* hr);

    // S_OK for MEDIATYPE_Stream with MEDIASUBTYPE_WAVE, S_FALSE for anything else.
    HRESULT CheckMediaType(const CMediaType* type) override;
    // The filter's types, also before the input is connected.
    HRESULT EnumMediaTypes(std::vector<CMediaType>* types) override;
    HRESULT QueryId(std::string* id) override;
    HRESULT QueryInternalConnections(std::vector<IPin*>* pins) override;

private:
    CWavDestFilter* m_pWavDest;
};

}  // namespace tarnel
