#pragma once
// CMP3Encoder: one LAME encoder instance with its input format and settings.
//
// The settings and input format are copied in while the graph is being built (application
// thread) and the encoder is opened, fed and flushed by the streaming thread. One lock guards
// everything below and is held for the whole of every operation, so a setter on the
// application thread never meets a half-finished LAME call.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "filters/mp3enc/Mp3EncSettings.h"
#include "framework/Result.h"
#include "framework/WaveFormat.h"

struct lame_global_struct;

namespace tarnel {

// Size of one output buffer of the encoder filter, and of the flush buffer.
constexpr size_t kMp3OutputBufferBytes = 48000;

class CMP3Encoder {
public:
    CMP3Encoder() = default;
    virtual ~CMP3Encoder();
    CMP3Encoder(const CMP3Encoder&) = delete;
    CMP3Encoder& operator=(const CMP3Encoder&) = delete;

    // True for 16-bit PCM, 1 or 2 channels, at 8000, 11025, 22050, 32000, 44100, 48000 or
    // 96000 Hz: the inputs this encoder takes.
    static bool IsAcceptedInput(const WAVEFORMATEX& format);

    // Stores an accepted format (S_OK); anything else forgets the stored one (E_INVALIDARG).
    HRESULT SetInputFormat(const WAVEFORMATEX& format);
    HRESULT SetSettings(const Mp3EncSettings& settings);

    // A copy of the settings block (all zero until the first SetSettings).
    Mp3EncSettings Settings() const;
    bool SettingsKnown() const;
    // The stored input format; nullopt when none is known.
    std::optional<WAVEFORMATEX> InputFormat() const;

    // Sets LAME up from the input format and the settings. S_OK when already open;
    // E_UNEXPECTED when settings or input format are unknown, E_OUTOFMEMORY when LAME cannot
    // make an encoder. A configuration LAME refuses shows up as a failure of Encode.
    HRESULT Open();
    HRESULT Close();
    bool IsOpen() const;

    // Encodes the whole sample frames at the start of `pcm` into `out`, at most as many as
    // LAME's worst case (1.25 x frames + 7200 bytes) lets fit into out.size(); never writes
    // past `out`. consumed: PCM bytes used up (all of them, a trailing partial frame included,
    // once every whole frame is encoded; 0 when out is too small for even one frame).
    // produced: MP3 bytes written. A closed encoder consumes everything and produces nothing.
    // E_FAIL when LAME reports an error.
    HRESULT Encode(std::span<const uint8_t> pcm, std::span<uint8_t> out, size_t* consumed,
                   size_t* produced);
    // Writes the frames LAME still holds; produced 0 when closed. out should hold 7200 bytes
    // or more (E_INVALIDARG otherwise); E_FAIL when LAME reports an error.
    HRESULT Flush(std::span<uint8_t> out, size_t* produced);

    // Sample frames whose worst-case output fits into outBytes.
    static size_t MaxFramesFor(size_t outBytes);

private:
    int ChannelsFedToLame() const;  // with mutex_ held

    mutable std::mutex mutex_;
    WAVEFORMATEX inputFormat_{};          // guarded by mutex_
    Mp3EncSettings settings_{};           // guarded by mutex_
    lame_global_struct* lame_ = nullptr;  // guarded by mutex_; null when closed
    bool inputKnown_ = false;             // guarded by mutex_
    bool settingsKnown_ = false;          // guarded by mutex_
    // An aligned copy of PCM that arrives at an odd address (streaming thread, under mutex_).
    std::vector<int16_t> aligned_;
};

}  // namespace tarnel
