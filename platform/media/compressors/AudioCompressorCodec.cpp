#include "platform/media/compressors/AudioCompressorCodec.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/VectorState.h"
#include "framework/WaveFormat.h"

namespace tarnel::media {
namespace {

// Fixed order: a stored position in this list names a compressor.
const AudioCompressorDescription kKnownCompressors[] = {
    {"IMA ADPCM", "adpcm_ima_wav", 0x0011, 0, 2}, {"Microsoft ADPCM", "adpcm_ms", 0x0002, 0, 2},
    {"CCITT A-Law", "pcm_alaw", 0x0006, 0, 2},    {"CCITT u-Law", "pcm_mulaw", 0x0007, 0, 2},
    {"GSM 6.10", "libgsm_ms", 0x0031, 8000, 1},
};

// Encoders that take any number of frames get them in chunks of this many.
constexpr size_t kVariableChunkFrames = 4096;

std::string AvErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

}  // namespace

bool AudioCompressorDescription::AcceptsInput(uint32_t sampleRate, uint16_t channels) const {
    if (channels < 1 || channels > maxChannels) return false;
    if (sampleRate < 1000 || sampleRate > 192000) return false;
    return requiredRate == 0 || sampleRate == requiredRate;
}

void AudioCompressorDescription::NearestInput(uint32_t& sampleRate, uint16_t& channels) const {
    if (requiredRate != 0) sampleRate = requiredRate;
    sampleRate = std::clamp<uint32_t>(sampleRate, 1000, 192000);
    channels = std::clamp<uint16_t>(channels, 1, maxChannels);
}

std::span<const AudioCompressorDescription> KnownAudioCompressors() {
    return kKnownCompressors;
}

bool IsAudioCompressorInstalled(uint16_t formatTag) {
    return std::ranges::any_of(InstalledAudioCompressors(),
                               [formatTag](const auto& c) { return c.formatTag == formatTag; });
}

const std::vector<AudioCompressorDescription>& InstalledAudioCompressors() {
    static const std::vector<AudioCompressorDescription> installed = [] {
        std::vector<AudioCompressorDescription> list;
        for (const auto& known : kKnownCompressors) {
            if (avcodec_find_encoder_by_name(known.encoderName) != nullptr) list.push_back(known);
        }
        return list;
    }();
    return installed;
}

const AudioCompressorDescription* FindAudioCompressor(const std::string& displayName) {
    for (const auto& c : InstalledAudioCompressors()) {
        if (c.displayName == displayName) return &c;
    }
    return nullptr;
}

AudioCompressorCodec::~AudioCompressorCodec() = default;

std::unique_ptr<AudioCompressorCodec> AudioCompressorCodec::Open(
    const AudioCompressorDescription& compressor, uint32_t sampleRate, uint16_t channels,
    std::string* why) {
    auto fail = [why](std::string reason) {
        if (why != nullptr) *why = std::move(reason);
        return nullptr;
    };
    if (!compressor.AcceptsInput(sampleRate, channels)) {
        return fail(compressor.displayName + " does not take " + std::to_string(sampleRate) +
                    " Hz with " + std::to_string(channels) + " channels");
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(compressor.encoderName);
    if (codec == nullptr) return fail(std::string("no FFmpeg encoder ") + compressor.encoderName);

    std::unique_ptr<AudioCompressorCodec> self(new AudioCompressorCodec());
    self->context_.reset(avcodec_alloc_context3(codec));
    self->frame_.reset(av_frame_alloc());
    self->packet_.reset(av_packet_alloc());
    if (!self->context_ || !self->frame_ || !self->packet_) return fail("out of memory");

    AVCodecContext* ctx = self->context_.get();
    AVSampleFormat format = AV_SAMPLE_FMT_S16;
    if (codec->sample_fmts != nullptr) {
        format = codec->sample_fmts[0];
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
            if (*f == AV_SAMPLE_FMT_S16) format = *f;
        }
    }
    if (format != AV_SAMPLE_FMT_S16 && format != AV_SAMPLE_FMT_S16P) {
        return fail(compressor.displayName + " does not take 16-bit samples");
    }
    ctx->sample_fmt = format;
    ctx->sample_rate = static_cast<int>(sampleRate);
    av_channel_layout_default(&ctx->ch_layout, channels);
    ctx->time_base = AVRational{1, static_cast<int>(sampleRate)};
    if (int error = avcodec_open2(ctx, codec, nullptr); error < 0) {
        return fail(compressor.displayName + ": " + AvErrorText(error));
    }
    self->planar_ = format == AV_SAMPLE_FMT_S16P;
    self->frameSize_ = ctx->frame_size;
    self->channels_ = channels;
    self->sampleRate_ = sampleRate;
    self->BuildFormatBlock(compressor);
    return self;
}

void AudioCompressorCodec::BuildFormatBlock(const AudioCompressorDescription& compressor) {
    const AVCodecContext* ctx = context_.get();
    std::vector<uint8_t> extra;
    if (ctx->extradata != nullptr && ctx->extradata_size > 0) {
        extra.assign(ctx->extradata, ctx->extradata + ctx->extradata_size);
    } else if (frameSize_ > 0) {
        // Block-based formats carry their samples per block (as GSM 6.10 does).
        extra = {uint8_t(frameSize_), uint8_t(frameSize_ >> 8)};
    }
    formatBlock_.assign(kWaveFormatExSize + extra.size(), 0);
    uint8_t* b = formatBlock_.data();
    WriteLe16(b + 0, compressor.formatTag);
    WriteLe16(b + 2, channels_);
    WriteLe32(b + 4, sampleRate_);
    WriteLe32(b + 8, AvgBytesPerSec());
    WriteLe16(b + 12, static_cast<uint16_t>(BlockAlign()));
    WriteLe16(b + 14, static_cast<uint16_t>(std::max(ctx->bits_per_coded_sample, 0)));
    WriteLe16(b + 16, static_cast<uint16_t>(extra.size()));
    std::copy(extra.begin(), extra.end(), b + kWaveFormatExSize);
}

uint32_t AudioCompressorCodec::BlockAlign() const {
    if (context_->block_align > 0) return static_cast<uint32_t>(context_->block_align);
    return channels_ * std::max(1, context_->bits_per_coded_sample / 8);
}

uint32_t AudioCompressorCodec::AvgBytesPerSec() const {
    if (frameSize_ <= 0) return BlockAlign() * sampleRate_;
    return static_cast<uint32_t>(
        std::llround(double(BlockAlign()) * sampleRate_ / static_cast<double>(frameSize_)));
}

bool AudioCompressorCodec::Encode(std::span<const uint8_t> pcm, std::vector<uint8_t>& out) {
    if (flushed_) return false;
    const size_t frameBytes = size_t{channels_} * 2;
    // Complete the frame left over from the last call first.
    while (!pendingBytes_.empty() && !pcm.empty()) {
        pendingBytes_.push_back(pcm.front());
        pcm = pcm.subspan(1);
        if (pendingBytes_.size() == frameBytes) {
            for (size_t i = 0; i < frameBytes; i += 2) {
                held_.push_back(static_cast<int16_t>(pendingBytes_[i] | pendingBytes_[i + 1] << 8));
            }
            pendingBytes_.clear();
            ++framesIn_;
        }
    }
    const size_t whole = pcm.size() / frameBytes * frameBytes;
    const size_t start = held_.size();
    held_.resize(start + whole / 2);
    for (size_t i = 0; i < whole; i += 2) {
        held_[start + i / 2] = static_cast<int16_t>(pcm[i] | pcm[i + 1] << 8);
    }
    framesIn_ += whole / frameBytes;
    pendingBytes_.assign(pcm.begin() + static_cast<std::ptrdiff_t>(whole), pcm.end());

    const size_t chunk = frameSize_ > 0 ? static_cast<size_t>(frameSize_) : kVariableChunkFrames;
    const size_t heldFrames = held_.size() / channels_;
    size_t sent = 0;
    while (heldFrames - sent >= chunk) {
        if (!SendFrames(held_.data() + sent * channels_, chunk, out)) return false;
        sent += chunk;
    }
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(sent * channels_));
    return true;
}

