#include "platform/media/asf/AsfEncodeSession.h"

#include <algorithm>
#include <cerrno>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

#include "framework/PlanarInterleave.h"
#include "framework/VectorState.h"
#include "platform/media/asf/AsfFileLayout.h"
#include "platform/media/io/PosixFile.h"
#include "platform/media/io/ResultFromErrno.h"
#include "platform/media/wmruntime/WindowsMediaCodecCatalog.h"

namespace tarnel::media {
namespace {

constexpr int kIoBufferSize = 64 * 1024;
constexpr size_t kConvertFrames = 8192;  // PCM frames converted per step

// The muxer's output: positional writes into our file, with the position and the first error
// kept here.
struct OutputFile {
    PosixFile file;
    int64_t position = 0;
    int64_t size = 0;
    int error = 0;  // errno of the first failed write
};

#if LIBAVFORMAT_VERSION_MAJOR >= 61
int WriteOutput(void* opaque, const uint8_t* buffer, int size) {
#else
int WriteOutput(void* opaque, uint8_t* buffer, int size) {
#endif
    auto* out = static_cast<OutputFile*>(opaque);
    if (size < 0) return AVERROR(EINVAL);
    if (int err = out->file.WriteAt(uint64_t(out->position),
                                    std::span<const uint8_t>(buffer, size_t(size)));
        err != 0) {
        if (out->error == 0) out->error = err;
        return AVERROR(err);
    }
    out->position += size;
    out->size = std::max(out->size, out->position);
    return size;
}

int64_t SeekOutput(void* opaque, int64_t offset, int whence) {
    auto* out = static_cast<OutputFile*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return out->size;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += out->position;
            break;
        case SEEK_END:
            offset += out->size;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (offset < 0) return AVERROR(EINVAL);
    out->position = offset;
    return offset;
}

HRESULT ResultOfWrite(int err) {
    return err == ENOSPC || err == EDQUOT ? HRESULT_FROM_WIN32_DISK_FULL
                                          : HRESULT_FROM_WIN32_WRITE_FAULT;
}

}  // namespace

struct AsfEncodeSession::Impl {
    std::filesystem::path path;
    OutputFile output;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* encoder = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    bool headerWritten = false;

    std::unique_ptr<PcmResampler> resampler;
    // Interleaved float frames at the stream's format not yet encoded: the first pendingCount
    // values of `pending`, which keeps its size so that it is not cleared on every refill.
    std::vector<float> pending;
    size_t pendingCount = 0;
    int64_t nextPts = 0;  // in samples at the stream's rate
    uint16_t channels = 0;

    // Lets `fill` write up to `frames` converted frames straight after the pending ones;
    // returns what fill returns (the frames written, or a negative error).
    template <class Fill>
    int AppendConverted(size_t frames, Fill fill) {
        const size_t room = frames * channels;
        if (pending.size() < pendingCount + room) pending.resize(pendingCount + room);
        const int produced = fill(std::span(
            reinterpret_cast<uint8_t*>(pending.data() + pendingCount), room * sizeof(float)));
        pendingCount += size_t(std::max(produced, 0)) * channels;
        return produced;
    }

