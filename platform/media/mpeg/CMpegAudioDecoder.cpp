#include "platform/media/mpeg/CMpegAudioDecoder.h"

#include "framework/MediaSample.h"

namespace tarnel::media {
namespace {

std::optional<WAVEFORMATEX> MpegInputFormat(const CMediaType& type) {
    if (type.majortype != MEDIATYPE_Audio) return std::nullopt;
    if (type.subtype != MEDIASUBTYPE_MP3 && type.subtype != MEDIASUBTYPE_MPEG1AudioPayload) {
        return std::nullopt;
    }
    if (type.formattype != FORMAT_WaveFormatEx || type.FormatLength() < kWaveFormatExSize) {
        return std::nullopt;
    }
    auto f = type.WaveFormatEx();
    if (!f) return std::nullopt;
    if (f->wFormatTag != WAVE_FORMAT_MPEGLAYER3 && f->wFormatTag != WAVE_FORMAT_MPEG) {
        return std::nullopt;
    }
    if (f->nChannels != 1 && f->nChannels != 2) return std::nullopt;
    if (!MpegDecoderCore::IsSupportedRate(long(f->nSamplesPerSec))) return std::nullopt;
    return f;
}

}  // namespace

CMpegAudioDecoder::CMpegAudioDecoder()
    : CTransformFilter("MPEG Layer-3 Decoder", CLSID_MP3DecoderFilter) {}

CMpegAudioDecoder::~CMpegAudioDecoder() {
    (void)CTransformFilter::Stop();
}

HRESULT CMpegAudioDecoder::CheckInputType(const CMediaType* in) {
    if (!in) return E_POINTER;
    return MpegInputFormat(*in) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CMpegAudioDecoder::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    auto in = MpegInputFormat(m_pInput->CurrentMediaType());
    if (!in) return E_UNEXPECTED;
    *type = MakeAudioMediaType(MakePcmFormat(in->nChannels, in->nSamplesPerSec, 16));
    return S_OK;
}

HRESULT CMpegAudioDecoder::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (!in || !out) return E_POINTER;
    auto mpeg = MpegInputFormat(*in);
    if (!mpeg) return VFW_E_TYPE_NOT_ACCEPTED;
    if (out->majortype != MEDIATYPE_Audio || out->subtype != MEDIASUBTYPE_PCM ||
        out->formattype != FORMAT_WaveFormatEx) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    auto pcm = out->WaveFormatEx();
    if (!pcm || pcm->wFormatTag != WAVE_FORMAT_PCM || pcm->wBitsPerSample != 16 ||
        pcm->nChannels != mpeg->nChannels || pcm->nSamplesPerSec != mpeg->nSamplesPerSec ||
        pcm->nBlockAlign != mpeg->nChannels * 2) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT CMpegAudioDecoder::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    if (!alloc || !props) return E_POINTER;
    ALLOCATOR_PROPERTIES request = *props;
    request.cBuffers = std::max(props->cBuffers, kBufferCount);
    request.cbBuffer = std::max(props->cbBuffer, kBufferBytes);
    request.cbAlign = std::max(props->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    HRESULT hr = alloc->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    // Room for at least one whole stereo sample frame.
    if (actual.cBuffers < 1 || actual.cbBuffer < 4) return E_FAIL;
    return S_OK;
}

void CMpegAudioDecoder::ResetTiming() {
    needBaseTime_ = true;
    baseTime_ = 0;
    samplesOut_ = 0;
    discontinuity_ = true;
}

HRESULT CMpegAudioDecoder::StartStreaming() {
    auto in = MpegInputFormat(m_pInput->CurrentMediaType());
    if (!in) return E_UNEXPECTED;
    if (!decoder_.Open(long(in->nSamplesPerSec), in->nChannels)) return E_FAIL;
    ResetTiming();
    return S_OK;
}

HRESULT CMpegAudioDecoder::StopStreaming() {
    decoder_.Close();
    return S_OK;
}

HRESULT CMpegAudioDecoder::EndFlush() {
    {
        CAutoLock receive(&m_csReceive);
        if (decoder_.IsOpen()) decoder_.Restart();
        ResetTiming();
    }
    return CTransformFilter::EndFlush();
}

HRESULT CMpegAudioDecoder::DeliverPcm(IMediaSample* out, size_t bytes) {
    const uint64_t frames = bytes / size_t(decoder_.BytesPerFrame());
    const auto rate = uint32_t(decoder_.Rate());
    REFERENCE_TIME start = baseTime_ + SamplesToRefTime(int64_t(samplesOut_), rate);
    REFERENCE_TIME end = baseTime_ + SamplesToRefTime(int64_t(samplesOut_ + frames), rate);
    out->SetActualDataLength(int32_t(bytes));
    out->SetTime(&start, &end);
    out->SetSyncPoint(true);
    out->SetDiscontinuity(discontinuity_);
    discontinuity_ = false;
    samplesOut_ += frames;
    return m_pOutput->Deliver(out);
}

HRESULT CMpegAudioDecoder::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    if (sample->GetStreamId() != AM_STREAM_MEDIA) return m_pOutput->Deliver(sample);
    if (!decoder_.IsOpen()) return VFW_E_WRONG_STATE;

    REFERENCE_TIME start = 0, end = 0;
    if (needBaseTime_ && SUCCEEDED(sample->GetTime(&start, &end))) {
        baseTime_ = start;
        needBaseTime_ = false;
    }
    uint8_t* data = nullptr;
    const int32_t length = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || length < 0 || (length > 0 && !data)) {
        return E_UNEXPECTED;
    }
    if (!decoder_.Feed(std::span<const uint8_t>(data, size_t(length)))) {
        // The decoder refused the bytes: drop them and start afresh with the next ones.
        decoder_.Restart();
        return S_OK;
    }

    MediaSamplePtr out;
    size_t filled = 0;
    for (;;) {
        if (!out) {
            HRESULT hr = m_pOutput->GetDeliveryBuffer(out.Receive(), nullptr, nullptr, 0);
            if (FAILED(hr)) return hr;  // decommitted: the filter is stopping
            filled = 0;
        }
        uint8_t* buffer = nullptr;
        out->GetPointer(&buffer);
        const size_t capacity = size_t(std::max(out->GetSize(), 0));
        size_t produced = 0;
        const auto status =
            decoder_.Read(std::span<uint8_t>(buffer + filled, capacity - filled), &produced);
        filled += produced;
        const bool full = capacity - filled < size_t(decoder_.BytesPerFrame());
        if (status == MpegDecoderCore::Status::Output && !full) continue;
        if (filled > 0) {
            HRESULT hr = DeliverPcm(out.get(), filled);
            out.Reset();
            if (hr != S_OK) return hr;
        }
        if (status == MpegDecoderCore::Status::NeedMore) return S_OK;
        // Output (buffer full): go on with a new one. Error: the decoder restarted and what
        // was fed is gone; the next sample brings fresh bytes.
        if (status == MpegDecoderCore::Status::Error) return S_OK;
    }
}

}  // namespace tarnel::media
