#include "platform/media/wmruntime/WindowsMediaCodecCatalog.h"

#include <array>
#include <memory>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

namespace tarnel::media {
namespace {

struct Candidate {
    uint32_t kbps;
    uint32_t sampleRate;
    uint16_t channels;
};

// The formats a WMA codec is expected to offer, from speech quality to transparent music, in
// the order they are listed: bitrate, then sample rate, then channels. Each is tried on the
// encoder; the ones it refuses are left out.
constexpr std::array<Candidate, 49> kCandidates{{
    {5, 8000, 1},    {6, 8000, 1},    {8, 8000, 1},    {8, 11025, 1},   {10, 11025, 1},
    {10, 16000, 1},  {12, 8000, 2},   {12, 16000, 1},  {16, 16000, 1},  {16, 16000, 2},
    {16, 22050, 1},  {20, 16000, 2},  {20, 22050, 1},  {20, 22050, 2},  {22, 22050, 2},
    {24, 16000, 1},  {24, 16000, 2},  {24, 22050, 1},  {24, 22050, 2},  {32, 22050, 1},
    {32, 22050, 2},  {32, 32000, 1},  {32, 32000, 2},  {32, 44100, 1},  {40, 32000, 2},
    {40, 44100, 1},  {48, 32000, 2},  {48, 44100, 1},  {48, 44100, 2},  {48, 48000, 2},
    {64, 44100, 1},  {64, 44100, 2},  {64, 48000, 2},  {80, 44100, 2},  {80, 48000, 2},
    {96, 44100, 2},  {96, 48000, 2},  {128, 32000, 2}, {128, 44100, 1}, {128, 44100, 2},
    {128, 48000, 2}, {160, 44100, 2}, {160, 48000, 2}, {192, 44100, 2}, {192, 48000, 2},
    {256, 44100, 2}, {256, 48000, 2}, {320, 44100, 2}, {320, 48000, 2},
}};

struct KnownEncoder {
    AVCodecID id;
    uint16_t formatTag;
};

// Newest bitstream first, so the default codec (index 0) is the best one the build has.
constexpr std::array<KnownEncoder, 5> kKnownEncoders{{
    {AV_CODEC_ID_WMAPRO, 0x0162},
    {AV_CODEC_ID_WMAV2, 0x0161},
    {AV_CODEC_ID_WMAV1, 0x0160},
    {AV_CODEC_ID_WMALOSSLESS, 0x0163},
    {AV_CODEC_ID_WMAVOICE, 0x000A},
}};

constexpr int kTrialFrames = 4;

struct ContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

// Fills a frame of any planar or packed float or integer layout with noise near full scale.
void FillNoise(AVFrame* frame, uint32_t* seed) {
    const auto format = AVSampleFormat(frame->format);
    const AVSampleFormat packed = av_get_packed_sample_fmt(format);
    const int planes = av_sample_fmt_is_planar(format) ? frame->ch_layout.nb_channels : 1;
    const int perPlane = frame->nb_samples * (planes == 1 ? frame->ch_layout.nb_channels : 1);
    for (int p = 0; p < planes; ++p) {
        for (int i = 0; i < perPlane; ++i) {
            *seed = *seed * 1103515245u + 12345u;
            const double v = (double((*seed >> 8) & 0xFFFF) - 32768.0) / 32768.0 * 0.9;
            switch (packed) {
                case AV_SAMPLE_FMT_FLT:
                    reinterpret_cast<float*>(frame->data[p])[i] = float(v);
                    break;
                case AV_SAMPLE_FMT_DBL:
                    reinterpret_cast<double*>(frame->data[p])[i] = v;
                    break;
                case AV_SAMPLE_FMT_S16:
                    reinterpret_cast<int16_t*>(frame->data[p])[i] = int16_t(v * 32767);
                    break;
                case AV_SAMPLE_FMT_S32:
                    reinterpret_cast<int32_t*>(frame->data[p])[i] = int32_t(v * 2147483647.0);
                    break;
                default:
                    frame->data[p][i] = uint8_t(128 + int(v * 127));
                    break;
            }
        }
    }
}

// The codecs the build has, without their formats.
std::vector<WmaCodec> FindCodecs() {
    std::vector<WmaCodec> codecs;
    for (const KnownEncoder& known : kKnownEncoders) {
        const AVCodec* encoder = avcodec_find_encoder(known.id);
        if (encoder == nullptr) continue;
        WmaCodec codec;
        codec.name = encoder->long_name ? encoder->long_name : encoder->name;
        codec.encoderName = encoder->name;
        codec.formatTag = known.formatTag;
        codecs.push_back(std::move(codec));
    }
    return codecs;
}

std::vector<WmaCodecFormat> FindFormats(const WmaCodec& codec) {
    std::vector<WmaCodecFormat> formats;
    for (const Candidate& c : kCandidates) {
        WmaCodecFormat format;
        format.bitrate = c.kbps * 1000;
        format.sampleRate = c.sampleRate;
        format.channels = c.channels;
        if (!TryWmaEncoder(codec.encoderName, format.bitrate, format.sampleRate, format.channels,
                           &format.blockAlign, &format.extra)) {
            continue;
        }
        format.description = DescribeWmaFormat(format.bitrate, format.sampleRate, format.channels);
        formats.push_back(std::move(format));
    }
    return formats;
}

// The codec list and, per codec, its formats once they have been tried.
struct Catalog {
    std::vector<WmaCodec> codecs = FindCodecs();
    std::vector<std::vector<WmaCodecFormat>> formats =
        std::vector<std::vector<WmaCodecFormat>>(codecs.size());
    std::unique_ptr<std::once_flag[]> tried = std::make_unique<std::once_flag[]>(codecs.size());
};

Catalog& TheCatalog() {
    static Catalog catalog;
    return catalog;
}

}  // namespace

CMediaType WmaCodecFormat::MediaType(uint16_t formatTag) const {
    WAVEFORMATEX wfx;
    wfx.wFormatTag = formatTag;
    wfx.nChannels = channels;
    wfx.nSamplesPerSec = sampleRate;
    wfx.nAvgBytesPerSec = bitrate / 8;
    wfx.nBlockAlign = blockAlign;
    wfx.wBitsPerSample = 16;
    CMediaType type = MakeAudioMediaType(wfx, extra);
    type.SetSampleSize(blockAlign);
    return type;
}

const std::vector<WmaCodec>& InstalledWmaCodecList() {
    return TheCatalog().codecs;
}

const std::vector<WmaCodecFormat>& InstalledWmaFormats(size_t codecIndex) {
    Catalog& catalog = TheCatalog();
    static const std::vector<WmaCodecFormat> none;
    if (codecIndex >= catalog.codecs.size()) return none;
    std::call_once(catalog.tried[codecIndex],
                   [&] { catalog.formats[codecIndex] = FindFormats(catalog.codecs[codecIndex]); });
    return catalog.formats[codecIndex];
}

const std::vector<WmaCodec>& InstalledWmaCodecs() {
    static const std::vector<WmaCodec> codecs = [] {
        std::vector<WmaCodec> all = InstalledWmaCodecList();
        for (size_t i = 0; i < all.size(); ++i) all[i].formats = InstalledWmaFormats(i);
        return all;
    }();
    return codecs;
}

const char* WmaEncoderForTag(uint16_t formatTag) {
    for (const KnownEncoder& known : kKnownEncoders) {
        if (known.formatTag != formatTag) continue;
        const AVCodec* encoder = avcodec_find_encoder(known.id);
        return encoder ? encoder->name : nullptr;
    }
    return nullptr;
}

std::string DescribeWmaFormat(uint32_t bitrate, uint32_t sampleRate, uint16_t channels) {
    std::string layout = channels == 1   ? "mono"
                         : channels == 2 ? "stereo"
                                         : std::to_string(channels) + " channels";
    return std::to_string(bitrate / 1000) + " kbps, " + std::to_string(sampleRate / 1000) +
           " kHz, " + layout + " CBR";
}

bool TryWmaEncoder(const std::string& encoderName, uint32_t bitrate, uint32_t sampleRate,
                   uint16_t channels, uint16_t* blockAlign, std::vector<uint8_t>* extra) {
    const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName.c_str());
    if (encoder == nullptr || channels == 0) return false;
    std::unique_ptr<AVCodecContext, ContextDeleter> ctx(avcodec_alloc_context3(encoder));
    if (!ctx) return false;
    ctx->bit_rate = bitrate;
    ctx->sample_rate = int(sampleRate);
    av_channel_layout_default(&ctx->ch_layout, channels);
    const enum AVSampleFormat* formats = nullptr;
#if LIBAVCODEC_VERSION_MAJOR >= 61
    avcodec_get_supported_config(ctx.get(), encoder, AV_CODEC_CONFIG_SAMPLE_FORMAT, 0,
                                 reinterpret_cast<const void**>(&formats), nullptr);
#else
    formats = encoder->sample_fmts;
#endif
    ctx->sample_fmt = formats ? formats[0] : AV_SAMPLE_FMT_FLTP;
    const int previousLevel = av_log_get_level();
    // A refused candidate is an expected answer, not something to print.
    av_log_set_level(AV_LOG_QUIET);
    bool ok = avcodec_open2(ctx.get(), encoder, nullptr) >= 0;
    av_log_set_level(previousLevel);
    if (!ok) return false;

