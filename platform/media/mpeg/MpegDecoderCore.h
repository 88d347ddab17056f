#pragma once
// MpegDecoderCore: libmpg123 in feed mode, giving 16-bit PCM at one fixed rate and channel
// count whatever the stream does, so the output format never changes. Frames with another
// channel count are mixed to the output's.
// The core cuts its input into frames itself and hands libmpg123 only whole frames it can
// decode: frames at another sample rate, free-format frames (whose length no header gives),
// Layer I frames whose allocation needs more bits than the frame holds, and bytes between
// frames are dropped and counted as errors, so no silence stands in for audio that was never
// decoded, and the output is bounded by the input: at most kMaxFramesPerInputByte sample frames
// per byte fed. ID3v2 tags are skipped.
// Gapless information in a LAME/Xing info frame is honoured: the encoder's delay and padding
// are trimmed. A decoding error restarts the decoder on the next bytes instead of ending the
// stream.
//
// Not thread-safe: one owner (the decoder filter's streaming thread, or a test).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct mpg123_handle_struct;

namespace tarnel::media {

class MpegDecoderCore {
public:
    MpegDecoderCore();
    ~MpegDecoderCore();
    MpegDecoderCore(const MpegDecoderCore&) = delete;
    MpegDecoderCore& operator=(const MpegDecoderCore&) = delete;

    // True for the rates libmpg123 decodes to natively (8000 .. 48000 Hz MPEG rates).
    static bool IsSupportedRate(long rate);

    // Starts a new stream decoded to `rate` Hz and `channels` (1 or 2) channels. False when
    // libmpg123 cannot be set up for it.
    bool Open(long rate, int channels);
    // Forgets buffered input and starts over with the same output format.
    bool Restart();
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }

    // Hands MPEG bytes to the decoder (any cut: a frame may span calls); false when libmpg123
    // refused them.
    bool Feed(std::span<const uint8_t> bytes);

    enum class Status {
        Output,    // `out` was filled; call again
        NeedMore,  // everything fed so far is decoded (some bytes may have come out)
        Error,     // the stream was broken here; the decoder restarted
    };
    // Decodes into `out` (a whole number of sample frames); produced: bytes written.
    Status Read(std::span<uint8_t> out, size_t* produced);

    long Rate() const { return rate_; }
    int Channels() const { return channels_; }
    int BytesPerFrame() const { return channels_ * 2; }
    uint64_t Errors() const { return errors_; }

    // Input fed without any output before the decoder gives up on it and restarts: bounds
    // what libmpg123 may buffer from bytes that hold no audio.
    static constexpr size_t kMaxFedWithoutOutput = 4 * 1024 * 1024;
    // The densest standard frames (MPEG-2 Layer III and Layer II at 24000 Hz and 8 kbit/s) give
    // 24 sample frames per byte; no input gives more.
    static constexpr uint64_t kMaxFramesPerInputByte = 24;

private:
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* h) const;
    };
    std::unique_ptr<mpg123_handle_struct, HandleDeleter> handle_;
    long rate_ = 0;
    int channels_ = 0;
    uint64_t errors_ = 0;
    size_t fedWithoutOutput_ = 0;
    std::vector<uint8_t> pending_;  // input not yet cut into frames: less than one frame
    uint64_t tagBytesLeft_ = 0;     // of an ID3v2 tag being skipped
    bool betweenFrames_ = false;    // skipping bytes that start no frame
    uint64_t allowance_ = 0;        // sample frames the frames fed so far may still give
};

}  // namespace tarnel::media
