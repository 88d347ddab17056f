#include "platform/media/pcm/AudioDecompressor.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cstring>

#include "framework/VectorState.h"
#include "framework/WaveFormat.h"

namespace tarnel::media {
namespace {

// FFmpeg's WAVE reader hands its decoders packets of this many bytes (whole blocks).
constexpr size_t kReaderPacketBytes = 4096;

// The interleaved PCM a decoder sample format becomes; nullopt for formats without one.
std::optional<PcmFormat> PcmFor(AVSampleFormat format, uint32_t rate, uint16_t channels) {
    PcmFormat f;
    f.sampleRate = rate;
    f.channels = channels;
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_U8:
            f.bits = 8;
            break;
        case AV_SAMPLE_FMT_S16:
            f.bits = 16;
            break;
        case AV_SAMPLE_FMT_S32:
            f.bits = 32;
            break;
        case AV_SAMPLE_FMT_FLT:
            f.bits = 32;
            f.isFloat = true;
            break;
        case AV_SAMPLE_FMT_DBL:
            f.bits = 64;
            f.isFloat = true;
            break;
        default:
            return std::nullopt;
    }
    return f;
}

}  // namespace

bool IsCompressedWaveTagForDecompressor(uint16_t tag) {
    switch (tag) {
        case 0x0000:  // unknown
        case WAVE_FORMAT_PCM:
        case WAVE_FORMAT_IEEE_FLOAT:
        case WAVE_FORMAT_EXTENSIBLE:  // without a recognisable sub-format
        case 0x0050:                  // MPEG audio: the MPEG Layer-3 decoder's
        case 0x0055:
        case 0x000A:  // Windows Media audio: the WMA decoder's
        case 0x0160:
        case 0x0161:
        case 0x0162:
        case 0x0163:
            return false;
        default:
            return true;
    }
}

AudioDecompressor::~AudioDecompressor() = default;

std::unique_ptr<AudioDecompressor> AudioDecompressor::Open(std::span<const uint8_t> block,
                                                           std::string* why) {
    auto fail = [why](const char* reason) {
        if (why != nullptr) *why = reason;
        return nullptr;
    };
    auto info = DecodeWaveFormat(block);
    if (!info) return fail("no wave format block");
    if (info->formatTag == WAVE_FORMAT_EXTENSIBLE && !info->subFormatIsWaveTag) {
        return fail("extensible format without a wave format tag");
    }
    const uint16_t tag = info->EffectiveTag();
    if (!IsCompressedWaveTagForDecompressor(tag)) return fail("not a format to decompress");
    if (info->channels < 1 || info->channels > 8 || info->sampleRate < 1 ||
        info->sampleRate > 1'000'000 || info->blockAlign == 0) {
        return fail("implausible format parameters");
    }
    const AVCodecTag* const tables[] = {avformat_get_riff_audio_tags(), nullptr};
    const AVCodecID id = av_codec_get_id(tables, tag);
    const AVCodec* codec = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
    if (codec == nullptr) return fail("no decoder for this format tag");

    std::unique_ptr<AudioDecompressor> self(new AudioDecompressor());
    self->context_.reset(avcodec_alloc_context3(codec));
    self->frame_.reset(av_frame_alloc());
    self->packet_.reset(av_packet_alloc());
    if (!self->context_ || !self->frame_ || !self->packet_) return fail("out of memory");

    // The stream parameters as FFmpeg's WAVE reader derives them from the same block.
    AVCodecContext* ctx = self->context_.get();
    ctx->sample_rate = static_cast<int>(info->sampleRate);
    av_channel_layout_default(&ctx->ch_layout, info->channels);
    ctx->block_align = info->blockAlign;
    ctx->bit_rate = int64_t(info->avgBytesPerSec) * 8;
    ctx->bits_per_coded_sample = info->bitsPerSample;
    ctx->codec_tag = tag;
    if (id == AV_CODEC_ID_ADPCM_G726) {
        ctx->bits_per_coded_sample = static_cast<int>(ctx->bit_rate / ctx->sample_rate);
    }
    const size_t extraOffset =
        info->formatTag == WAVE_FORMAT_EXTENSIBLE ? kWaveFormatExtensibleSize : kWaveFormatExSize;
    const size_t extraEnd = kWaveFormatExSize + info->extraSize;
    if (extraEnd > extraOffset) {
        const size_t size = extraEnd - extraOffset;
        ctx->extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
        if (ctx->extradata == nullptr) return fail("out of memory");
        std::memcpy(ctx->extradata, block.data() + extraOffset, size);
        ctx->extradata_size = static_cast<int>(size);
    }
    if (avcodec_open2(ctx, codec, nullptr) < 0) return fail("the decoder refuses the format");
    auto pcm = PcmFor(ctx->sample_fmt, info->sampleRate, info->channels);
    if (!pcm || ctx->ch_layout.nb_channels != info->channels) {
        return fail("the decoder's output has no PCM form");
    }
    self->output_ = *pcm;
    self->outputSampleFormat_ = ctx->sample_fmt;
    self->inputBytesPerSecond_ = std::max<uint32_t>(info->avgBytesPerSec, 1);
    const size_t align = info->blockAlign;
    self->packetBytes_ = std::max(align, kReaderPacketBytes / align * align);
    return self;
}

