#pragma once
// CVorbisEncOutputPin: the encoder's output pin "Ogg Vorbis Packets", with IAMStreamConfig,
// the interface through which the conversion engine configures quality and bitrates.
//
// Threading: the IAMStreamConfig calls run on the application thread while the graph is
// stopped; they take the filter's state lock.

#include "framework/Interfaces.h"
#include "framework/TransformFilter.h"

namespace tarnel {

class CVorbisEnc;

class CVorbisEncOutputPin : public CTransformOutputPin, public IAMStreamConfig {
public:
    CVorbisEncOutputPin(CVorbisEnc* filter, HRESULT* hr);

    void* QueryInterface(const GUID& iid) override;

    // IAMStreamConfig
    // Stores quality and the three bitrates of the given VorbisFormatBlock in the filter and
    // makes the type the pin's current type. VFW_E_NOT_CONNECTED while the input is free;
    // E_INVALIDARG for a type without a whole VorbisFormatBlock; VFW_E_TYPE_NOT_ACCEPTED when
    // its channel count differs from the connected input's.
    HRESULT SetFormat(const CMediaType* type) override;
    // A copy of the current type, or the filter's proposal when none is set.
    HRESULT GetFormat(CMediaType* type) override;
    HRESULT GetNumberOfCapabilities(int32_t* count, int32_t* size) override;  // E_NOTIMPL
    HRESULT GetStreamCaps(int32_t index, CMediaType* type,
                          AUDIO_STREAM_CONFIG_CAPS* caps) override;  // E_NOTIMPL

private:
    CVorbisEnc* m_pEncoder;
};

}  // namespace tarnel
