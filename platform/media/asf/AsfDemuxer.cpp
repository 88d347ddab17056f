#include "platform/media/asf/AsfDemuxer.h"

#include <algorithm>
#include <array>
#include <cerrno>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include "framework/RefTime.h"
#include "framework/VectorState.h"
#include "platform/media/asf/AsfFileLayout.h"
#include "platform/media/io/PosixFile.h"
#include "platform/media/io/ResultFromErrno.h"

namespace tarnel::media {
namespace {

constexpr int kIoBufferSize = 32 * 1024;
// Packets of other streams skipped in a row before the file is judged broken.
constexpr int kMaxSkippedPackets = 1 << 20;

struct InputFile {
    PosixFile file;
    int64_t size = 0;
    int64_t position = 0;
    int error = 0;
};

int ReadInput(void* opaque, uint8_t* buffer, int size) {
    auto* in = static_cast<InputFile*>(opaque);
    if (in->position >= in->size) return AVERROR_EOF;
    const int64_t n = in->file.ReadUpTo(uint64_t(in->position),
                                        std::span<uint8_t>(buffer, size_t(std::max(size, 0))));
    if (n < 0) {
        in->error = int(-n);
        return AVERROR(in->error);
    }
    if (n == 0) return AVERROR_EOF;
    in->position += n;
    return int(n);
}

int64_t SeekInput(void* opaque, int64_t offset, int whence) {
    auto* in = static_cast<InputFile*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return in->size;
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += in->position;
            break;
        case SEEK_END:
            offset += in->size;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (offset < 0) return AVERROR(EINVAL);
    in->position = offset;
    return offset;
}

int Interrupted(void* opaque) {
    auto* flag = static_cast<const std::atomic<bool>*>(opaque);
    return flag && flag->load() ? 1 : 0;
}

}  // namespace

struct AsfDemuxer::Impl {
    InputFile input;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVPacket* packet = nullptr;
    int streamIndex = -1;
    AVRational timeBase{1, 1000};
    int64_t startPts = 0;
    const std::atomic<bool>* interrupt = nullptr;

    ~Impl() {
        av_packet_free(&packet);
        avformat_close_input(&format);  // does not free a custom pb
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
    int64_t ToUnits(int64_t pts) const {
        return av_rescale_q(pts, timeBase, AVRational{1, int(UNITS)});
    }
};

AsfDemuxer::AsfDemuxer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
AsfDemuxer::~AsfDemuxer() = default;

HRESULT AsfDemuxer::Open(const std::filesystem::path& path, const std::atomic<bool>* interrupt,
                         std::unique_ptr<AsfDemuxer>* demuxer) {
    if (!demuxer) return E_POINTER;
    demuxer->reset();
    auto impl = std::make_unique<Impl>();
    impl->interrupt = interrupt;
    if (int err = impl->input.file.Open(path, PosixFile::Mode::Read); err != 0) {
        return ResultFromErrno(err);
    }
    impl->input.size = impl->input.file.Size();
    if (impl->input.size < 0) return ResultFromErrno(int(-impl->input.size));

    // The header object must be one and fit the file before libavformat walks it.
    std::array<uint8_t, 30> head{};
    if (impl->input.size < 30 || impl->input.file.ReadAt(0, head) != 0 ||
        GUID::FromBytes(head) != kAsfHeaderObject) {
        return VFW_E_INVALID_FILE_FORMAT;
    }
    uint64_t headerSize = 0;
    for (int i = 7; i >= 0; --i) headerSize = headerSize << 8 | head[size_t(16 + i)];
    if (headerSize < 30 || headerSize > uint64_t(impl->input.size)) {
        return VFW_E_INVALID_FILE_FORMAT;
    }

    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) return E_OUTOFMEMORY;
    impl->io =
        avio_alloc_context(buffer, kIoBufferSize, 0, &impl->input, &ReadInput, nullptr, &SeekInput);
    if (!impl->io) {
        av_free(buffer);
        return E_OUTOFMEMORY;
    }
    impl->format = avformat_alloc_context();
    if (!impl->format) return E_OUTOFMEMORY;
    impl->format->pb = impl->io;
    impl->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    impl->format->interrupt_callback.callback = &Interrupted;
    impl->format->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(interrupt);
    const AVInputFormat* asf = av_find_input_format("asf");
    if (!asf) return REGDB_E_CLASSNOTREG;
    if (avformat_open_input(&impl->format, nullptr, asf, nullptr) < 0) {
        // avformat_open_input frees the context on failure.
        impl->format = nullptr;
        return impl->input.error ? ResultFromErrno(impl->input.error) : VFW_E_INVALID_FILE_FORMAT;
    }
    for (unsigned i = 0; i < impl->format->nb_streams; ++i) {
        if (impl->format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            impl->streamIndex = int(i);
            break;
        }
    }
    if (impl->streamIndex < 0) return VFW_E_INVALID_FILE_FORMAT;
    for (unsigned i = 0; i < impl->format->nb_streams; ++i) {
        if (int(i) != impl->streamIndex) impl->format->streams[i]->discard = AVDISCARD_ALL;
    }
    AVStream* stream = impl->format->streams[impl->streamIndex];
    const AVCodecParameters* par = stream->codecpar;
    if (par->ch_layout.nb_channels <= 0 || par->ch_layout.nb_channels > 0xFFFF ||
        par->sample_rate <= 0 || par->extradata_size < 0 || par->extradata_size > 0xFFFF - 18) {
        return VFW_E_INVALID_FILE_FORMAT;
    }
    impl->timeBase = stream->time_base.num > 0 && stream->time_base.den > 0 ? stream->time_base
                                                                            : AVRational{1, 1000};
    impl->startPts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    impl->packet = av_packet_alloc();
    if (!impl->packet) return E_OUTOFMEMORY;

