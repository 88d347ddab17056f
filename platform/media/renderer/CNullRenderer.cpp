#include "platform/media/renderer/CNullRenderer.h"

namespace tarnel::media {

CNullRendererInputPin::CNullRendererInputPin(CNullRenderer* filter, CCritSec* lock, HRESULT* hr)
    : CBaseInputPin("In", filter, lock, hr), renderer_(filter) {}

HRESULT CNullRendererInputPin::CheckMediaType(const CMediaType* type) {
    return type ? S_OK : E_POINTER;
}

HRESULT CNullRendererInputPin::Receive(IMediaSample* sample) {
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    if (endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
    ++samples_;
    return S_OK;
}

HRESULT CNullRendererInputPin::EndOfStream() {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    if (endOfStream_.exchange(true)) return S_OK;
    return renderer_->NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT CNullRendererInputPin::EndFlush() {
    endOfStream_ = false;
    return CBaseInputPin::EndFlush();
}

HRESULT CNullRendererInputPin::Active() {
    endOfStream_ = false;
    samples_ = 0;
    return CBaseInputPin::Active();
}

CNullRenderer::CNullRenderer() : CBaseFilter("Null Renderer", &lock_, CLSID_NullRenderer) {
    HRESULT hr = S_OK;
    pin_ = std::make_unique<CNullRendererInputPin>(this, &lock_, &hr);
}

CNullRenderer::~CNullRenderer() {
    (void)CBaseFilter::Stop();
}

CBasePin* CNullRenderer::GetPin(int index) {
    return index == 0 ? pin_.get() : nullptr;
}

}  // namespace tarnel::media