std::optional<PcmFormat> AudioDecompressor::DecodedFormat(std::span<const uint8_t> block) {
    auto info = DecodeWaveFormat(block);
    if (!info || !IsCompressedWaveTagForDecompressor(info->EffectiveTag())) return std::nullopt;
    auto decompressor = Open(block);
    if (!decompressor) return std::nullopt;
    return decompressor->Output();
}

HRESULT AudioDecompressor::Decode(std::span<const uint8_t> data, std::vector<uint8_t>& pcm) {
    if (draining_) return E_UNEXPECTED;
    // Top up a held partial packet first, then send whole packets straight from `data`.
    if (!held_.empty()) {
        const size_t take = std::min(packetBytes_ - held_.size(), data.size());
        held_.insert(held_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
        data = data.subspan(take);
        if (held_.size() < packetBytes_) return S_OK;
        if (HRESULT hr = SendPacket(held_.data(), held_.size(), pcm); FAILED(hr)) return hr;
        held_.clear();
    }
    while (data.size() >= packetBytes_) {
        if (HRESULT hr = SendPacket(data.data(), packetBytes_, pcm); FAILED(hr)) return hr;
        data = data.subspan(packetBytes_);
    }
    held_.assign(data.begin(), data.end());
    return S_OK;
}

HRESULT AudioDecompressor::Drain(std::vector<uint8_t>& pcm) {
    if (draining_) return S_OK;
    if (!held_.empty()) {
        if (HRESULT hr = SendPacket(held_.data(), held_.size(), pcm); FAILED(hr)) return hr;
        held_.clear();
    }
    draining_ = true;
    if (const int result = avcodec_send_packet(context_.get(), nullptr); result < 0) {
        return ResultFromAvError(result);
    }
    return ReceiveFrames(pcm);
}

void AudioDecompressor::Reset() {
    held_.clear();
    draining_ = false;
    avcodec_flush_buffers(context_.get());
}

HRESULT AudioDecompressor::SendPacket(const uint8_t* data, size_t size, std::vector<uint8_t>& pcm) {
    ClearUpperVectorState();
    AVPacket* packet = packet_.get();
    av_packet_unref(packet);
    if (const int result = av_new_packet(packet, static_cast<int>(size)); result < 0) {
        return ResultFromAvError(result);
    }
    std::memcpy(packet->data, data, size);
    const int result = avcodec_send_packet(context_.get(), packet);
    av_packet_unref(packet);
    // A packet the decoder cannot read is skipped; the stream goes on with the next one.
    if (result == AVERROR_INVALIDDATA) return S_OK;
    if (result < 0) return ResultFromAvError(result);
    return ReceiveFrames(pcm);
}

HRESULT AudioDecompressor::ReceiveFrames(std::vector<uint8_t>& pcm) {
    for (;;) {
        const int result = avcodec_receive_frame(context_.get(), frame_.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return S_OK;
        if (result == AVERROR_INVALIDDATA) continue;
        if (result < 0) return ResultFromAvError(result);
        const HRESULT hr = AppendFrame(*frame_, pcm);
        av_frame_unref(frame_.get());
        if (FAILED(hr)) return hr;
    }
}

HRESULT AudioDecompressor::AppendFrame(const AVFrame& frame, std::vector<uint8_t>& pcm) const {
    // The announced format is what downstream was connected with; a change mid-stream cannot
    // be honoured.
    if (frame.format != outputSampleFormat_ || frame.ch_layout.nb_channels != output_.channels ||
        frame.sample_rate != static_cast<int>(output_.sampleRate) || frame.nb_samples < 0) {
        return VFW_E_INVALIDMEDIATYPE;
    }
    const size_t bytes = output_.bits / 8u;
    const size_t channels = output_.channels;
    const size_t frames = static_cast<size_t>(frame.nb_samples);
    const size_t start = pcm.size();
    pcm.resize(start + frames * channels * bytes);
    uint8_t* dst = pcm.data() + start;
    if (!av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame.format)) || channels == 1) {
        std::memcpy(dst, frame.extended_data[0], frames * channels * bytes);
        return S_OK;
    }
    for (size_t i = 0; i < frames; ++i) {
        for (size_t c = 0; c < channels; ++c) {
            std::memcpy(dst, frame.extended_data[c] + i * bytes, bytes);
            dst += bytes;
        }
    }
    return S_OK;
}

}  // namespace tarnel::media
