#include "platform/media/asf/CWmaDecoder.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
}

#include "framework/BufferRequest.h"
#include "framework/Guids.h"
#include "framework/PlanarInterleave.h"
#include "framework/RefTime.h"
#include "framework/VectorState.h"

namespace tarnel::media {
namespace {

constexpr uint16_t kMaxChannels = 8;
constexpr uint32_t kMaxRate = 192000;

AVCodecID CodecForTag(uint16_t tag) {
    switch (tag) {
        case WAVE_FORMAT_WMAUDIO1:
            return AV_CODEC_ID_WMAV1;
        case WAVE_FORMAT_WMAUDIO2:
            return AV_CODEC_ID_WMAV2;
        case WAVE_FORMAT_WMAUDIO3:
            return AV_CODEC_ID_WMAPRO;
        case WAVE_FORMAT_WMAUDIO_LOSSLESS:
            return AV_CODEC_ID_WMALOSSLESS;
        case WAVE_FORMAT_WMAVOICE9:
            return AV_CODEC_ID_WMAVOICE;
        default:
            return AV_CODEC_ID_NONE;
    }
}

std::optional<WaveFormatInfo> WmaInput(const CMediaType& type) {
    if (type.majortype != MEDIATYPE_Audio || type.formattype != FORMAT_WaveFormatEx) {
        return std::nullopt;
    }
    auto info = type.WaveFormat();
    if (!info || !IsDecodableWmaTag(info->format.wFormatTag)) return std::nullopt;
    if (info->format.nChannels == 0 || info->format.nChannels > kMaxChannels ||
        info->format.nSamplesPerSec == 0 || info->format.nSamplesPerSec > kMaxRate) {
        return std::nullopt;
    }
    return info;
}

// Float to 16 bits, rounded to nearest (halves away from zero) and clipped; NaN becomes 0.
inline int16_t FloatToS16(float v) {
    float scaled = v * 32768.0f;
    scaled = scaled == scaled ? scaled : 0.0f;
    scaled = scaled < -32768.0f ? -32768.0f : (scaled > 32767.0f ? 32767.0f : scaled);
    return int16_t(int32_t(scaled + (scaled >= 0.0f ? 0.5f : -0.5f)));
}

struct Rounding {
    int16_t Scalar(float v) const { return FloatToS16(v); }
#if defined(__SSE2__)
    __m128i Vector(__m128 v) const {
        __m128 scaled = _mm_mul_ps(v, _mm_set1_ps(32768.0f));
        scaled = _mm_and_ps(scaled, _mm_cmpord_ps(scaled, scaled));
        scaled = _mm_max_ps(_mm_min_ps(scaled, _mm_set1_ps(32767.0f)), _mm_set1_ps(-32768.0f));
        // ±0.5 with the sign of the value (+0.5 or -0.5 for a zero: both truncate to 0).
        const __m128 half = _mm_or_ps(_mm_and_ps(scaled, _mm_set1_ps(-0.0f)), _mm_set1_ps(0.5f));
        return _mm_cvttps_epi32(_mm_add_ps(scaled, half));
    }
#endif
};

// Writes `count` frames from position `first` of a decoded frame as interleaved 16-bit PCM.
void Interleave(const AVFrame* frame, int first, int count, int channels, int16_t* out) {
    const auto format = AVSampleFormat(frame->format);
    if (format == AV_SAMPLE_FMT_FLTP && (channels == 1 || channels == 2)) {
        // What the WMA decoders produce: one vector loop over whole frames.
        const float* planes[2];
        for (int c = 0; c < channels; ++c) {
            planes[c] = reinterpret_cast<const float*>(frame->data[c]) + first;
        }
        auto* bytes = reinterpret_cast<uint8_t*>(out);
        const Rounding convert;
        if (channels == 1) {
            InterleavePlanarToInt16<1>(planes, count, convert, bytes);
        } else {
            InterleavePlanarToInt16<2>(planes, count, convert, bytes);
        }
        return;
    }
    const bool planar = av_sample_fmt_is_planar(format);
    for (int c = 0; c < channels; ++c) {
        const uint8_t* base = frame->data[planar ? c : 0];
        const int stride = planar ? 1 : channels;
        const int offset = planar ? first : first * channels + c;
        int16_t* to = out + c;
        switch (av_get_packed_sample_fmt(format)) {
            case AV_SAMPLE_FMT_FLT: {
                const float* from = reinterpret_cast<const float*>(base) + offset;
                for (int i = 0; i < count; ++i) to[i * channels] = FloatToS16(from[i * stride]);
                break;
            }
            case AV_SAMPLE_FMT_DBL: {
                const double* from = reinterpret_cast<const double*>(base) + offset;
                for (int i = 0; i < count; ++i) {
                    to[i * channels] = FloatToS16(float(from[i * stride]));
                }
                break;
            }
            case AV_SAMPLE_FMT_S16: {
                const int16_t* from = reinterpret_cast<const int16_t*>(base) + offset;
                for (int i = 0; i < count; ++i) to[i * channels] = from[i * stride];
                break;
            }
            case AV_SAMPLE_FMT_S32: {
                const int32_t* from = reinterpret_cast<const int32_t*>(base) + offset;
                for (int i = 0; i < count; ++i) to[i * channels] = int16_t(from[i * stride] >> 16);
                break;
            }
            case AV_SAMPLE_FMT_U8: {
                const uint8_t* from = base + offset;
                for (int i = 0; i < count; ++i) {
                    to[i * channels] = int16_t((int(from[i * stride]) - 128) * 256);
                }
                break;
            }
            default:
                for (int i = 0; i < count; ++i) to[i * channels] = 0;
                break;
        }
    }
}

}  // namespace

bool IsDecodableWmaTag(uint16_t formatTag) {
    const AVCodecID id = CodecForTag(formatTag);
    return id != AV_CODEC_ID_NONE && avcodec_find_decoder(id) != nullptr;
}

void CWmaDecoder::CodecDeleter::operator()(AVCodecContext* c) const {
    avcodec_free_context(&c);
}
void CWmaDecoder::FrameDeleter::operator()(AVFrame* f) const {
    av_frame_free(&f);
}
void CWmaDecoder::PacketDeleter::operator()(AVPacket* p) const {
    av_packet_free(&p);
}

CWmaDecoder::CWmaDecoder(bool initialised, const GUID& clsid)
    : CAudioCodecFilter("WMA Decoder", clsid, {.discontinuityAtRestart = true}),
      initialised_(initialised) {}

CWmaDecoder::~CWmaDecoder() {
    (void)CTransformFilter::Stop();
}

void* CWmaDecoder::QueryInterface(const GUID& iid) {
    if (iid == IDMOWrapperFilter::IID) return static_cast<IDMOWrapperFilter*>(this);
    return CAudioCodecFilter::QueryInterface(iid);
}

HRESULT CWmaDecoder::Init(const GUID& dmoClsid, const GUID& dmoCategory) {
    CAutoLock lock(&m_csFilter);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    if (m_pInput->IsConnected() || m_pOutput->IsConnected()) return VFW_E_ALREADY_CONNECTED;
    if (dmoClsid != CLSID_CWMADecMediaObject || dmoCategory != DMOCATEGORY_AUDIO_DECODER) {
        return REGDB_E_CLASSNOTREG;
    }
    initialised_ = true;
    return S_OK;
}

HRESULT CWmaDecoder::CheckInputType(const CMediaType* in) {
    if (!in) return E_POINTER;
    if (!initialised_) return VFW_E_TYPE_NOT_ACCEPTED;
    return WmaInput(*in) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CWmaDecoder::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (!m_pInput->IsConnected()) return VFW_E_NOT_CONNECTED;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    auto in = WmaInput(m_pInput->CurrentMediaType());
    if (!in) return E_UNEXPECTED;
    *type = MakeAudioMediaType(MakePcmFormat(in->format.nChannels, in->format.nSamplesPerSec, 16));
    return S_OK;
}

HRESULT CWmaDecoder::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (!in || !out) return E_POINTER;
    auto input = WmaInput(*in);
    if (!input || out->majortype != MEDIATYPE_Audio) return VFW_E_TYPE_NOT_ACCEPTED;
    auto output = out->WaveFormatEx();
    if (!output || output->wFormatTag != WAVE_FORMAT_PCM || output->wBitsPerSample != 16 ||
        output->nChannels != input->format.nChannels ||
        output->nSamplesPerSec != input->format.nSamplesPerSec ||
        output->nBlockAlign != 2 * output->nChannels) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT CWmaDecoder::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    return RequestBuffers(
        alloc, props, {.buffers = kBufferCount, .bytes = kBufferBytes, .needBytes = kBufferBytes});
}

