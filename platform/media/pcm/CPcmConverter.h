#pragma once
// The PCM converter (the stand-in for the system ACM Wrapper): converts sample rate, channel
// count and sample size of uncompressed audio with libswresample. Input: integer PCM of 8, 16,
// 24 or 32 bits or float of 32 or 64 bits, plain or WAVE_FORMAT_EXTENSIBLE, or any compressed
// WAVE format that AudioDecompressor decodes (ADPCM, G.711, GSM ...), which is decompressed
// first, so intelligent connection puts this filter behind a WAVE parser delivering compressed
// audio just as it puts the ACM Wrapper there. Output: PCM (or
// float) in the format set through IAMStreamConfig::SetFormat on the output pin, or, when none
// was set, one of the common formats it offers to intelligent connection (ProposedPcmOutputs).
//
// When input and output carry the same samples the bytes are copied through. Otherwise each
// input sample is converted straight into output buffers (one swresample call per buffer, no
// per-sample virtual calls); an input sample can yield several output samples or none. Output
// time stamps count output frames from the first input time stamp of the segment; end of stream
// drains the resampler first.
//
// Failures of the decompressor and the resampler are passed up as they give them.
//
// Threads: SetFormat/GetFormat and connection calls on the application thread under the
// filter lock; ProcessInput, Drain and NewSegment on the upstream streaming thread and
// ResetCodec at the end of a flush, all under m_csReceive (which owns the streaming state).
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "framework/AudioCodecFilter.h"
#include "platform/media/pcm/AudioDecompressor.h"
#include "platform/media/pcm/PcmResampler.h"

namespace tarnel::media {

class CPcmConverter;

class CPcmConverterOutputPin final : public CTransformOutputPin, public IAMStreamConfig {
public:
    CPcmConverterOutputPin(CPcmConverter* filter, HRESULT* hr);

    void* QueryInterface(const GUID& iid) override;

    // IAMStreamConfig
    // Fixes the output format (a PCM or float wave format; null forgets it). While the output
    // is connected the downstream pin must accept the new type and the pin is reconnected.
    HRESULT SetFormat(const CMediaType* type) override;
    // The fixed format, else the connection type, else the first proposal.
    HRESULT GetFormat(CMediaType* type) override;
    HRESULT GetNumberOfCapabilities(int32_t* count, int32_t* size) override;
    HRESULT GetStreamCaps(int32_t index, CMediaType* type, AUDIO_STREAM_CONFIG_CAPS* caps) override;

private:
    CPcmConverter* converter_;
};

class CPcmConverter final : public CAudioCodecFilter {
public:
    CPcmConverter();
    ~CPcmConverter() override;

    HRESULT CheckInputType(const CMediaType* in) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // The format fixed by SetFormat (18 + cbSize bytes), if any. Filter lock.
    const std::optional<std::vector<uint8_t>>& FixedFormat() const { return fixed_; }

protected:
    HRESULT ProcessInput(IMediaSample* in, std::span<const uint8_t> bytes) override;
    HRESULT Drain() override;
    void ResetCodec() override;

private:
    friend class CPcmConverterOutputPin;

    // The same samples in and out: the bytes go out in a sample carrying the input's times and
    // flags.
    HRESULT CopyThrough(IMediaSample* in, std::span<const uint8_t> bytes);

    // The output types offered now, best first.
    std::vector<CMediaType> Proposals() const;
    // The uncompressed audio an input type carries or decompresses to; nullopt when refused.
    std::optional<PcmFormat> InputPcm(const CMediaType& in) const;
    // Converts `in` (may be empty) into as many output samples as it yields and delivers them.
    HRESULT ConvertAndDeliver(std::span<const uint8_t> in, bool drain);
    // Decompressed PCM of one input piece (or of the decoder's tail) through ConvertAndDeliver.
    HRESULT DecompressAndDeliver(std::span<const uint8_t> in, bool end);
    void RestartTimeline();

    std::optional<std::vector<uint8_t>> fixed_;  // filter lock

    // The last compressed block asked about and what it decodes to: opening a decoder is the
    // only way to learn that, and negotiation asks many times.
    mutable std::mutex memoLock_;
    mutable std::vector<uint8_t> memoBlock_;
    mutable std::optional<PcmFormat> memoFormat_;

    // Streaming state (m_csReceive).
    std::unique_ptr<AudioDecompressor> decompressor_;  // null for uncompressed input
    std::vector<uint8_t> decoded_;                     // scratch for decompressed PCM
    std::unique_ptr<PcmResampler> resampler_;          // null when copying through
    PcmFormat inFormat_;
    PcmFormat outFormat_;
    std::optional<REFERENCE_TIME> baseTime_;  // time stamp of the segment's first output frame
    int64_t framesOut_ = 0;                   // output frames since baseTime_
    bool flushed_ = false;  // a flush ended: the next input resets the filter state
};

// A MEDIATYPE_Audio type for a wave format block (subtype from its tag).
CMediaType PcmMediaType(std::span<const uint8_t> block);

}  // namespace tarnel::media
