#include "filters/vorbisenc/CVorbisEncOutputPin.h"

#include "filters/oggcommon/VorbisFormatBlock.h"
#include "filters/vorbisenc/CVorbisEnc.h"

namespace tarnel {

CVorbisEncOutputPin::CVorbisEncOutputPin(CVorbisEnc* filter, HRESULT* hr)
    : CTransformOutputPin("Ogg Vorbis Packets", filter, hr), m_pEncoder(filter) {}

void* CVorbisEncOutputPin::QueryInterface(const GUID& iid) {
    if (iid == IAMStreamConfig::IID) return static_cast<IAMStreamConfig*>(this);
    return CTransformOutputPin::QueryInterface(iid);
}

HRESULT CVorbisEncOutputPin::SetFormat(const CMediaType* type) {
    if (!type) return E_POINTER;
    CAutoLock lock(m_pLock);
    CTransformInputPin* input = m_pEncoder->InputPin();
    if (!input || !input->IsConnected()) return VFW_E_NOT_CONNECTED;
    auto block = VorbisBlockOf(*type);
    if (!block) return E_INVALIDARG;
    // The encoder deinterleaves with the input's channel count; a different configured count
    // would make it write past the analysis buffer.
    auto wfx = input->CurrentMediaType().WaveFormatEx();
    if (!wfx || wfx->nChannels != block->channels) return VFW_E_TYPE_NOT_ACCEPTED;
    m_pEncoder->StoreSettings(*block);
    return CBasePin::SetMediaType(type);
}

HRESULT CVorbisEncOutputPin::GetFormat(CMediaType* type) {
    if (!type) return E_POINTER;
    CAutoLock lock(m_pLock);
    CTransformInputPin* input = m_pEncoder->InputPin();
    if (!input || !input->IsConnected()) return VFW_E_NOT_CONNECTED;
    if (m_mt.majortype.IsNull() || m_mt.formattype.IsNull()) {
        return m_pEncoder->GetMediaType(0, type);
    }
    *type = m_mt;
    return S_OK;
}

HRESULT CVorbisEncOutputPin::GetNumberOfCapabilities(int32_t* count, int32_t* size) {
    return E_NOTIMPL;
}

HRESULT CVorbisEncOutputPin::GetStreamCaps(int32_t index, CMediaType* type,
                                           AUDIO_STREAM_CONFIG_CAPS* caps) {
    return E_NOTIMPL;
}

}  // namespace tarnel