HRESULT CWmaDecoder::StartStreaming() {
    auto in = WmaInput(m_pInput->CurrentMediaType());
    if (!in) return E_UNEXPECTED;
    const AVCodec* codec = avcodec_find_decoder(CodecForTag(in->format.wFormatTag));
    if (!codec) return VFW_E_NO_DECOMPRESSOR;
    codec_.reset(avcodec_alloc_context3(codec));
    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!codec_ || !frame_ || !packet_) return E_OUTOFMEMORY;
    AVCodecContext* c = codec_.get();
    c->sample_rate = int(in->format.nSamplesPerSec);
    av_channel_layout_default(&c->ch_layout, in->format.nChannels);
    c->bit_rate = int64_t(in->format.nAvgBytesPerSec) * 8;
    c->block_align = in->format.nBlockAlign;
    c->bits_per_coded_sample = in->format.wBitsPerSample;
    c->codec_tag = in->format.wFormatTag;
    if (!in->extra.empty()) {
        c->extradata =
            static_cast<uint8_t*>(av_mallocz(in->extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!c->extradata) return E_OUTOFMEMORY;
        std::memcpy(c->extradata, in->extra.data(), in->extra.size());
        c->extradata_size = int(in->extra.size());
    }
    if (avcodec_open2(c, codec, nullptr) < 0) return VFW_E_UNSUPPORTED_AUDIO;
    channels_ = in->format.nChannels;
    rate_ = in->format.nSamplesPerSec;
    errors_ = 0;
    ResetTiming();
    return S_OK;
}

