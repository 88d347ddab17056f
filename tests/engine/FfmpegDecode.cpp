#include "tests/engine/FfmpegDecode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace tarnel::test {
namespace {

struct FormatCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameCloser {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketCloser {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

double SampleAt(const AVFrame* frame, AVSampleFormat format, int channel, int index, int channels) {
    const bool planar = av_sample_fmt_is_planar(format);
    const int plane = planar ? channel : 0;
    const int at = planar ? index : index * channels + channel;
    const uint8_t* data = frame->extended_data[plane];
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_U8:
            return (data[at] - 128) / 128.0;
        case AV_SAMPLE_FMT_S16:
            return reinterpret_cast<const int16_t*>(data)[at] / 32768.0;
        case AV_SAMPLE_FMT_S32:
            return reinterpret_cast<const int32_t*>(data)[at] / 2147483648.0;
        case AV_SAMPLE_FMT_FLT:
            return reinterpret_cast<const float*>(data)[at];
        case AV_SAMPLE_FMT_DBL:
            return reinterpret_cast<const double*>(data)[at];
        default:
            throw std::runtime_error("unexpected sample format");
    }
}

}  // namespace

PcmAudio Slice(const PcmAudio& audio, double fromSeconds, double toSeconds) {
    PcmAudio out = audio;
    const auto clampFrame = [&](double seconds) {
        return std::min(audio.frames(),
                        static_cast<size_t>(std::max(0.0, seconds) * audio.sampleRate));
    };
    const size_t from = clampFrame(fromSeconds);
    const size_t to = std::max(from, clampFrame(toSeconds));
    out.samples.assign(audio.samples.begin() + long(from * audio.channels),
                       audio.samples.begin() + long(to * audio.channels));
    return out;
}

DecodedFile DecodeWithFfmpeg(const std::filesystem::path& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        throw std::runtime_error("FFmpeg cannot open " + path.string());
    }
    std::unique_ptr<AVFormatContext, FormatCloser> format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) {
        throw std::runtime_error("FFmpeg finds no stream in " + path.string());
    }
    const AVCodec* decoder = nullptr;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream < 0 || decoder == nullptr) throw std::runtime_error("no audio stream");
    const AVCodecParameters* params = format->streams[stream]->codecpar;
    std::unique_ptr<AVCodecContext, CodecCloser> codec(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(codec.get(), params);
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) {
        throw std::runtime_error("FFmpeg cannot open the decoder");
    }
    DecodedFile out;
    out.container = format->iformat->name;
    out.codec = decoder->name;
    out.codecTag = params->codec_tag;
    out.audio.sampleRate = codec->sample_rate;
    out.audio.channels = codec->ch_layout.nb_channels;
    out.audio.bitsPerSample = 16;

    std::unique_ptr<AVPacket, PacketCloser> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameCloser> frame(av_frame_alloc());
    auto drain = [&] {
        while (avcodec_receive_frame(codec.get(), frame.get()) == 0) {
            const int channels = frame->ch_layout.nb_channels;
            const auto fmt = static_cast<AVSampleFormat>(frame->format);
            for (int i = 0; i < frame->nb_samples; ++i) {
                for (int c = 0; c < channels; ++c) {
                    out.audio.samples.push_back(SampleAt(frame.get(), fmt, c, i, channels));
                }
            }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream) {
            if (avcodec_send_packet(codec.get(), packet.get()) < 0) {
                av_packet_unref(packet.get());
                throw std::runtime_error("FFmpeg refuses a packet");
            }
            drain();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(codec.get(), nullptr);
    drain();
    return out;
}

}  // namespace tarnel::test
