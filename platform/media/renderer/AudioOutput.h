#pragma once
// The audio device behind the "Audio Renderer": opened for one PCM format, it pulls bytes on its
// own thread while running. The SDL2 implementation is the one the program uses; tests put a
// scripted device in its place to make it refuse, stall or disappear on purpose.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "framework/Result.h"

namespace tarnel::media {

enum class DeviceSample { Unsigned8, Signed16, Signed32, Float32 };

struct AudioSampleFormat {
    int sampleRate = 0;
    int channels = 0;
    DeviceSample kind = DeviceSample::Signed16;

    int BytesPerSample() const;
    int BlockAlign() const { return BytesPerSample() * channels; }
    friend bool operator==(const AudioSampleFormat&, const AudioSampleFormat&) = default;
};

class AudioOutput {
public:
    // Fills exactly `bytes` bytes (whole frames); runs on the device's thread.
    using Pull = std::function<void(uint8_t* buffer, size_t bytes)>;

    virtual ~AudioOutput() = default;
    // Opens the device paused. A failure (no device, format refused) is returned as is.
    virtual HRESULT Open(const AudioSampleFormat& format, Pull pull) = 0;
    // Starts or stops the pulls. Never called while holding a lock that `pull` takes: the
    // device waits for a running pull to return.
    virtual void SetPaused(bool paused) = 0;
    // True once the opened device has gone away (unplugged, server gone).
    virtual bool IsLost() = 0;
    // After Close returns, `pull` is not running and is never called again. Safe to repeat.
    virtual void Close() = 0;
};

using AudioOutputFactory = std::function<std::unique_ptr<AudioOutput>()>;

// SDL2 audio: the desktop's default output device. Where the default driver has no device,
// and SDL_AUDIODRIVER does not name one, SDL's dummy driver takes over with the same timing.
std::unique_ptr<AudioOutput> MakeSdlAudioOutput();

}  // namespace tarnel::media
