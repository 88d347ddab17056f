#include "filters/timestampcorrector/AudioTimeStampCorrector.h"

namespace tarnel {

AudioTimeStampCorrector::AudioTimeStampCorrector()
    : CTransInPlaceFilter("Audio Time Stamp Corrector", CLSID, /*modifiesData=*/true) {}

HRESULT AudioTimeStampCorrector::CheckInputType(const CMediaType* in) {
    if (!in) return E_POINTER;
    if (in->majortype != MEDIATYPE_Audio || in->formattype != FORMAT_WaveFormatEx) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    const auto wfx = in->WaveFormatEx();
    if (!wfx || wfx->wFormatTag != WAVE_FORMAT_PCM) return VFW_E_TYPE_NOT_ACCEPTED;
    // Without a byte rate no duration can be derived: every sample would be stamped 0.
    if (wfx->nAvgBytesPerSec == 0) return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT AudioTimeStampCorrector::StartStreaming() {
    const auto wfx = m_pInput->CurrentMediaType().WaveFormatEx();
    if (!wfx || wfx->nAvgBytesPerSec == 0) return E_UNEXPECTED;
    timeLine_.Restart(wfx->nAvgBytesPerSec);
    return S_OK;
}

HRESULT AudioTimeStampCorrector::StopStreaming() {
    timeLine_.Clear();
    return S_OK;
}

HRESULT AudioTimeStampCorrector::Transform(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    const int32_t length = sample->GetActualDataLength();
    const auto span = timeLine_.Next(length > 0 ? length : 0);
    sample->SetTime(&span.start, &span.stop);
    return S_OK;
}

HRESULT AudioTimeStampCorrector::GetMediaType(int position, CMediaType* type) {
    return E_UNEXPECTED;
}

HRESULT AudioTimeStampCorrector::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    HRESULT hr = CTransInPlaceFilter::SetMediaType(direction, type);
    if (FAILED(hr)) return hr;
    if (direction != PINDIR_OUTPUT || !type) return S_OK;
    if (!m_pInput->IsConnected() || !m_pOutput->IsConnected()) return S_OK;
    if (*type == m_pInput->CurrentMediaType()) return S_OK;
    return MatchInputToOutput(*type);
}

HRESULT AudioTimeStampCorrector::MatchInputToOutput(const CMediaType& outputType) {
    // Time stamps are derived from the input's byte rate and the bytes pass unchanged, so an
    // output type that differs from what actually flows in would mislabel the audio. Refusing
    // here makes the connection try its next candidate type instead.
    IPin* upstream = m_pInput->GetConnected();
    if (!upstream || upstream->QueryAccept(&outputType) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    if (!m_pGraph) return VFW_E_NOT_IN_GRAPH;
    HRESULT hr = m_pGraph->Reconnect(m_pInput);
    if (FAILED(hr)) return hr;
    if (!m_pInput->IsConnected() || !(m_pInput->CurrentMediaType() == outputType)) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

}  // namespace tarnel
