#include "framework/TransformFilter.h"

#include "framework/MediaSample.h"

namespace tarnel {

// ---- input pin ----

CTransformInputPin::CTransformInputPin(std::string name, CTransformFilter* filter, HRESULT* hr)
    : CBaseInputPin(std::move(name), filter, &filter->m_csFilter, hr), m_pTransformFilter(filter) {}

HRESULT CTransformInputPin::CheckConnect(IPin* pin) {
    HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_INPUT, pin);
    if (FAILED(hr)) return hr;
    return CBaseInputPin::CheckConnect(pin);
}

HRESULT CTransformInputPin::BreakConnect() {
    m_pTransformFilter->BreakConnect(PINDIR_INPUT);
    return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_INPUT, receivePin);
    if (FAILED(hr)) return hr;
    return CBaseInputPin::CompleteConnect(receivePin);
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    HRESULT hr = m_pTransformFilter->CheckInputType(type);
    if (hr != S_OK) return hr;
    CTransformOutputPin* output = m_pTransformFilter->m_pOutput;
    if (output && output->IsConnected()) {
        return m_pTransformFilter->CheckTransform(type, &output->CurrentMediaType());
    }
    return S_OK;
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* type) {
    HRESULT hr = CBasePin::SetMediaType(type);
    if (FAILED(hr)) return hr;
    return m_pTransformFilter->SetMediaType(PINDIR_INPUT, type);
}

HRESULT CTransformInputPin::Receive(IMediaSample* sample) {
    CAutoLock lock(&m_pTransformFilter->m_csReceive);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    return m_pTransformFilter->Receive(sample);
}

HRESULT CTransformInputPin::EndOfStream() {
    CAutoLock lock(&m_pTransformFilter->m_csReceive);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    return m_pTransformFilter->EndOfStream();
}

HRESULT CTransformInputPin::BeginFlush() {
    CAutoLock lock(m_pLock);
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    HRESULT hr = CBaseInputPin::BeginFlush();
    if (FAILED(hr)) return hr;
    return m_pTransformFilter->BeginFlush();
}

HRESULT CTransformInputPin::EndFlush() {
    CAutoLock lock(m_pLock);
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    HRESULT hr = m_pTransformFilter->EndFlush();
    if (FAILED(hr)) return hr;
    return CBaseInputPin::EndFlush();
}

HRESULT CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    // Streaming state: a concurrent Stop must not free it under the filter's hands.
    CAutoLock lock(&m_pTransformFilter->m_csReceive);
    CBasePin::NewSegment(start, stop, rate);
    return m_pTransformFilter->NewSegment(start, stop, rate);
}

// ---- output pin ----

CTransformOutputPin::CTransformOutputPin(std::string name, CTransformFilter* filter, HRESULT* hr)
    : CBaseOutputPin(std::move(name), filter, &filter->m_csFilter, hr),
      m_pTransformFilter(filter) {}

CTransformOutputPin::~CTransformOutputPin() = default;

void* CTransformOutputPin::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID) {
        CAutoLock lock(m_pLock);
        if (!m_pPosition)
            m_pPosition = std::make_unique<CPosPassThru>(m_pTransformFilter->m_pInput);
        return static_cast<IMediaSeeking*>(m_pPosition.get());
    }
    return CBaseOutputPin::QueryInterface(iid);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* pin) {
    CTransformInputPin* input = m_pTransformFilter->m_pInput;
    if (!input || !input->IsConnected()) return E_UNEXPECTED;
    HRESULT hr = m_pTransformFilter->CheckConnect(PINDIR_OUTPUT, pin);
    if (FAILED(hr)) return hr;
    return CBaseOutputPin::CheckConnect(pin);
}

