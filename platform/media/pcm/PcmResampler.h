#pragma once
// Converts interleaved PCM between sample rates, channel counts and sample sizes with
// libswresample. Sample sizes swresample has no packed form for (24-bit) are widened to 32 bits
// on the way in and narrowed on the way out, through scratch buffers that keep their capacity,
// so a steady stream allocates nothing after the first few buffers.
//
// Mono to stereo copies the channel to both sides and stereo to mono averages them, so a signal
// keeps its level; other channel changes use swresample's standard downmix and upmix matrices.
//
// Not thread-safe: one streaming thread uses an instance at a time.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "framework/Result.h"
#include "framework/WaveFormat.h"

struct SwrContext;

namespace tarnel::media {

struct PcmFormat {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint16_t bits = 0;  // 8 (unsigned), 16, 24, 32 (signed) or 32/64 with isFloat
    bool isFloat = false;
    uint32_t channelMask = 0;  // speaker positions when known (extensible), else 0

    uint32_t BlockAlign() const { return uint32_t(channels) * (bits / 8u); }
    uint32_t BytesPerSecond() const { return BlockAlign() * sampleRate; }
    // Same samples in the same layout: data of one can be copied as the other.
    bool SameSamples(const PcmFormat& o) const {
        return sampleRate == o.sampleRate && channels == o.channels && bits == o.bits &&
               isFloat == o.isFloat;
    }
    bool operator==(const PcmFormat&) const = default;

    // nullopt unless IsConvertiblePcm holds.
    static std::optional<PcmFormat> FromWaveFormat(const WaveBlockInfo& info);
};

// The result a negative swresample or libavcodec return stands for: their errors are negated
// errno values (mapped as file errors are) or FFmpeg's own codes, which have no closer meaning
// than E_FAIL.
HRESULT ResultFromAvError(int error);

class PcmResampler {
public:
    // nullptr when swresample cannot convert between the two; `why` receives the reason.
    static std::unique_ptr<PcmResampler> Create(const PcmFormat& in, const PcmFormat& out,
                                                std::string* why = nullptr);
    ~PcmResampler();
    PcmResampler(const PcmResampler&) = delete;
    PcmResampler& operator=(const PcmResampler&) = delete;

    const PcmFormat& input() const { return in_; }
    const PcmFormat& output() const { return out_; }

    // Upper bound of the frames the next Convert of `inFrames` frames can produce, including
    // what is held inside from earlier calls.
    size_t MaxOutputFrames(size_t inFrames) const;

    // Feeds whole input frames (a trailing partial frame is ignored) and writes at most
    // out.size() / block align frames. Input that does not fit is kept and comes out on the
    // next call (pass an empty input to collect it). Returns the frames written, or a negative
    // swresample error.
    int Convert(std::span<const uint8_t> in, std::span<uint8_t> out);

    // At the end of the stream: writes the frames still held in the filter. Call until it
    // returns 0. Convert must not be called after Drain without Reset.
    int Drain(std::span<uint8_t> out);

    // Forgets everything held (after a seek or before a new run). Returns a negative
    // swresample error on failure.
    int Reset();

private:
    PcmResampler(const PcmFormat& in, const PcmFormat& out);
    int Init(std::string* why);
    int Run(const uint8_t* in, int inFrames, std::span<uint8_t> out);

    struct SwrDeleter {
        void operator()(SwrContext* s) const;
    };

    PcmFormat in_;
    PcmFormat out_;
    std::unique_ptr<SwrContext, SwrDeleter> swr_;
    bool drained_ = false;
    // 24-bit samples widened to 32 bits (input) or produced as 32 bits (output).
    std::vector<int32_t> wideIn_;
    std::vector<int32_t> wideOut_;
};

}  // namespace tarnel::media
