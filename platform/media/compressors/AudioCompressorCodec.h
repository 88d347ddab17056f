#pragma once
// The installed audio compressors of this system: FFmpeg encoders whose output is stored in the
// data chunk of a RIFF WAVE file, each with the display name a user picks it by. The table is
// fixed and ordered, and only encoders the FFmpeg build has are listed, so a stored position
// keeps meaning the same compressor on one machine.
//
// AudioCompressorCodec is one open encoder: interleaved 16-bit PCM goes in, whole compressed
// blocks come out, and its format block is the WAVEFORMATEX (with its extra bytes) a WAVE file
// needs to describe them. Not thread-safe: one streaming thread uses an instance at a time.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/media/ffmpeg/FfmpegPointers.h"

namespace tarnel::media {

struct AudioCompressorDescription {
    std::string displayName;  // "IMA ADPCM", "GSM 6.10" ...
    const char* encoderName;  // FFmpeg encoder
    uint16_t formatTag;       // WAVE format tag of the output
    uint32_t requiredRate;    // Hz the encoder accepts, 0 for any rate
    uint16_t maxChannels;     // 1 or 2 for most

    bool AcceptsInput(uint32_t sampleRate, uint16_t channels) const;
    // A rate and channel count the encoder takes, as close to the given ones as it allows.
    void NearestInput(uint32_t& sampleRate, uint16_t& channels) const;
};

// Every compressor we know, in the fixed order, whether or not FFmpeg provides it (known
// without loading FFmpeg).
std::span<const AudioCompressorDescription> KnownAudioCompressors();
// Compressors the FFmpeg build provides, in their fixed order (loads FFmpeg).
const std::vector<AudioCompressorDescription>& InstalledAudioCompressors();
bool IsAudioCompressorInstalled(uint16_t formatTag);

// nullptr when no installed compressor has this exact display name.
const AudioCompressorDescription* FindAudioCompressor(const std::string& displayName);

class AudioCompressorCodec {
public:
    // nullptr when the encoder refuses the input or cannot be opened; `why` gets the reason.
    static std::unique_ptr<AudioCompressorCodec> Open(const AudioCompressorDescription& compressor,
                                                      uint32_t sampleRate, uint16_t channels,
                                                      std::string* why = nullptr);
    ~AudioCompressorCodec();
    AudioCompressorCodec(const AudioCompressorCodec&) = delete;
    AudioCompressorCodec& operator=(const AudioCompressorCodec&) = delete;

    // WAVEFORMATEX of the output, cbSize extra bytes included.
    const std::vector<uint8_t>& FormatBlock() const { return formatBlock_; }
    uint32_t BlockAlign() const;
    uint32_t AvgBytesPerSec() const;
    // Sample frames per compressed block; 0 when the encoder takes any count.
    int FrameSize() const { return frameSize_; }

    // Feeds interleaved signed 16-bit little-endian PCM (a trailing partial frame is kept for
    // the next call) and appends every complete compressed block to `out`. False on an encoder
    // error.
    bool Encode(std::span<const uint8_t> pcm, std::vector<uint8_t>& out);
    // Encodes what is held, padding a last partial block with silence, and drains the encoder.
    bool Flush(std::vector<uint8_t>& out);

    // Sample frames fed so far, without padding.
    uint64_t FramesIn() const { return framesIn_; }

private:
    AudioCompressorCodec() = default;
    bool SendFrames(const int16_t* src, size_t frames, std::vector<uint8_t>& out);
    bool ReceivePackets(std::vector<uint8_t>& out);
    void BuildFormatBlock(const AudioCompressorDescription& compressor);

    CodecContextPtr context_;
    FramePtr frame_;
    PacketPtr packet_;
    std::vector<uint8_t> formatBlock_;
    std::vector<int16_t> held_;          // interleaved samples not yet sent to the encoder
    std::vector<uint8_t> pendingBytes_;  // an incomplete sample frame at the end of the input
    int frameSize_ = 0;
    uint16_t channels_ = 0;
    uint32_t sampleRate_ = 0;
    uint64_t framesIn_ = 0;
    bool planar_ = false;
    bool flushed_ = false;
};

}  // namespace tarnel::media