HRESULT CTransformOutputPin::BreakConnect() {
    m_pTransformFilter->BreakConnect(PINDIR_OUTPUT);
    return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = m_pTransformFilter->CompleteConnect(PINDIR_OUTPUT, receivePin);
    if (FAILED(hr)) return hr;
    return CBaseOutputPin::CompleteConnect(receivePin);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    return m_pTransformFilter->DecideBufferSize(alloc, props);
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    CTransformInputPin* input = m_pTransformFilter->m_pInput;
    if (!input || !input->IsConnected()) return E_UNEXPECTED;
    return m_pTransformFilter->CheckTransform(&input->CurrentMediaType(), type);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* type) {
    HRESULT hr = CBasePin::SetMediaType(type);
    if (FAILED(hr)) return hr;
    return m_pTransformFilter->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* type) {
    CTransformInputPin* input = m_pTransformFilter->m_pInput;
    if (!input || !input->IsConnected()) return E_UNEXPECTED;
    return m_pTransformFilter->GetMediaType(position, type);
}

// ---- filter ----

CTransformFilter::CTransformFilter(std::string name, const GUID& clsid)
    : CBaseFilter(std::move(name), &m_csFilter, clsid) {
    HRESULT hr = S_OK;
    SetInputPin(std::make_unique<CTransformInputPin>("XForm In", this, &hr));
    SetOutputPin(std::make_unique<CTransformOutputPin>("XForm Out", this, &hr));
}

CTransformFilter::~CTransformFilter() = default;

void CTransformFilter::SetInputPin(std::unique_ptr<CTransformInputPin> pin) {
    inputOwner_ = std::move(pin);
    m_pInput = inputOwner_.get();
    IncrementPinVersion();
}

void CTransformFilter::SetOutputPin(std::unique_ptr<CTransformOutputPin> pin) {
    outputOwner_ = std::move(pin);
    m_pOutput = outputOwner_.get();
    IncrementPinVersion();
}

CBasePin* CTransformFilter::GetPin(int index) {
    if (index == 0) return m_pInput;
    if (index == 1) return m_pOutput;
    return nullptr;
}

HRESULT CTransformFilter::FindPin(std::string_view id, IPin** pin) {
    HRESULT hr = CBaseFilter::FindPin(id, pin);
    if (SUCCEEDED(hr)) return hr;
    // The traditional short ids of a transform's pins.
    if (id == "In") {
        *pin = m_pInput;
        return S_OK;
    }
    if (id == "Out") {
        *pin = m_pOutput;
        return S_OK;
    }
    return hr;
}

HRESULT CTransformFilter::Stop() {
    CAutoLock lock(&m_csFilter);
    if (m_State == State_Stopped) return S_OK;
    if (!m_pInput->IsConnected() || !m_pOutput->IsConnected()) {
        m_bEOSDelivered = false;
        return CBaseFilter::Stop();  // streaming never started
    }
    // Deactivate first: this decommits the allocators, so a streaming thread blocked on a
    // buffer returns at once and leaves Receive; then wait for it and stop streaming.
    m_State = State_Stopped;
    m_pInput->Inactive();
    m_pOutput->Inactive();
    CAutoLock receive(&m_csReceive);
    HRESULT hr = StopStreaming();
    m_bEOSDelivered = false;
    return hr;
}

HRESULT CTransformFilter::Pause() {
    CAutoLock lock(&m_csFilter);
    HRESULT hr = S_OK;
    if (m_State == State_Paused) return S_OK;
    if (!m_pInput->IsConnected()) {
        // Nothing will ever arrive: tell downstream at once.
        if (m_pOutput->IsConnected() && !m_bEOSDelivered) {
            m_pOutput->DeliverEndOfStream();
            m_bEOSDelivered = true;
        }
        m_State = State_Paused;
    } else if (!m_pOutput->IsConnected()) {
        m_State = State_Paused;
    } else {
        if (m_State == State_Stopped) {
            CAutoLock receive(&m_csReceive);
            hr = StartStreaming();
            if (FAILED(hr)) return hr;
        }
        bool wasStopped = m_State == State_Stopped;
        hr = CBaseFilter::Pause();
        if (FAILED(hr) && wasStopped) {
            CAutoLock receive(&m_csReceive);
            (void)StopStreaming();  // undo the start; the pause failure is what we report
        }
    }
    m_bSampleSkipped = false;
    m_bQualityChanged = false;
    return hr;
}

