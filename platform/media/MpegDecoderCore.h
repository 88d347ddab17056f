#pragma once
// MpegDecoderCore: libmpg123 in feed mode, giving 16-bit PCM at one fixed rate and channel
// count whatever the stream does, so the output format never changes. Frames with another
// channel count are mixed to the output's; frames at another sample rate are not decoded (they
// count as errors and are skipped; the splitter already leaves such frames out).
// Gapless information in a LAME/Xing info frame is honoured: the encoder's delay and padding
// are trimmed. A decoding error restarts the decoder on the next bytes instead of ending the
// stream.
//
// Not thread-safe: one owner (the decoder filter's streaming thread, or a test).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

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

    // Hands MPEG bytes to the decoder; false when it refused them.
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

private:
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* h) const;
    };
    std::unique_ptr<mpg123_handle_struct, HandleDeleter> handle_;
    long rate_ = 0;
    int channels_ = 0;
    uint64_t errors_ = 0;
    size_t fedWithoutOutput_ = 0;
};

}  // namespace tarnel::media
