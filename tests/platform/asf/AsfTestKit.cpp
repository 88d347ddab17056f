#include "tests/platform/asf/AsfTestKit.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace tarnel::test {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what);
}

double SampleAt(const AVFrame* frame, int channel, int index) {
    const auto format = AVSampleFormat(frame->format);
    const int channels = frame->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(format);
    const uint8_t* base = frame->data[planar ? channel : 0];
    const int at = planar ? index : index * channels + channel;
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_FLT:
            return reinterpret_cast<const float*>(base)[at];
        case AV_SAMPLE_FMT_DBL:
            return reinterpret_cast<const double*>(base)[at];
        case AV_SAMPLE_FMT_S16:
            return reinterpret_cast<const int16_t*>(base)[at] / 32768.0;
        case AV_SAMPLE_FMT_S32:
            return reinterpret_cast<const int32_t*>(base)[at] / 2147483648.0;
        case AV_SAMPLE_FMT_U8:
            return (base[at] - 128) / 128.0;
        default:
            Fail("unexpected sample format");
    }
}

struct Input {
    AVFormatContext* format = nullptr;
    ~Input() { avformat_close_input(&format); }
};

}  // namespace

FfmpegDecoded DecodeWithFfmpeg(const std::filesystem::path& path) {
    Input in;
    if (avformat_open_input(&in.format, path.c_str(), nullptr, nullptr) < 0) Fail("open");
    if (avformat_find_stream_info(in.format, nullptr) < 0) Fail("stream info");
    const int index = av_find_best_stream(in.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0) Fail("no audio");
    AVStream* stream = in.format->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) Fail("no decoder");
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> ctx(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(ctx.get(), stream->codecpar);
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) Fail("open decoder");

    FfmpegDecoded out;
    out.codecName = codec->name;
    out.codecTag = stream->codecpar->codec_tag;
    out.bitrate = stream->codecpar->bit_rate;
    if (in.format->duration > 0) out.containerSeconds = in.format->duration / double(AV_TIME_BASE);
    out.audio.sampleRate = stream->codecpar->sample_rate;
    out.audio.channels = stream->codecpar->ch_layout.nb_channels;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&] {
        while (avcodec_receive_frame(ctx.get(), frame) >= 0) {
            for (int i = 0; i < frame->nb_samples; ++i) {
                for (int c = 0; c < out.audio.channels; ++c) {
                    out.audio.samples.push_back(SampleAt(frame, c, i));
                }
            }
        }
    };
    while (av_read_frame(in.format, packet) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(ctx.get(), packet) >= 0) {
            receive();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(ctx.get(), nullptr);
    receive();
    av_packet_free(&packet);
    av_frame_free(&frame);
    return out;
}

void WriteAsfWithFfmpeg(const std::filesystem::path& path, const PcmAudio& audio,
                        const std::string& encoderName, int64_t bitrate) {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoderName.c_str());
    if (!codec) Fail("no encoder " + encoderName);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> enc(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    enc->sample_rate = audio.sampleRate;
    av_channel_layout_default(&enc->ch_layout, audio.channels);
    enc->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    enc->bit_rate = bitrate;
    enc->time_base = AVRational{1, audio.sampleRate};
    if (avcodec_open2(enc.get(), codec, nullptr) < 0) Fail("open encoder");

    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "asf", path.c_str()) < 0) Fail("muxer");
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> guard(out, [](AVFormatContext* f) {
        if (f->pb) avio_closep(&f->pb);
        avformat_free_context(f);
    });
    AVStream* stream = avformat_new_stream(out, nullptr);
    avcodec_parameters_from_context(stream->codecpar, enc.get());
    stream->time_base = enc->time_base;
    if (avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) Fail("create");
    if (avformat_write_header(out, nullptr) < 0) Fail("header");

    const int frameSize = enc->frame_size > 0 ? enc->frame_size : 1024;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(enc.get(), packet) >= 0) {
            packet->stream_index = 0;
            av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
            av_write_frame(out, packet);
        }
    };
    const size_t frames = audio.frames();
    for (size_t at = 0; at < frames; at += size_t(frameSize)) {
        const int n = int(std::min<size_t>(size_t(frameSize), frames - at));
        av_frame_unref(frame);
        frame->nb_samples = n;
        frame->format = enc->sample_fmt;
        frame->sample_rate = enc->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
        av_frame_get_buffer(frame, 0);
        const bool planar = av_sample_fmt_is_planar(enc->sample_fmt);
        for (int i = 0; i < n; ++i) {
            for (int c = 0; c < audio.channels; ++c) {
                const double v = audio.samples[(at + size_t(i)) * audio.channels + size_t(c)];
                if (enc->sample_fmt == AV_SAMPLE_FMT_FLTP) {
                    reinterpret_cast<float*>(frame->data[c])[i] = float(v);
                } else if (enc->sample_fmt == AV_SAMPLE_FMT_S16 && !planar) {
                    reinterpret_cast<int16_t*>(frame->data[0])[i * audio.channels + c] =
                        int16_t(std::lround(std::clamp(v * 32768.0, -32768.0, 32767.0)));
                } else {
                    Fail("unexpected encoder sample format");
                }
            }
        }
        frame->pts = int64_t(at);
        avcodec_send_frame(enc.get(), frame);
        drain();
    }
    avcodec_send_frame(enc.get(), nullptr);
    drain();
    av_write_trailer(out);
    av_frame_free(&frame);
    av_packet_free(&packet);
}

double FfmpegSeekLandsAt(const std::filesystem::path& path, double seconds) {
    Input in;
    if (avformat_open_input(&in.format, path.c_str(), nullptr, nullptr) < 0) Fail("open");
    if (avformat_find_stream_info(in.format, nullptr) < 0) Fail("stream info");
    AVStream* stream = in.format->streams[0];
    const int64_t target = int64_t(seconds / av_q2d(stream->time_base));
    if (av_seek_frame(in.format, 0, target, AVSEEK_FLAG_BACKWARD) < 0) Fail("seek");
    AVPacket* packet = av_packet_alloc();
    double at = -1;
    if (av_read_frame(in.format, packet) >= 0) at = packet->pts * av_q2d(stream->time_base);
    av_packet_free(&packet);
    return at;
}

}  // namespace tarnel::test