HRESULT CTransformFilter::Transform(IMediaSample* in, IMediaSample* out) {
    return E_UNEXPECTED;
}
HRESULT CTransformFilter::StartStreaming() {
    return S_OK;
}
HRESULT CTransformFilter::StopStreaming() {
    return S_OK;
}
HRESULT CTransformFilter::AlterQuality(Quality quality) {
    return S_FALSE;
}
HRESULT CTransformFilter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    return S_OK;
}
HRESULT CTransformFilter::CheckConnect(PIN_DIRECTION direction, IPin* pin) {
    return S_OK;
}
HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION direction) {
    return S_OK;
}
HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION direction, IPin* receivePin) {
    return S_OK;
}

HRESULT CTransformFilter::InitializeOutputSample(IMediaSample* in, IMediaSample** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    // Each flag answers S_OK or S_FALSE; anything else is a fault of the sample.
    const HRESULT syncPoint = in->IsSyncPoint(), preroll = in->IsPreroll();
    const HRESULT discontinuity = in->IsDiscontinuity();
    for (HRESULT flag : {syncPoint, preroll, discontinuity}) {
        if (flag != S_OK && flag != S_FALSE) return E_UNEXPECTED;
    }
    uint32_t flags = 0;
    if (syncPoint != S_OK) flags |= AM_GBF_NOTASYNCPOINT;
    if (m_bSampleSkipped) flags |= AM_GBF_PREVFRAMESKIPPED;
    MediaSamplePtr sample;
    HRESULT hr = m_pOutput->GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, flags);
    if (FAILED(hr)) return hr;
    REFERENCE_TIME start = 0, end = 0;
    hr = in->GetTime(&start, &end);
    if (hr == S_OK) {
        sample->SetTime(&start, &end);
    } else if (hr == VFW_S_NO_STOP_TIME) {
        sample->SetTime(&start, nullptr);
    }
    int64_t mediaStart = 0, mediaEnd = 0;
    if (in->GetMediaTime(&mediaStart, &mediaEnd) == S_OK) {
        sample->SetMediaTime(&mediaStart, &mediaEnd);
    }
    sample->SetSyncPoint(syncPoint == S_OK);
    sample->SetPreroll(preroll == S_OK);
    // After dropped samples the next one downstream is a discontinuity.
    sample->SetDiscontinuity(discontinuity == S_OK || m_bSampleSkipped);
    *out = sample.Detach();
    return S_OK;
}

void CTransformFilter::AbortStream(HRESULT hr) {
    if (IsStopped() || m_pInput->IsFlushing()) return;  // caused by the stop or a flush
    NotifyEvent(EC_ERRORABORT, hr, 0);
}

HRESULT CTransformFilter::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    if (sample->GetStreamId() != AM_STREAM_MEDIA) return m_pOutput->Deliver(sample);

    MediaSamplePtr out;
    // Without a buffer because a stop decommitted the allocator, nothing is reported.
    HRESULT hr = InitializeOutputSample(sample, out.Receive());
    if (SUCCEEDED(hr)) hr = Transform(sample, out.get());
    if (FAILED(hr)) {
        AbortStream(hr);
        return hr;
    }
    if (hr == S_OK) {
        hr = m_pOutput->Deliver(out.get());
        m_bSampleSkipped = false;
        m_bQualityChanged = false;  // a new run of drops reports again
        return hr;
    }
    // S_FALSE: this sample is dropped; one quality change per run of drops.
    m_bSampleSkipped = true;
    if (!m_bQualityChanged) {
        NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
        m_bQualityChanged = true;
    }
    return S_OK;
}

HRESULT CTransformFilter::EndOfStream() {
    HRESULT hr = m_pOutput->DeliverEndOfStream();
    m_bEOSDelivered = true;
    return hr;
}

HRESULT CTransformFilter::BeginFlush() {
    return m_pOutput->DeliverBeginFlush();
}
HRESULT CTransformFilter::EndFlush() {
    return m_pOutput->DeliverEndFlush();
}
HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return m_pOutput->DeliverNewSegment(start, stop, rate);
}

}  // namespace tarnel
