// The SDL2 audio device of the "Audio Renderer".
#include <SDL.h>

#include <cstdlib>
#include <mutex>

#include "platform/media/renderer/AudioOutput.h"

namespace tarnel::media {

int AudioSampleFormat::BytesPerSample() const {
    switch (kind) {
        case DeviceSample::Unsigned8:
            return 1;
        case DeviceSample::Signed16:
            return 2;
        case DeviceSample::Signed32:
        case DeviceSample::Float32:
            return 4;
    }
    return 0;
}

namespace {

// SDL's subsystem counting is not thread-safe; every init and quit of ours goes through here.
std::mutex& SdlInitMutex() {
    static std::mutex mutex;
    return mutex;
}

SDL_AudioFormat SdlFormat(DeviceSample kind) {
    switch (kind) {
        case DeviceSample::Unsigned8:
            return AUDIO_U8;
        case DeviceSample::Signed16:
            return AUDIO_S16SYS;
        case DeviceSample::Signed32:
            return AUDIO_S32SYS;
        case DeviceSample::Float32:
            return AUDIO_F32SYS;
    }
    return AUDIO_S16SYS;
}

// About 25 ms per device buffer: short enough for a quick start, long enough not to spin.
Uint16 DeviceFrames(int sampleRate) {
    Uint16 frames = 256;
    while (frames < 4096 && frames * 2 <= sampleRate / 40) frames = static_cast<Uint16>(frames * 2);
    return frames;
}

class SdlAudioOutput final : public AudioOutput {
public:
    ~SdlAudioOutput() override { Close(); }

    HRESULT Open(const AudioSampleFormat& format, Pull pull) override {
        Close();
        pull_ = std::move(pull);
        SDL_AudioSpec want{};
        want.freq = format.sampleRate;
        want.format = SdlFormat(format.kind);
        want.channels = static_cast<Uint8>(format.channels);
        want.samples = DeviceFrames(format.sampleRate);
        want.callback = &SdlAudioOutput::Callback;
        want.userdata = this;

        std::lock_guard lock(SdlInitMutex());
        if (TryOpen(want)) return S_OK;
        // No usable device with the desktop's driver: play into SDL's dummy driver, which
        // keeps real-time pacing, unless the user chose a driver.
        if (std::getenv("SDL_AUDIODRIVER") == nullptr) {
            SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
            const bool opened = TryOpen(want);
            SDL_ResetHint(SDL_HINT_AUDIODRIVER);
            if (opened) return S_OK;
        }
        return VFW_E_NO_AUDIO_HARDWARE;
    }

    void SetPaused(bool paused) override {
        if (device_) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
    }

    bool IsLost() override {
        return device_ && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED;
    }

    void Close() override {
        std::lock_guard lock(SdlInitMutex());
        CloseLocked();
    }

private:
    bool TryOpen(const SDL_AudioSpec& want) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        subsystem_ = true;
        SDL_AudioSpec have{};
        // No allowed changes: SDL converts to what the hardware takes, so the samples we
        // hand over are exactly those of the stream.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ != 0) return true;
        CloseLocked();
        return false;
    }

    void CloseLocked() {
        if (device_ != 0) SDL_CloseAudioDevice(device_);  // joins SDL's audio thread
        device_ = 0;
        if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
    }

    static void SDLCALL Callback(void* self, Uint8* stream, int length) {
        static_cast<SdlAudioOutput*>(self)->pull_(stream, static_cast<size_t>(length));
    }

    Pull pull_;
    SDL_AudioDeviceID device_ = 0;
    bool subsystem_ = false;
};

}  // namespace

std::unique_ptr<AudioOutput> MakeSdlAudioOutput() {
    return std::make_unique<SdlAudioOutput>();
}

}  // namespace tarnel::media