    WAVEFORMATEX wfx;
    wfx.wFormatTag = uint16_t(par->codec_tag);
    wfx.nChannels = uint16_t(par->ch_layout.nb_channels);
    wfx.nSamplesPerSec = uint32_t(par->sample_rate);
    wfx.nAvgBytesPerSec = uint32_t(std::clamp<int64_t>(par->bit_rate / 8, 0, INT32_MAX));
    wfx.nBlockAlign = uint16_t(std::clamp(par->block_align, 0, 0xFFFF));
    wfx.wBitsPerSample = uint16_t(std::clamp(par->bits_per_coded_sample, 0, 0xFFFF));
    std::span<const uint8_t> extra;
    if (par->extradata && par->extradata_size > 0) {
        extra = std::span<const uint8_t>(par->extradata, size_t(par->extradata_size));
    }
    auto self = std::unique_ptr<AsfDemuxer>(new AsfDemuxer(std::move(impl)));
    self->type_ = MakeAudioMediaType(wfx, extra);
    if (wfx.wFormatTag != WAVE_FORMAT_PCM) self->type_.SetVariableSize();
    int64_t duration = 0;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        duration = self->impl_->ToUnits(stream->duration);
    } else if (self->impl_->format->duration > 0) {
        duration = av_rescale(self->impl_->format->duration, UNITS, AV_TIME_BASE);
    }
    self->duration_ = std::max<int64_t>(duration, 0);
    *demuxer = std::move(self);
    return S_OK;
}

HRESULT AsfDemuxer::ReadPacket(AsfPacket* packet) {
    ClearUpperVectorState();
    if (!packet) return E_POINTER;
    Impl& s = *impl_;
    for (int skipped = 0; skipped < kMaxSkippedPackets; ++skipped) {
        const int r = av_read_frame(s.format, s.packet);
        if (r == AVERROR_EOF) return S_FALSE;
        if (r == AVERROR_EXIT || (s.interrupt && s.interrupt->load())) return E_ABORT;
        if (r < 0) {
            if (s.input.error) return ResultFromErrno(s.input.error);
            // A damaged tail: what came before stands, the stream ends here.
            return S_FALSE;
        }
        const bool ours = s.packet->stream_index == s.streamIndex && s.packet->size > 0;
        if (ours && size_t(s.packet->size) > kMaxPacketBytes) {
            av_packet_unref(s.packet);
            return VFW_E_INVALID_FILE_FORMAT;
        }
        if (ours) {
            packet->data.assign(s.packet->data, s.packet->data + s.packet->size);
            const int64_t pts = s.packet->pts != AV_NOPTS_VALUE ? s.packet->pts : s.packet->dts;
            packet->start =
                pts == AV_NOPTS_VALUE ? 0 : std::max<int64_t>(s.ToUnits(pts - s.startPts), 0);
            packet->duration = s.packet->duration > 0 ? s.ToUnits(s.packet->duration) : 0;
        }
        av_packet_unref(s.packet);
        if (ours) return S_OK;
    }
    return VFW_E_INVALID_FILE_FORMAT;
}

HRESULT AsfDemuxer::Seek(int64_t time) {
    Impl& s = *impl_;
    const int64_t target =
        av_rescale_q(std::max<int64_t>(time, 0), AVRational{1, int(UNITS)}, s.timeBase) +
        s.startPts;
    if (av_seek_frame(s.format, s.streamIndex, target, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(s.format, s.streamIndex, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) <
            0) {
        return E_FAIL;
    }
    return S_OK;
}

}  // namespace tarnel::media
