#include "framework/AudioCodecFilter.h"

namespace tarnel {

CAudioCodecFilter::CAudioCodecFilter(std::string name, const GUID& clsid, OutputMarks marks)
    : CTransformFilter(std::move(name), clsid), marks_(marks) {}

HRESULT CAudioCodecFilter::Stop() {
    HRESULT hr = CTransformFilter::Stop();
    CAutoLock receive(&m_csReceive);
    restarted_ = true;
    return hr;
}

HRESULT CAudioCodecFilter::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    if (sample->GetStreamId() != AM_STREAM_MEDIA) return m_pOutput->Deliver(sample);
    uint8_t* data = nullptr;
    const int32_t length = sample->GetActualDataLength();
    HRESULT hr = E_UNEXPECTED;
    if (SUCCEEDED(sample->GetPointer(&data)) && length >= 0 && (length == 0 || data)) {
        hr = ProcessInput(sample, std::span<const uint8_t>(data, static_cast<size_t>(length)));
    }
    if (FAILED(hr)) AbortStream(hr);
    return hr;
}

HRESULT CAudioCodecFilter::EndOfStream() {
    HRESULT hr = Drain();
    if (FAILED(hr)) {
        AbortStream(hr);
        return hr;
    }
    return CTransformFilter::EndOfStream();
}

HRESULT CAudioCodecFilter::EndFlush() {
    {
        CAutoLock receive(&m_csReceive);
        ResetCodec();
        restarted_ = true;
    }
    return CTransformFilter::EndFlush();
}

HRESULT CAudioCodecFilter::Drain() {
    return S_OK;
}

void CAudioCodecFilter::ResetCodec() {}

HRESULT CAudioCodecFilter::GetOutputBuffer(MediaSamplePtr* out, std::span<uint8_t>* room,
                                           uint32_t flags) {
    MediaSamplePtr sample;
    HRESULT hr = m_pOutput->GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, flags);
    if (FAILED(hr)) return hr;
    uint8_t* data = nullptr;
    hr = sample->GetPointer(&data);
    if (FAILED(hr)) return hr;
    if (!data) return E_POINTER;
    *room = std::span<uint8_t>(data, static_cast<size_t>(std::max(sample->GetSize(), 0)));
    *out = std::move(sample);
    return S_OK;
}

HRESULT CAudioCodecFilter::DeliverOutput(IMediaSample* out, size_t bytes,
                                         const REFERENCE_TIME* start, const REFERENCE_TIME* stop) {
    out->SetActualDataLength(static_cast<int32_t>(bytes));
    if (start) out->SetTime(start, stop);
    out->SetSyncPoint(marks_.syncPoint);
    out->SetDiscontinuity(marks_.discontinuityAtRestart && restarted_);
    out->SetPreroll(false);
    restarted_ = false;
    return m_pOutput->Deliver(out);
}

}  // namespace tarnel
