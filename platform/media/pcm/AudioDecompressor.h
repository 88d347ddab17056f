#pragma once
// Decompresses one compressed WAVE stream (IMA ADPCM, Microsoft ADPCM, A-law, mu-law, GSM 6.10,
// G.726 and every other format tag FFmpeg has a decoder for) into interleaved PCM, for the PCM
// converter, which thereby plays the part of the ACM Wrapper's decompression.
//
// Bytes arrive in whatever pieces the WAVE parser delivers; they are cut into packets of 4096
// bytes (whole blocks) exactly as FFmpeg's own WAVE reader cuts them, so the decoded samples are
// the same as FFmpeg's decode of the file. The output format is the decoder's own sample format
// made interleaved: 8-bit unsigned, 16 or 32-bit signed, or 32/64-bit float.
//
// Not thread-safe: one streaming thread uses an instance at a time.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/media/ffmpeg/FfmpegPointers.h"
#include "platform/media/pcm/PcmResampler.h"

namespace tarnel::media {

// Tags another filter of this system decodes (MPEG audio, Windows Media audio) and plain PCM
// or float are not this decompressor's business; true for the rest. Needs no codec library.
bool IsCompressedWaveTagForDecompressor(uint16_t effectiveTag);

class AudioDecompressor {
public:
    // nullptr when the block is not a compressed format with a decoder here or the decoder
    // refuses its parameters; `why` receives the reason.
    static std::unique_ptr<AudioDecompressor> Open(std::span<const uint8_t> formatBlock,
                                                   std::string* why = nullptr);
    // The PCM the stream decodes to, or nullopt when Open would fail.
    static std::optional<PcmFormat> DecodedFormat(std::span<const uint8_t> formatBlock);

    ~AudioDecompressor();
    AudioDecompressor(const AudioDecompressor&) = delete;
    AudioDecompressor& operator=(const AudioDecompressor&) = delete;

    const PcmFormat& Output() const { return output_; }
    // Bytes of compressed input per second (the block's average rate, never 0).
    uint32_t InputBytesPerSecond() const { return inputBytesPerSecond_; }

    // Appends the PCM decoded from `data` (any piece of the stream) to `pcm`. A decoder error
    // that ends the stream is returned through ResultFromAvError; a frame whose
    // format differs from Output() gives VFW_E_INVALIDMEDIATYPE, a call after Drain
    // E_UNEXPECTED. A damaged packet is skipped, as FFmpeg's reader would.
    HRESULT Decode(std::span<const uint8_t> data, std::vector<uint8_t>& pcm);
    // At the end of the stream: decodes the last short packet and empties the decoder.
    HRESULT Drain(std::vector<uint8_t>& pcm);
    // Forgets held bytes and decoder state (after a flush or a gap).
    void Reset();

private:
    AudioDecompressor() = default;
    HRESULT SendPacket(const uint8_t* data, size_t size, std::vector<uint8_t>& pcm);
    HRESULT ReceiveFrames(std::vector<uint8_t>& pcm);
    HRESULT AppendFrame(const AVFrame& frame, std::vector<uint8_t>& pcm) const;

    CodecContextPtr context_;
    FramePtr frame_;
    PacketPtr packet_;
    PcmFormat output_;
    int outputSampleFormat_ = -1;  // AVSampleFormat the decoder announced at opening
    uint32_t inputBytesPerSecond_ = 1;
    size_t packetBytes_ = 4096;
    std::vector<uint8_t> held_;  // input bytes short of a whole packet
    bool draining_ = false;
};

}  // namespace tarnel::media
