#pragma once
// The WMA decoder ("WMA Decoder"): the DMO wrapper filter stand-in once initialised with the
// WMA decoder DMO, and the same decoder registered for intelligent connection. WMA packets in
// (MEDIATYPE_Audio with WMA 1, 2, 9 Pro, 9 Lossless or Voice wave formats, as the FFmpeg build
// has decoders for them), 16-bit PCM out at the stream's rate and channel count, decoded by
// FFmpeg.
//
// One packet may give any amount of PCM, so Receive is the filter's own: it decodes and
// delivers output buffers as they fill. Output times run on from the first timed input sample
// after a start or flush, counted in decoded samples. A packet the decoder refuses costs its
// own audio, never the stream.
//
// Threads: connection and Init on the application thread; Receive and EndOfStream on the
// upstream streaming thread under the receive lock, which also guards the decoder and the
// timing fields.
#include <cstdint>
#include <memory>

#include "framework/MediaSample.h"
#include "framework/TransformFilter.h"
#include "platform/media/wmruntime/WindowsMediaInterfaces.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace tarnel::media {

// Our class identifier for the decoder as intelligent connection inserts it.
inline constexpr GUID CLSID_WmaDecoderFilter =
    MakeGuid(0x3F1A6C20, 0x7D51, 0x4B7E, {0xA1, 0x3C, 0x54, 0x41, 0x52, 0x4E, 0x45, 0x4C});

// True for the WMA format tags this decoder takes and the FFmpeg build can decode.
bool IsDecodableWmaTag(uint16_t formatTag);

class CWmaDecoder final : public CTransformFilter, public IDMOWrapperFilter {
public:
    // initialised: false for the bare DMO wrapper, which takes no type before Init.
    explicit CWmaDecoder(bool initialised, const GUID& clsid);
    ~CWmaDecoder() override;

    void* QueryInterface(const GUID& iid) override;

    // IDMOWrapperFilter: only the WMA decoder DMO in the audio decoder category is known
    // (REGDB_E_CLASSNOTREG for any other); while stopped and unconnected.
    HRESULT Init(const GUID& dmoClsid, const GUID& dmoCategory) override;

    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;

    // Packets the decoder refused since streaming started (streaming thread; for tests).
    uint64_t DecodeErrors() const { return errors_; }

    static constexpr int32_t kBufferBytes = 64 * 1024;
    static constexpr int32_t kBufferCount = 4;

private:
    HRESULT Decode(const AVPacket* packet);  // null drains
    HRESULT DeliverFrame(const AVFrame* frame);
    HRESULT Flush();
    void ResetTiming();

    struct CodecDeleter {
        void operator()(AVCodecContext* c) const;
    };
    struct FrameDeleter {
        void operator()(AVFrame* f) const;
    };
    struct PacketDeleter {
        void operator()(AVPacket* p) const;
    };

    bool initialised_;
    std::unique_ptr<AVCodecContext, CodecDeleter> codec_;
    std::unique_ptr<AVFrame, FrameDeleter> frame_;
    std::unique_ptr<AVPacket, PacketDeleter> packet_;
    uint16_t channels_ = 0;
    uint32_t rate_ = 0;
    uint64_t errors_ = 0;
    bool needBaseTime_ = true;
    REFERENCE_TIME baseTime_ = 0;
    uint64_t samplesOut_ = 0;
    bool discontinuity_ = true;
    MediaSamplePtr out_;  // the output buffer being filled
    size_t filled_ = 0;
};

}  // namespace tarnel::media
