#include "platform/media/pcm/CPcmConverter.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/BufferRequest.h"
#include "framework/MediaSample.h"
#include "framework/RefTime.h"
#include "framework/WaveFormat.h"
#include "platform/media/pcm/PcmConverterFormats.h"

namespace tarnel::media {
namespace {

// Output buffers never grow beyond this; larger results go out as several samples.
constexpr int64_t kMaxOutputBuffer = 4 << 20;

bool IsWaveAudio(const CMediaType& mt) {
    return mt.majortype == MEDIATYPE_Audio && mt.formattype == FORMAT_WaveFormatEx;
}

std::optional<PcmFormat> FormatOf(const CMediaType& mt) {
    auto info = DecodeWaveFormat(mt.format);
    if (!info) return std::nullopt;
    return PcmFormat::FromWaveFormat(*info);
}

// The block cut to exactly 18 + cbSize bytes.
std::vector<uint8_t> CanonicalBlock(std::span<const uint8_t> block) {
    auto info = DecodeWaveFormat(block);
    const size_t size = info ? kWaveFormatExSize + info->extraSize : block.size();
    return std::vector<uint8_t>(block.begin(), block.begin() + std::min(size, block.size()));
}

}  // namespace

CMediaType PcmMediaType(std::span<const uint8_t> block) {
    CMediaType mt(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx);
    mt.SetFormat(block);
    if (auto info = DecodeWaveFormat(block)) {
        mt.subtype = FourccSubtype(info->EffectiveTag());
        mt.SetSampleSize(info->blockAlign);
    }
    return mt;
}

// ---- output pin ----

CPcmConverterOutputPin::CPcmConverterOutputPin(CPcmConverter* filter, HRESULT* hr)
    : CTransformOutputPin("XForm Out", filter, hr), converter_(filter) {}

void* CPcmConverterOutputPin::QueryInterface(const GUID& iid) {
    if (iid == IAMStreamConfig::IID) return static_cast<IAMStreamConfig*>(this);
    return CTransformOutputPin::QueryInterface(iid);
}

HRESULT CPcmConverterOutputPin::SetFormat(const CMediaType* type) {
    IFilterGraph* graph = nullptr;
    std::optional<std::vector<uint8_t>> previous;
    {
        CAutoLock lock(m_pLock);
        if (!type) {
            converter_->fixed_.reset();
            return S_OK;
        }
        if ((!type->majortype.IsNull() && type->majortype != MEDIATYPE_Audio) ||
            type->formattype != FORMAT_WaveFormatEx) {
            return VFW_E_INVALIDMEDIATYPE;
        }
        std::vector<uint8_t> block = CanonicalBlock(type->format);
        auto info = DecodeWaveFormat(block);
        if (!info || !IsPcmConverterOutput(block) ||
            info->avgBytesPerSec != info->sampleRate * info->blockAlign) {
            return VFW_E_INVALIDMEDIATYPE;
        }
        const CMediaType wanted = PcmMediaType(block);
        if (!IsConnected() || wanted == CurrentMediaType()) {
            converter_->fixed_ = std::move(block);
            return S_OK;
        }
        if (!IsStopped()) return VFW_E_NOT_STOPPED;
        if (GetConnected()->QueryAccept(&wanted) != S_OK) return VFW_E_INVALIDMEDIATYPE;
        graph = converter_->GetFilterGraph();
        if (!graph) return VFW_E_NOT_IN_GRAPH;
        previous = converter_->fixed_;
        converter_->fixed_ = std::move(block);
    }
    // The graph takes its own lock and then ours: call it without holding the filter lock.
    HRESULT hr = graph->Reconnect(this);
    if (FAILED(hr)) {
        CAutoLock lock(m_pLock);
        converter_->fixed_ = std::move(previous);
    }
    return hr;
}

HRESULT CPcmConverterOutputPin::GetFormat(CMediaType* type) {
    if (!type) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (converter_->fixed_) {
        *type = PcmMediaType(*converter_->fixed_);
    } else if (IsConnected()) {
        *type = CurrentMediaType();
    } else {
        std::vector<CMediaType> proposals = converter_->Proposals();
        *type = proposals.front();
    }
    return S_OK;
}

HRESULT CPcmConverterOutputPin::GetNumberOfCapabilities(int32_t* count, int32_t* size) {
    if (!count || !size) return E_POINTER;
    CAutoLock lock(m_pLock);
    *count = int32_t(converter_->Proposals().size());
    *size = int32_t(sizeof(AUDIO_STREAM_CONFIG_CAPS));
    return S_OK;
}

HRESULT CPcmConverterOutputPin::GetStreamCaps(int32_t index, CMediaType* type,
                                              AUDIO_STREAM_CONFIG_CAPS* caps) {
    if (!type || !caps) return E_POINTER;
    CAutoLock lock(m_pLock);
    std::vector<CMediaType> proposals = converter_->Proposals();
    if (index < 0 || size_t(index) >= proposals.size()) return S_FALSE;
    *type = proposals[size_t(index)];
    *caps = AUDIO_STREAM_CONFIG_CAPS{};
    caps->guid = MEDIATYPE_Audio;
    caps->MinimumChannels = 1;
    caps->MaximumChannels = 8;
    caps->ChannelsGranularity = 1;
    caps->MinimumBitsPerSample = 8;
    caps->MaximumBitsPerSample = 32;
    caps->BitsPerSampleGranularity = 8;
    caps->MinimumSampleFrequency = 1;
    caps->MaximumSampleFrequency = 1'000'000;
    caps->SampleFrequencyGranularity = 1;
    return S_OK;
}

// ---- filter ----

CPcmConverter::CPcmConverter()
    : CAudioCodecFilter("PCM Converter", CLSID_ACMWrapper, {.discontinuityAtRestart = true}) {
    HRESULT hr = S_OK;
    SetOutputPin(std::make_unique<CPcmConverterOutputPin>(this, &hr));
}

CPcmConverter::~CPcmConverter() {
    (void)Stop();
}

std::vector<CMediaType> CPcmConverter::Proposals() const {
    std::vector<CMediaType> out;
    if (fixed_) {
        out.push_back(PcmMediaType(*fixed_));
        return out;
    }
    // Offers follow the uncompressed form of the input.
    std::optional<std::vector<uint8_t>> input;
    if (m_pInput->IsConnected()) {
        if (auto pcm = InputPcm(m_pInput->CurrentMediaType())) {
            input = pcm->channelMask != 0 ? m_pInput->CurrentMediaType().format
                                          : MakePcmWaveFormat(pcm->sampleRate, pcm->channels,
                                                              pcm->bits, pcm->isFloat);
        }
    }
    for (const auto& block : ProposedPcmOutputs(input ? &*input : nullptr)) {
        out.push_back(PcmMediaType(block));
    }
    return out;
}

std::optional<PcmFormat> CPcmConverter::InputPcm(const CMediaType& in) const {
    if (!IsWaveAudio(in)) return std::nullopt;
    if (IsPcmConverterInput(in.format)) return FormatOf(in);
    std::lock_guard lock(memoLock_);
    if (memoBlock_ != in.format) {
        memoBlock_ = in.format;
        memoFormat_ = AudioDecompressor::DecodedFormat(in.format);
    }
    return memoFormat_;
}

HRESULT CPcmConverter::CheckInputType(const CMediaType* in) {
    if (!in) return E_POINTER;
    if (!InputPcm(*in)) return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CPcmConverter::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (!in || !out) return E_POINTER;
    if (CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    if (!IsWaveAudio(*out) || !IsPcmConverterOutput(out->format)) return VFW_E_TYPE_NOT_ACCEPTED;
    auto info = DecodeWaveFormat(out->format);
    if (out->subtype != FourccSubtype(info->EffectiveTag())) return VFW_E_TYPE_NOT_ACCEPTED;
    if (fixed_ && CanonicalBlock(out->format) != *fixed_) return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CPcmConverter::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    std::vector<CMediaType> proposals = Proposals();
    if (size_t(position) >= proposals.size()) return VFW_S_NO_MORE_ITEMS;
    *type = std::move(proposals[size_t(position)]);
    return S_OK;
}

HRESULT CPcmConverter::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    if (!alloc || !props) return E_POINTER;
    if (!m_pInput->IsConnected()) return E_UNEXPECTED;
    const CMediaType& inType = m_pInput->CurrentMediaType();
    auto in = InputPcm(inType);
    auto out = FormatOf(m_pOutput->CurrentMediaType());
    auto inBlock = DecodeWaveFormat(inType.format);
    if (!in || !out || !inBlock) return E_UNEXPECTED;
    // Size the buffers for one upstream buffer's worth of output plus the resampler's delay.
    const int64_t inBytesPerSecond = std::max<int64_t>(
        IsPcmConverterInput(inType.format) ? in->BytesPerSecond() : inBlock->avgBytesPerSec, 1);
    int64_t inBytes = inBytesPerSecond / 2;
    if (auto upstream = m_pInput->Allocator()) {
        ALLOCATOR_PROPERTIES up;
        if (SUCCEEDED(upstream->GetProperties(&up)) && up.cbBuffer > 0) inBytes = up.cbBuffer;
    }
    const int64_t inFrames = MulDivRound(inBytes, in->sampleRate, inBytesPerSecond) + 1;
    const int64_t outFrames = MulDivRound(inFrames, out->sampleRate, in->sampleRate) + 512;
    int64_t bytes = std::clamp<int64_t>(outFrames * out->BlockAlign(), 4096, kMaxOutputBuffer);
    bytes -= bytes % out->BlockAlign();
    return RequestBuffers(alloc, props,
                          {.buffers = 2,
                           .bytes = int32_t(bytes),
                           .needBuffers = 1,
                           .needBytes = int32_t(out->BlockAlign())});
}

HRESULT CPcmConverter::StartStreaming() {
    const CMediaType& inType = m_pInput->CurrentMediaType();
    decompressor_.reset();
    std::optional<PcmFormat> in;
    if (IsWaveAudio(inType) && !IsPcmConverterInput(inType.format)) {
        decompressor_ = AudioDecompressor::Open(inType.format);
        if (!decompressor_) return VFW_E_TYPE_NOT_ACCEPTED;
        in = decompressor_->Output();
    } else {
        in = FormatOf(inType);
    }
    auto out = FormatOf(m_pOutput->CurrentMediaType());
    if (!in || !out) return E_UNEXPECTED;
    inFormat_ = *in;
    outFormat_ = *out;
    resampler_.reset();
    if (!in->SameSamples(*out) || in->channelMask != out->channelMask) {
        resampler_ = PcmResampler::Create(*in, *out);
        if (!resampler_) return VFW_E_TYPE_NOT_ACCEPTED;
    }
    RestartTimeline();
    flushed_ = false;
    return S_OK;
}

HRESULT CPcmConverter::StopStreaming() {
    resampler_.reset();
    decompressor_.reset();
    decoded_ = {};
    return S_OK;
}

void CPcmConverter::RestartTimeline() {
    baseTime_.reset();
    framesOut_ = 0;
    RestartOutput();
}

void CPcmConverter::ResetCodec() {
    flushed_ = true;
}

HRESULT CPcmConverter::CopyThrough(IMediaSample* in, std::span<const uint8_t> bytes) {
    MediaSamplePtr out;
    HRESULT hr = InitializeOutputSample(in, out.Receive());
    if (FAILED(hr)) return hr;
    uint8_t* dst = nullptr;
    hr = out->GetPointer(&dst);
    if (FAILED(hr)) return hr;
    if (bytes.size() > size_t(std::max(out->GetSize(), 0))) return VFW_E_BUFFER_OVERFLOW;
    if (!bytes.empty()) std::memcpy(dst, bytes.data(), bytes.size());
    out->SetActualDataLength(int32_t(bytes.size()));
    return m_pOutput->Deliver(out.get());
}

HRESULT CPcmConverter::ProcessInput(IMediaSample* sample, std::span<const uint8_t> bytes) {
    if (!resampler_ && !decompressor_) return CopyThrough(sample, bytes);
    if (std::exchange(flushed_, false) || sample->IsDiscontinuity() == S_OK) {
        // After a flush or a gap the old filter state belongs to other audio.
        if (decompressor_) decompressor_->Reset();
        if (const int error = resampler_ ? resampler_->Reset() : 0; error < 0) {
            return ResultFromAvError(error);
        }
        RestartTimeline();
    }
    if (!baseTime_) {
        REFERENCE_TIME start = 0, stop = 0;
        baseTime_ = SUCCEEDED(sample->GetTime(&start, &stop)) ? start : 0;
    }
    if (decompressor_) return DecompressAndDeliver(bytes, false);
    return ConvertAndDeliver(bytes, false);
}

HRESULT CPcmConverter::DecompressAndDeliver(std::span<const uint8_t> in, bool end) {
    decoded_.clear();
    const HRESULT hr = end ? decompressor_->Drain(decoded_) : decompressor_->Decode(in, decoded_);
    if (FAILED(hr) || decoded_.empty()) return hr;
    return ConvertAndDeliver(decoded_, false);
}

HRESULT CPcmConverter::ConvertAndDeliver(std::span<const uint8_t> in, bool drain) {
    const uint32_t block = outFormat_.BlockAlign();
    for (bool first = true;; first = false) {
        MediaSamplePtr out;
        std::span<uint8_t> room;
        HRESULT hr = GetOutputBuffer(&out, &room);
        if (FAILED(hr)) return hr;  // decommitted by a stop
        const size_t capacity = room.size() / block;
        room = room.first(capacity * block);
        int frames = 0;
        if (!resampler_) {
            // Decompressed audio already in the output format: copied in buffer-sized pieces.
            if (drain) return S_OK;
            const size_t take = std::min(in.size() / block, capacity);
            std::memcpy(room.data(), in.data(), take * block);
            in = in.subspan(take * block);
            frames = int(take);
        } else {
            frames = drain ? resampler_->Drain(room)
                           : resampler_->Convert(first ? in : std::span<const uint8_t>{}, room);
        }
        if (frames < 0) return ResultFromAvError(frames);
        if (frames == 0) return S_OK;
        const REFERENCE_TIME start =
            *baseTime_ + SamplesToRefTime(framesOut_, outFormat_.sampleRate);
        const REFERENCE_TIME stop =
            *baseTime_ + SamplesToRefTime(framesOut_ + frames, outFormat_.sampleRate);
        const int64_t mediaStart = framesOut_;
        const int64_t mediaStop = framesOut_ + frames;
        out->SetMediaTime(&mediaStart, &mediaStop);
        framesOut_ += frames;
        hr = DeliverOutput(out.get(), size_t(frames) * block, &start, &stop);
        if (hr != S_OK) return hr;
        // A buffer filled to the brim may leave more behind; anything less was everything.
        if (resampler_ ? size_t(frames) < capacity : in.size() < block) return S_OK;
    }
}

HRESULT CPcmConverter::Drain() {
    // Nothing came since a flush: what the filters hold belongs to the audio before it.
    if (!baseTime_ || flushed_) return S_OK;
    if (decompressor_) {
        HRESULT hr = DecompressAndDeliver({}, true);
        if (FAILED(hr)) return hr;
    }
    if (resampler_) return ConvertAndDeliver({}, true);
    return S_OK;
}

HRESULT CPcmConverter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    if (decompressor_) decompressor_->Reset();
    if (resampler_ || decompressor_) {
        if (resampler_) (void)resampler_->Reset();  // a failure shows at the next Convert
        RestartTimeline();
    }
    return CTransformFilter::NewSegment(start, stop, rate);
}

}  // namespace tarnel::media
