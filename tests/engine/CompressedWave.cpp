#include "tests/engine/CompressedWave.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/media/compressors/AudioCompressorCodec.h"

namespace tarnel::test {

std::vector<uint8_t> Pcm16(const PcmAudio& audio) {
    std::vector<uint8_t> bytes;
    for (double s : audio.samples) {
        const auto v = static_cast<int16_t>(std::lround(std::clamp(s, -1.0, 0.99997) * 32768));
        bytes.push_back(uint8_t(v));
        bytes.push_back(uint8_t(uint16_t(v) >> 8));
    }
    return bytes;
}

std::vector<uint8_t> WaveFile(const std::vector<uint8_t>& format,
                              const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    };
    auto chunk = [&](const char* id, const std::vector<uint8_t>& body) {
        out.insert(out.end(), id, id + 4);
        put32(static_cast<uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
        if (body.size() % 2) out.push_back(0);
    };
    out.insert(out.end(), {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
    chunk("fmt ", format);
    chunk("data", data);
    const auto riff = static_cast<uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i) out[4 + i] = uint8_t(riff >> (8 * i));
    return out;
}

std::vector<uint8_t> CompressedWaveFile(const std::string& compressor, const PcmAudio& audio) {
    const auto* description = media::FindAudioCompressor(compressor);
    if (description == nullptr) return {};
    auto codec = media::AudioCompressorCodec::Open(*description, uint32_t(audio.sampleRate),
                                                   uint16_t(audio.channels));
    std::vector<uint8_t> encoded;
    if (!codec || !codec->Encode(Pcm16(audio), encoded) || !codec->Flush(encoded)) return {};
    return WaveFile(codec->FormatBlock(), encoded);
}

std::vector<uint8_t> FfmpegEncode(const char* encoder, const PcmAudio& audio, int64_t bitRate) {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
    if (codec == nullptr) return {};
    auto freeContext = [](AVCodecContext* c) { avcodec_free_context(&c); };
    std::unique_ptr<AVCodecContext, decltype(freeContext)> ctx(avcodec_alloc_context3(codec),
                                                               freeContext);
    ctx->sample_rate = audio.sampleRate;
    ctx->sample_fmt = AV_SAMPLE_FMT_S16;
    ctx->bit_rate = bitRate;
    av_channel_layout_default(&ctx->ch_layout, audio.channels);
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return {};
    const std::vector<uint8_t> pcm = Pcm16(audio);
    const size_t frameBytes = size_t(audio.channels) * 2;
    const size_t chunk = ctx->frame_size > 0 ? size_t(ctx->frame_size) : 1024;
    std::vector<uint8_t> encoded;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(ctx.get(), packet) == 0) {
            encoded.insert(encoded.end(), packet->data, packet->data + packet->size);
            av_packet_unref(packet);
        }
    };
    for (size_t at = 0; at < audio.frames(); at += chunk) {
        av_frame_unref(frame);
        // A short last frame is padded by libavcodec where the encoder needs whole frames.
        const size_t frames = std::min(chunk, audio.frames() - at);
        frame->nb_samples = int(frames);
        frame->format = AV_SAMPLE_FMT_S16;
        frame->sample_rate = audio.sampleRate;
        av_channel_layout_default(&frame->ch_layout, audio.channels);
        if (av_frame_get_buffer(frame, 0) < 0) break;
        std::memcpy(frame->data[0], pcm.data() + at * frameBytes, frames * frameBytes);
        if (avcodec_send_frame(ctx.get(), frame) < 0) break;
        drain();
    }
    avcodec_send_frame(ctx.get(), nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    return encoded;
}

std::vector<uint8_t> G726WaveFile(const PcmAudio& audio) {
    if (audio.sampleRate != 8000 || audio.channels != 1) return {};
    const std::vector<uint8_t> encoded = FfmpegEncode("g726", audio, 32000);
    if (encoded.empty()) return {};
    // Tag 0x0045, mono, 8000 Hz, 4000 bytes per second, 1-byte blocks, 4 bits per sample.
    std::vector<uint8_t> format = {0x45, 0, 1, 0, 0x40, 0x1F, 0, 0, 0xA0,
                                   0x0F, 0, 0, 1, 0,    4,    0, 0, 0};
    return WaveFile(format, encoded);
}

}  // namespace tarnel::test