    ~Impl() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&encoder);
        if (format) {
            format->pb = nullptr;  // ours, freed below
            avformat_free_context(format);
        }
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
};

AsfEncodeSession::AsfEncodeSession(std::unique_ptr<Impl> impl, const PcmFormat& input)
    : impl_(std::move(impl)), input_(input) {}

AsfEncodeSession::~AsfEncodeSession() = default;

HRESULT AsfEncodeSession::Open(const std::filesystem::path& path, const AsfStreamSettings& stream,
                               const PcmFormat& input, std::unique_ptr<AsfEncodeSession>* session) {
    if (!session) return E_POINTER;
    session->reset();
    if (input.channels == 0 || input.sampleRate == 0) return E_INVALIDARG;
    const char* encoderName = WmaEncoderForTag(stream.formatTag);
    const AVCodec* codec = encoderName ? avcodec_find_encoder_by_name(encoderName) : nullptr;
    if (!codec || stream.channels == 0 || stream.sampleRate == 0) return VFW_E_UNSUPPORTED_AUDIO;

    auto impl = std::make_unique<Impl>();
    impl->path = path;
    impl->channels = stream.channels;

    // The PCM converter's core takes us from the input to float at the stream's format.
    PcmFormat floatFormat;
    floatFormat.sampleRate = stream.sampleRate;
    floatFormat.channels = stream.channels;
    floatFormat.bits = 32;
    floatFormat.isFloat = true;
    impl->resampler = PcmResampler::Create(input, floatFormat);
    if (!impl->resampler) return E_INVALIDARG;

    impl->encoder = avcodec_alloc_context3(codec);
    if (!impl->encoder) return E_OUTOFMEMORY;
    AVCodecContext* enc = impl->encoder;
    enc->bit_rate = stream.bitrate;
    enc->sample_rate = int(stream.sampleRate);
    enc->sample_fmt = AV_SAMPLE_FMT_FLTP;
    enc->time_base = AVRational{1, int(stream.sampleRate)};
    av_channel_layout_default(&enc->ch_layout, stream.channels);
    if (avcodec_open2(enc, codec, nullptr) < 0 || enc->frame_size <= 0) {
        return VFW_E_UNSUPPORTED_AUDIO;
    }

    if (avformat_alloc_output_context2(&impl->format, nullptr, "asf", nullptr) < 0 ||
        !impl->format) {
        return E_OUTOFMEMORY;
    }
    impl->stream = avformat_new_stream(impl->format, nullptr);
    if (!impl->stream) return E_OUTOFMEMORY;
    impl->stream->id = stream.streamNumber;
    impl->stream->time_base = enc->time_base;
    if (avcodec_parameters_from_context(impl->stream->codecpar, enc) < 0) return E_OUTOFMEMORY;
    if (!stream.language.empty()) {
        av_dict_set(&impl->stream->metadata, "language", stream.language.c_str(), 0);
    }

    if (int err = impl->output.file.Open(path, PosixFile::Mode::CreateTruncate); err != 0) {
        return ResultFromErrno(err);
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) return E_OUTOFMEMORY;
    impl->io = avio_alloc_context(buffer, kIoBufferSize, 1, &impl->output, nullptr, &WriteOutput,
                                  &SeekOutput);
    if (!impl->io) {
        av_free(buffer);
        return E_OUTOFMEMORY;
    }
    impl->io->seekable = AVIO_SEEKABLE_NORMAL;  // the header is completed at the end
    impl->format->pb = impl->io;

    impl->frame = av_frame_alloc();
    impl->packet = av_packet_alloc();
    if (!impl->frame || !impl->packet) return E_OUTOFMEMORY;
    impl->frame->nb_samples = enc->frame_size;
    impl->frame->format = enc->sample_fmt;
    impl->frame->sample_rate = enc->sample_rate;
    if (av_channel_layout_copy(&impl->frame->ch_layout, &enc->ch_layout) < 0 ||
        av_frame_get_buffer(impl->frame, 0) < 0) {
        return E_OUTOFMEMORY;
    }

    if (avformat_write_header(impl->format, nullptr) < 0) {
        return impl->output.error ? ResultOfWrite(impl->output.error) : E_FAIL;
    }
    impl->headerWritten = true;
    session->reset(new AsfEncodeSession(std::move(impl), input));
    return S_OK;
}

HRESULT AsfEncodeSession::Write(std::span<const uint8_t> pcm) {
    ClearUpperVectorState();
    if (finished_) return E_UNEXPECTED;
    Impl& s = *impl_;
    const size_t inBlock = input_.BlockAlign();
    const size_t frames = pcm.size() / inBlock;
    inputFrames_ += frames;
    for (size_t done = 0; done < frames;) {
        const size_t step = std::min(kConvertFrames, frames - done);
        const auto in = pcm.subspan(done * inBlock, step * inBlock);
        const int produced = s.AppendConverted(
            s.resampler->MaxOutputFrames(step),
            [&](std::span<uint8_t> out) { return s.resampler->Convert(in, out); });
        if (produced < 0) return E_FAIL;
        done += step;
        HRESULT hr = EncodePending(false);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT AsfEncodeSession::EncodePending(bool final) {
    Impl& s = *impl_;
    const auto frameSize = size_t(s.encoder->frame_size);
    size_t at = 0;
    const size_t available = s.pendingCount / s.channels;
    while (available - at >= frameSize || (final && at < available)) {
        const size_t take = std::min(frameSize, available - at);
        if (av_frame_make_writable(s.frame) < 0) return E_OUTOFMEMORY;
        auto* const* planes = reinterpret_cast<float* const*>(s.frame->data);
        DeinterleaveFloat(s.pending.data() + at * s.channels, s.channels, take, planes);
        for (uint16_t c = 0; c < s.channels; ++c) {
            std::fill(planes[c] + take, planes[c] + frameSize, 0.0f);  // the last frame is padded
        }
        s.frame->pts = s.nextPts;
        s.nextPts += int64_t(frameSize);
        at += take;
        if (avcodec_send_frame(s.encoder, s.frame) < 0) return E_FAIL;
        HRESULT hr = Drain();
        if (FAILED(hr)) return hr;
    }
    const size_t used = at * s.channels;
    std::copy(s.pending.begin() + ptrdiff_t(used), s.pending.begin() + ptrdiff_t(s.pendingCount),
              s.pending.begin());
    s.pendingCount -= used;
    return S_OK;
}

HRESULT AsfEncodeSession::Drain() {
    Impl& s = *impl_;
    for (;;) {
        const int r = avcodec_receive_packet(s.encoder, s.packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return S_OK;
        if (r < 0) return E_FAIL;
        s.packet->stream_index = s.stream->index;
        av_packet_rescale_ts(s.packet, s.encoder->time_base, s.stream->time_base);
        const int w = av_write_frame(s.format, s.packet);
        av_packet_unref(s.packet);
        if (w < 0) return s.output.error ? ResultOfWrite(s.output.error) : E_FAIL;
    }
}

HRESULT AsfEncodeSession::Finish(bool index) {
    ClearUpperVectorState();
    if (finished_) return E_UNEXPECTED;
    finished_ = true;
    Impl& s = *impl_;
    for (;;) {  // what the rate converter still holds
        const int produced = s.AppendConverted(
            kConvertFrames, [&](std::span<uint8_t> out) { return s.resampler->Drain(out); });
        if (produced < 0) return E_FAIL;
        if (produced == 0) break;
    }
    HRESULT hr = EncodePending(true);
    if (FAILED(hr)) return hr;
    if (avcodec_send_frame(s.encoder, nullptr) < 0) return E_FAIL;
    hr = Drain();
    if (FAILED(hr)) return hr;
    if (av_write_trailer(s.format) < 0) {
        return s.output.error ? ResultOfWrite(s.output.error) : E_FAIL;
    }
    avio_flush(s.io);
    if (s.output.error) return ResultOfWrite(s.output.error);
    s.output.file.Close();
    if (!index) return S_OK;
    hr = AppendAsfSimpleIndex(s.path);
    return FAILED(hr) ? hr : S_OK;
}

}  // namespace tarnel::media
