#include "platform/media/mpeg/CMpegAudioDecoder.h"

#include "framework/BufferRequest.h"

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
    : CAudioCodecFilter("MPEG Layer-3 Decoder", CLSID_MP3DecoderFilter,
                        {.discontinuityAtRestart = true}) {}

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
    // Room for at least one whole stereo sample frame.
    return RequestBuffers(
        alloc, props,
        {.buffers = kBufferCount, .bytes = kBufferBytes, .needBuffers = 1, .needBytes = 4});
}

void CMpegAudioDecoder::ResetTiming() {
    needBaseTime_ = true;
    baseTime_ = 0;
    samplesOut_ = 0;
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

void CMpegAudioDecoder::ResetCodec() {
    if (decoder_.IsOpen()) decoder_.Restart();
    ResetTiming();
}

HRESULT CMpegAudioDecoder::DeliverPcm(IMediaSample* out, size_t bytes) {
    const uint64_t frames = bytes / size_t(decoder_.BytesPerFrame());
    const auto rate = uint32_t(decoder_.Rate());
    REFERENCE_TIME start = baseTime_ + SamplesToRefTime(int64_t(samplesOut_), rate);
    REFERENCE_TIME end = baseTime_ + SamplesToRefTime(int64_t(samplesOut_ + frames), rate);
    samplesOut_ += frames;
    return DeliverOutput(out, bytes, &start, &end);
}

HRESULT CMpegAudioDecoder::ProcessInput(IMediaSample* sample, std::span<const uint8_t> bytes) {
    if (!decoder_.IsOpen()) return VFW_E_WRONG_STATE;
    REFERENCE_TIME start = 0, end = 0;
    if (needBaseTime_ && SUCCEEDED(sample->GetTime(&start, &end))) {
        baseTime_ = start;
        needBaseTime_ = false;
    }
    if (!decoder_.Feed(bytes)) {
        // The decoder refused the bytes: drop them and start afresh with the next ones.
        decoder_.Restart();
        return S_OK;
    }

    MediaSamplePtr out;
    std::span<uint8_t> room;
    size_t filled = 0;
    for (;;) {
        if (!out) {
            HRESULT hr = GetOutputBuffer(&out, &room);
            if (FAILED(hr)) return hr;  // decommitted: the filter is stopping
            filled = 0;
        }
        size_t produced = 0;
        const auto status = decoder_.Read(room.subspan(filled), &produced);
        filled += produced;
        const bool full = room.size() - filled < size_t(decoder_.BytesPerFrame());
        if (status == MpegDecoderCore::Status::Output && !full) continue;
        if (filled > 0) {
            HRESULT hr = DeliverPcm(out.get(), filled);
            out.Reset();
            if (hr != S_OK) return hr;
        }
        // Output (buffer full): go on with a new one. NeedMore: all fed was decoded. Error:
        // the decoder restarted and what was fed is gone; the next sample brings fresh bytes.
        if (status != MpegDecoderCore::Status::Output) return S_OK;
    }
}

}  // namespace tarnel::media
