#include "platform/media/compressors/AudioCompressorFilter.h"

#include <algorithm>

#include "framework/MediaSample.h"

namespace tarnel::media {
namespace {

// The 16-bit integer PCM a compressor takes, as (rate, channels); nullopt for anything else.
std::optional<std::pair<uint32_t, uint16_t>> PcmInput(const CMediaType* type) {
    if (type == nullptr || type->majortype != MEDIATYPE_Audio) return std::nullopt;
    const auto info = type->WaveFormat();
    if (!info || info->EffectiveTag() != WAVE_FORMAT_PCM) return std::nullopt;
    const WAVEFORMATEX& f = info->format;
    if (f.wBitsPerSample != 16 || f.nChannels == 0 || f.nBlockAlign != f.nChannels * 2) {
        return std::nullopt;
    }
    return std::make_pair(f.nSamplesPerSec, f.nChannels);
}

}  // namespace

AudioCompressorFilter::AudioCompressorFilter(const AudioCompressorDescription& compressor)
    : CTransformFilter(compressor.displayName, TarnelAudioCompressorClsid(compressor.formatTag)),
      compressor_(compressor) {}

AudioCompressorFilter::~AudioCompressorFilter() = default;

HRESULT AudioCompressorFilter::CheckInputType(const CMediaType* in) {
    if (in == nullptr) return E_POINTER;
    const auto pcm = PcmInput(in);
    if (!pcm || !compressor_.AcceptsInput(pcm->first, pcm->second)) return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT AudioCompressorFilter::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (in == nullptr || out == nullptr) return E_POINTER;
    if (CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    if (out->majortype != MEDIATYPE_Audio || out->subtype != FourccSubtype(compressor_.formatTag)) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    const auto info = out->WaveFormat();
    const auto pcm = PcmInput(in);
    if (!info || info->format.wFormatTag != compressor_.formatTag ||
        info->format.nSamplesPerSec != pcm->first || info->format.nChannels != pcm->second) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT AudioCompressorFilter::GetMediaType(int position, CMediaType* type) {
    if (type == nullptr) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (!m_pInput->IsConnected()) return E_UNEXPECTED;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    const auto pcm = PcmInput(&m_pInput->CurrentMediaType());
    if (!pcm) return E_UNEXPECTED;
    const auto codec = AudioCompressorCodec::Open(compressor_, pcm->first, pcm->second);
    if (!codec) return VFW_E_TYPE_NOT_ACCEPTED;
    *type = CMediaType(MEDIATYPE_Audio, FourccSubtype(compressor_.formatTag), FORMAT_WaveFormatEx);
    type->SetFormat(codec->FormatBlock());
    type->SetSampleSize(codec->BlockAlign());
    return S_OK;
}

HRESULT AudioCompressorFilter::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    if (alloc == nullptr || props == nullptr) return E_POINTER;
    if (!m_pInput->IsConnected()) return E_UNEXPECTED;
    // Any size works (Receive splits what does not fit); a quarter second or so keeps the
    // number of deliveries low.
    const auto info = m_pOutput->CurrentMediaType().WaveFormat();
    const int32_t blockAlign = info ? std::max<int32_t>(info->format.nBlockAlign, 1) : 1;
    const int32_t perSecond = info ? static_cast<int32_t>(info->format.nAvgBytesPerSec) : 0;
    int32_t size = std::max(perSecond / 4, 4096);
    size = (size + blockAlign - 1) / blockAlign * blockAlign;
    ALLOCATOR_PROPERTIES request = *props;
    request.cBuffers = std::max(request.cBuffers, 4);
    request.cbBuffer = std::max(request.cbBuffer, size);
    request.cbAlign = std::max(request.cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    HRESULT hr = alloc->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    if (actual.cBuffers < 1 || actual.cbBuffer < 1) return E_FAIL;
    return S_OK;
}

HRESULT AudioCompressorFilter::StartStreaming() {
    const auto pcm = PcmInput(&m_pInput->CurrentMediaType());
    if (!pcm) return E_UNEXPECTED;
    codec_ = AudioCompressorCodec::Open(compressor_, pcm->first, pcm->second);
    if (!codec_) return E_FAIL;
    encoded_.clear();
    framesDelivered_ = 0;
    return S_OK;
}

HRESULT AudioCompressorFilter::StopStreaming() {
    codec_.reset();
    encoded_.clear();
    return S_OK;
}

HRESULT AudioCompressorFilter::Receive(IMediaSample* sample) {
    if (sample == nullptr) return E_POINTER;
    if (sample->GetStreamId() != AM_STREAM_MEDIA) return m_pOutput->Deliver(sample);
    if (restartPending_.exchange(false)) {
        HRESULT restarted = StartStreaming();
        if (FAILED(restarted)) return restarted;
    }
    if (!codec_) return VFW_E_WRONG_STATE;
    uint8_t* data = nullptr;
    HRESULT hr = sample->GetPointer(&data);
    if (FAILED(hr)) return hr;
    const int32_t length = sample->GetActualDataLength();
    if (length < 0) return E_UNEXPECTED;
    if (!codec_->Encode(std::span<const uint8_t>(data, static_cast<size_t>(length)), encoded_)) {
        AbortStream(E_FAIL);
        return E_FAIL;
    }
    hr = DeliverEncoded();
    if (FAILED(hr)) AbortStream(hr);
    return hr;
}

HRESULT AudioCompressorFilter::EndOfStream() {
    if (restartPending_.exchange(false)) (void)StartStreaming();  // nothing to flush after it
    if (codec_) {
        if (!codec_->Flush(encoded_)) {
            AbortStream(E_FAIL);
        } else {
            // A failure here was already reported downstream; end of stream still goes on.
            (void)DeliverEncoded();
        }
    }
    return CTransformFilter::EndOfStream();
}

HRESULT AudioCompressorFilter::BeginFlush() {
    // Audio before the flush is dropped: the streaming thread restarts the encoder with the
    // next sample. The receive lock is not taken here, as that thread may be waiting for a
    // buffer that only the downstream flush frees.
    restartPending_ = true;
    return CTransformFilter::BeginFlush();
}

HRESULT AudioCompressorFilter::DeliverEncoded() {
    const auto info = m_pOutput->CurrentMediaType().WaveFormat();
    const uint32_t blockAlign = info ? std::max<uint32_t>(info->format.nBlockAlign, 1) : 1;
    const uint32_t rate = info ? std::max<uint32_t>(info->format.nSamplesPerSec, 1) : 1;
    const uint64_t framesIn = codec_ ? codec_->FramesIn() : framesDelivered_;
    size_t offset = 0;
    HRESULT hr = S_OK;
    while (offset < encoded_.size()) {
        MediaSamplePtr out;
        hr = m_pOutput->GetDeliveryBuffer(out.Receive(), nullptr, nullptr, 0);
        if (FAILED(hr)) break;
        uint8_t* buffer = nullptr;
        hr = out->GetPointer(&buffer);
        if (FAILED(hr)) break;
        // Whole compressed blocks per buffer, unless one block is larger than a buffer.
        size_t room = static_cast<size_t>(std::max(out->GetSize(), 0));
        if (room >= blockAlign) room -= room % blockAlign;
        const size_t count = std::min(room, encoded_.size() - offset);
        if (count == 0) {
            hr = E_UNEXPECTED;
            break;
        }
        std::copy_n(encoded_.begin() + static_cast<std::ptrdiff_t>(offset), count, buffer);
        out->SetActualDataLength(static_cast<int32_t>(count));
        // Times follow the PCM consumed, shared out over the pieces by their size; the last
        // piece ends at the frames fed so far.
        const uint64_t framesEnd =
            framesDelivered_ + (framesIn - framesDelivered_) * count / (encoded_.size() - offset);
        offset += count;
        REFERENCE_TIME start = static_cast<REFERENCE_TIME>(framesDelivered_ * UNITS / rate);
        REFERENCE_TIME stop = static_cast<REFERENCE_TIME>(framesEnd * UNITS / rate);
        out->SetTime(&start, &stop);
        out->SetSyncPoint(true);
        framesDelivered_ = framesEnd;
        hr = m_pOutput->Deliver(out.get());
        if (hr != S_OK) break;
    }
    encoded_.erase(encoded_.begin(), encoded_.begin() + static_cast<std::ptrdiff_t>(offset));
    if (hr == S_FALSE) hr = S_OK;  // downstream wants no more; nothing to report
    return hr;
}

void RegisterAudioCompressors(FilterRegistry& registry) {
    // Every known compressor is registered without loading FFmpeg; listing the category asks
    // which ones this FFmpeg build has.
    for (const auto& compressor : KnownAudioCompressors()) {
        FilterRegistration entry;
        entry.clsid = TarnelAudioCompressorClsid(compressor.formatTag);
        entry.name = compressor.displayName;
        // Chosen by name only: intelligent connection never inserts a compressor.
        entry.merit = MERIT_DO_NOT_USE;
        entry.create = [compressor] { return std::make_shared<AudioCompressorFilter>(compressor); };
        entry.inputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}};
        entry.outputTypes = {{MEDIATYPE_Audio, FourccSubtype(compressor.formatTag)}};
        entry.category = CLSID_AudioCompressorCategory;
        entry.available = [tag = compressor.formatTag] { return IsAudioCompressorInstalled(tag); };
        registry.Register(std::move(entry));
    }
}

}  // namespace tarnel::media