HRESULT CWmaDecoder::StopStreaming() {
    out_.Reset();
    codec_.reset();
    frame_.reset();
    packet_.reset();
    return S_OK;
}

void CWmaDecoder::ResetTiming() {
    needBaseTime_ = true;
    baseTime_ = 0;
    samplesOut_ = 0;
    out_.Reset();
    filled_ = 0;
}

void CWmaDecoder::ResetCodec() {
    if (codec_) avcodec_flush_buffers(codec_.get());
    ResetTiming();
}

HRESULT CWmaDecoder::DeliverFilled() {
    if (!out_ || filled_ == 0) return S_OK;
    const uint64_t frames = filled_ / (2u * channels_);
    const REFERENCE_TIME start = baseTime_ + SamplesToRefTime(int64_t(samplesOut_), rate_);
    const REFERENCE_TIME end = baseTime_ + SamplesToRefTime(int64_t(samplesOut_ + frames), rate_);
    samplesOut_ += frames;
    HRESULT hr = DeliverOutput(out_.get(), filled_, &start, &end);
    out_.Reset();
    filled_ = 0;
    return hr;
}

HRESULT CWmaDecoder::DeliverFrame(const AVFrame* frame) {
    if (frame->ch_layout.nb_channels != channels_) {
        ++errors_;  // a stream that changes shape is not followed
        return S_OK;
    }
    const size_t frameBytes = 2u * channels_;
    for (int i = 0; i < frame->nb_samples;) {
        if (!out_) {
            HRESULT hr = GetOutputBuffer(&out_, &room_);
            if (FAILED(hr)) return hr;  // decommitted: the filter is stopping
            filled_ = 0;
        }
        const size_t capacity = room_.size() / frameBytes * frameBytes;
        const int room = int((capacity - filled_) / frameBytes);
        const int take = std::min(room, frame->nb_samples - i);
        Interleave(frame, i, take, channels_, reinterpret_cast<int16_t*>(room_.data() + filled_));
        filled_ += size_t(take) * frameBytes;
        i += take;
        if (filled_ + frameBytes > capacity) {
            HRESULT hr = DeliverFilled();
            if (hr != S_OK) return hr;
        }
    }
    return S_OK;
}

HRESULT CWmaDecoder::Decode(const AVPacket* packet) {
    ClearUpperVectorState();
    if (avcodec_send_packet(codec_.get(), packet) < 0) {
        ++errors_;  // this packet is lost, the stream goes on
        return S_OK;
    }
    for (;;) {
        const int r = avcodec_receive_frame(codec_.get(), frame_.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return S_OK;
        if (r < 0) {
            ++errors_;
            return S_OK;
        }
        HRESULT hr = DeliverFrame(frame_.get());
        av_frame_unref(frame_.get());
        if (hr != S_OK) return hr;
    }
}

HRESULT CWmaDecoder::ProcessInput(IMediaSample* sample, std::span<const uint8_t> bytes) {
    if (!codec_) return VFW_E_WRONG_STATE;
    REFERENCE_TIME start = 0, end = 0;
    if (needBaseTime_ && SUCCEEDED(sample->GetTime(&start, &end))) {
        baseTime_ = start;
        needBaseTime_ = false;
    }
    if (bytes.empty()) return S_OK;
    // The decoder reads past the end of its input: give it a padded copy.
    if (av_new_packet(packet_.get(), int(bytes.size())) < 0) return E_OUTOFMEMORY;
    std::memcpy(packet_->data, bytes.data(), bytes.size());
    HRESULT hr = Decode(packet_.get());
    av_packet_unref(packet_.get());
    return hr;  // a partly filled buffer waits for the next packet or the end of stream
}

HRESULT CWmaDecoder::Drain() {
    if (!codec_) return S_OK;
    HRESULT hr = Decode(nullptr);
    if (hr == S_OK) hr = DeliverFilled();
    avcodec_flush_buffers(codec_.get());
    return FAILED(hr) ? hr : S_OK;
}

}  // namespace tarnel::media