bool AudioCompressorCodec::Flush(std::vector<uint8_t>& out) {
    ClearUpperVectorState();
    if (flushed_) return true;
    flushed_ = true;
    pendingBytes_.clear();
    size_t frames = held_.size() / channels_;
    if (frames > 0) {
        // Block formats only take whole blocks: the last one is completed with silence.
        if (frameSize_ > 0) frames = static_cast<size_t>(frameSize_);
        held_.resize(frames * channels_, 0);
        if (!SendFrames(held_.data(), frames, out)) return false;
        held_.clear();
    }
    if (avcodec_send_frame(context_.get(), nullptr) < 0) return false;
    return ReceivePackets(out);
}

bool AudioCompressorCodec::SendFrames(const int16_t* src, size_t frames,
                                      std::vector<uint8_t>& out) {
    ClearUpperVectorState();
    AVFrame* frame = frame_.get();
    av_frame_unref(frame);
    frame->nb_samples = static_cast<int>(frames);
    frame->format = context_->sample_fmt;
    frame->sample_rate = context_->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &context_->ch_layout) < 0) return false;
    if (av_frame_get_buffer(frame, 0) < 0) return false;
    if (planar_) {
        for (uint16_t c = 0; c < channels_; ++c) {
            auto* dst = reinterpret_cast<int16_t*>(frame->data[c]);
            for (size_t i = 0; i < frames; ++i) dst[i] = src[i * channels_ + c];
        }
    } else {
        std::memcpy(frame->data[0], src, frames * channels_ * sizeof(int16_t));
    }
    if (avcodec_send_frame(context_.get(), frame) < 0) return false;
    return ReceivePackets(out);
}

bool AudioCompressorCodec::ReceivePackets(std::vector<uint8_t>& out) {
    for (;;) {
        const int result = avcodec_receive_packet(context_.get(), packet_.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return false;
        out.insert(out.end(), packet_->data, packet_->data + packet_->size);
        av_packet_unref(packet_.get());
    }
}

}  // namespace tarnel::media