    std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    if (!frame || !packet) return false;
    frame->nb_samples = ctx->frame_size > 0 ? ctx->frame_size : 1024;
    frame->format = ctx->sample_fmt;
    frame->sample_rate = ctx->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout) < 0) return false;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return false;
    uint32_t seed = 1;
    av_log_set_level(AV_LOG_QUIET);
    for (int i = 0; ok && i <= kTrialFrames; ++i) {
        AVFrame* input = nullptr;  // the last round drains the encoder
        if (i < kTrialFrames) {
            if (av_frame_make_writable(frame.get()) < 0) {
                ok = false;
                break;
            }
            FillNoise(frame.get(), &seed);
            frame->pts = int64_t(i) * frame->nb_samples;
            input = frame.get();
        }
        if (avcodec_send_frame(ctx.get(), input) < 0) {
            ok = false;
            break;
        }
        for (;;) {
            const int r = avcodec_receive_packet(ctx.get(), packet.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
            if (r < 0) {
                ok = false;
                break;
            }
            av_packet_unref(packet.get());
        }
    }
    av_log_set_level(previousLevel);
    if (!ok || ctx->block_align <= 0 || ctx->block_align > 0xFFFF) return false;
    *blockAlign = uint16_t(ctx->block_align);
    extra->assign(ctx->extradata, ctx->extradata + std::max(ctx->extradata_size, 0));
    return true;
}

}  // namespace tarnel::media
