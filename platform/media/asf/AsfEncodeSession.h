#pragma once
// One WMA file being written: PCM in, an ASF file with one WMA stream out. The PCM (any rate,
// channel count and sample size the PCM converter knows) is converted to the stream's rate and
// channels, encoded with FFmpeg's WMA encoder for the stream's format tag and multiplexed by
// libavformat's ASF muxer into the file; Finish drains everything, completes the header and,
// when asked, appends a simple index (AsfSimpleIndex.h).
//
// The file is written through our own I/O callbacks (positional writes), so any path works and
// a full disk comes back as HRESULT_FROM_WIN32_DISK_FULL.
//
// Not thread-safe: the ASF writer calls it under its receive lock.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "framework/Result.h"
#include "platform/media/pcm/PcmResampler.h"

namespace tarnel::media {

struct AsfStreamSettings {
    uint16_t formatTag = 0;  // 0x0160 or 0x0161 with Debian's FFmpeg
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint32_t bitrate = 0;  // bits per second
    uint16_t streamNumber = 1;
    std::string language;  // RFC 1766, may be empty
};

class AsfEncodeSession {
public:
    // Creates (or empties) the file and writes nothing yet. Failures: VFW_E_UNSUPPORTED_AUDIO for
    // a format tag without encoder or settings the encoder refuses, E_INVALIDARG for input that
    // is not convertible PCM, the file's error otherwise.
    static HRESULT Open(const std::filesystem::path& path, const AsfStreamSettings& stream,
                        const PcmFormat& input, std::unique_ptr<AsfEncodeSession>* session);
    ~AsfEncodeSession();
    AsfEncodeSession(const AsfEncodeSession&) = delete;
    AsfEncodeSession& operator=(const AsfEncodeSession&) = delete;

    // Whole input frames; a trailing partial frame is ignored.
    HRESULT Write(std::span<const uint8_t> pcm);
    // Encodes what is held, completes the file and closes it. With `index` a simple index is
    // appended. Once called (whatever its result), the session writes nothing more.
    HRESULT Finish(bool index);

    // Input frames taken so far.
    uint64_t InputFrames() const { return inputFrames_; }
    const PcmFormat& Input() const { return input_; }

private:
    struct Impl;
    explicit AsfEncodeSession(std::unique_ptr<Impl> impl, const PcmFormat& input);
    HRESULT EncodePending(bool final);
    HRESULT Drain();

    std::unique_ptr<Impl> impl_;
    PcmFormat input_;
    uint64_t inputFrames_ = 0;
    bool finished_ = false;
};

}  // namespace tarnel::media
