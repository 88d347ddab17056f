#include "platform/media/pcm/PcmResampler.h"
#include "framework/VectorState.h"
#include "platform/media/io/ResultFromErrno.h"

#include <algorithm>
#include <bit>
#include <climits>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace tarnel::media {
namespace {

// The packed swresample format that carries samples of `f` (24-bit travels as 32-bit).
AVSampleFormat SwrFormat(const PcmFormat& f) {
    if (f.isFloat) return f.bits == 64 ? AV_SAMPLE_FMT_DBL : AV_SAMPLE_FMT_FLT;
    switch (f.bits) {
        case 8:
            return AV_SAMPLE_FMT_U8;
        case 16:
            return AV_SAMPLE_FMT_S16;
        default:
            return AV_SAMPLE_FMT_S32;
    }
}

AVChannelLayout LayoutOf(const PcmFormat& f) {
    AVChannelLayout layout{};
    if (f.channelMask != 0 && std::popcount(f.channelMask) == f.channels &&
        av_channel_layout_from_mask(&layout, f.channelMask) == 0) {
        return layout;
    }
    av_channel_layout_default(&layout, f.channels);
    return layout;
}

std::string AvErrorText(int err) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, text, sizeof text);
    return text;
}

bool Is24(const PcmFormat& f) {
    return !f.isFloat && f.bits == 24;
}

}  // namespace

HRESULT ResultFromAvError(int error) {
    return ResultFromErrno(-error);
}

std::optional<PcmFormat> PcmFormat::FromWaveFormat(const WaveBlockInfo& info) {
    if (!IsConvertiblePcm(info)) return std::nullopt;
    PcmFormat f;
    f.sampleRate = info.sampleRate;
    f.channels = info.channels;
    f.bits = info.bitsPerSample;
    f.isFloat = info.Kind() == SampleKind::Float;
    f.channelMask = info.channelMask;
    return f;
}

void PcmResampler::SwrDeleter::operator()(SwrContext* s) const {
    swr_free(&s);
}

PcmResampler::PcmResampler(const PcmFormat& in, const PcmFormat& out) : in_(in), out_(out) {}
PcmResampler::~PcmResampler() = default;

std::unique_ptr<PcmResampler> PcmResampler::Create(const PcmFormat& in, const PcmFormat& out,
                                                   std::string* why) {
    auto valid = [](const PcmFormat& f) {
        WaveBlockInfo info;
        info.formatTag = f.isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
        info.channels = f.channels;
        info.sampleRate = f.sampleRate;
        info.bitsPerSample = f.bits;
        info.blockAlign = uint16_t(f.BlockAlign());
        return f.BlockAlign() <= 0xFFFF && IsConvertiblePcm(info);
    };
    if (!valid(in) || !valid(out)) {
        if (why) *why = "unsupported PCM format";
        return nullptr;
    }
    std::unique_ptr<PcmResampler> r(new PcmResampler(in, out));
    if (r->Init(why) < 0) return nullptr;
    return r;
}

int PcmResampler::Init(std::string* why) {
    swr_.reset();
    drained_ = false;
    AVChannelLayout inLayout = LayoutOf(in_);
    AVChannelLayout outLayout = LayoutOf(out_);
    SwrContext* raw = nullptr;
    int err = swr_alloc_set_opts2(&raw, &outLayout, SwrFormat(out_), int(out_.sampleRate),
                                  &inLayout, SwrFormat(in_), int(in_.sampleRate), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    swr_.reset(raw);
    if (err >= 0) {
        // Level-keeping matrices for the common mono/stereo changes; rows are outputs.
        if (in_.channels == 1 && out_.channels == 2) {
            const double m[2] = {1.0, 1.0};
            err = swr_set_matrix(swr_.get(), m, 1);
        } else if (in_.channels == 2 && out_.channels == 1) {
            const double m[2] = {0.5, 0.5};
            err = swr_set_matrix(swr_.get(), m, 2);
        }
    }
    if (err >= 0) err = swr_init(swr_.get());
    if (err < 0) {
        if (why) *why = "swresample: " + AvErrorText(err);
        swr_.reset();
    }
    return err;
}

int PcmResampler::Reset() {
    return Init(nullptr);
}

size_t PcmResampler::MaxOutputFrames(size_t inFrames) const {
    const int n = swr_get_out_samples(swr_.get(), int(std::min<size_t>(inFrames, INT_MAX / 2)));
    return n < 0 ? 0 : size_t(n);
}

int PcmResampler::Convert(std::span<const uint8_t> in, std::span<uint8_t> out) {
    if (!swr_ || drained_) return AVERROR(EINVAL);
    const size_t inFrames = std::min<size_t>(in.size() / in_.BlockAlign(), INT_MAX / 64);
    const uint8_t* src = in.data();
    if (Is24(in_) && inFrames > 0) {
        const size_t count = inFrames * in_.channels;
        if (wideIn_.size() < count) wideIn_.resize(count);
        const uint8_t* p = in.data();
        for (size_t i = 0; i < count; ++i, p += 3) {
            wideIn_[i] = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24);
        }
        src = reinterpret_cast<const uint8_t*>(wideIn_.data());
    }
    // A non-null input with no frames collects held output without ending the stream.
    static const uint8_t kNothing = 0;
    if (inFrames == 0) src = &kNothing;
    return Run(src, int(inFrames), out);
}

int PcmResampler::Drain(std::span<uint8_t> out) {
    if (!swr_) return AVERROR(EINVAL);
    drained_ = true;
    return Run(nullptr, 0, out);
}

int PcmResampler::Run(const uint8_t* in, int inFrames, std::span<uint8_t> out) {
    ClearUpperVectorState();
    const int outCapacity = int(std::min<size_t>(out.size() / out_.BlockAlign(), INT_MAX / 64));
    uint8_t* dst = out.data();
    if (Is24(out_)) {
        const size_t count = size_t(outCapacity) * out_.channels;
        if (wideOut_.size() < count) wideOut_.resize(count);
        dst = reinterpret_cast<uint8_t*>(wideOut_.data());
    }
    const uint8_t* inPlanes[1] = {in};
    uint8_t* outPlanes[1] = {dst};
    const int frames =
        swr_convert(swr_.get(), outPlanes, outCapacity, in ? inPlanes : nullptr, inFrames);
    if (frames > 0 && Is24(out_)) {
        const size_t count = size_t(frames) * out_.channels;
        uint8_t* p = out.data();
        for (size_t i = 0; i < count; ++i, p += 3) {
            const uint32_t v = uint32_t(wideOut_[i]);
            p[0] = uint8_t(v >> 8);
            p[1] = uint8_t(v >> 16);
            p[2] = uint8_t(v >> 24);
        }
    }
    return frames;
}

}  // namespace tarnel::media
