#include "ui/SoundAlerts.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "app/DocumentHost.h"

namespace tarnel::ui {

namespace {

// At most this many sounds wait; more alerts in a burst add nothing the user could hear.
constexpr size_t kQueueLimit = 3;

struct Note {
    double hertz;
    double seconds;
};

// Sine notes with a short fade at each end so they start and stop without a click.
std::vector<int16_t> Synthesise(std::initializer_list<Note> notes) {
    std::vector<int16_t> samples;
    const double rate = SoundAlerts::kSampleRate;
    for (const Note& note : notes) {
        const auto count = static_cast<size_t>(note.seconds * rate);
        const size_t fade = std::min<size_t>(count / 4, static_cast<size_t>(rate * 0.01));
        for (size_t i = 0; i < count; ++i) {
            double gain = 0.35;
            if (note.hertz <= 0) gain = 0;
            if (fade > 0 && i < fade) gain *= double(i) / double(fade);
            if (fade > 0 && count - i < fade) gain *= double(count - i) / double(fade);
            const double value = std::sin(2 * std::numbers::pi * note.hertz * double(i) / rate);
            samples.push_back(static_cast<int16_t>(value * gain * 32767));
        }
    }
    return samples;
}

}  // namespace

std::vector<int16_t> SoundAlerts::Samples(int soundId) {
    switch (soundId) {
        case kSoundFileDone:
            return Synthesise({{880, 0.09}});
        case kSoundRunDone:
            return Synthesise({{660, 0.12}, {0, 0.03}, {990, 0.22}});
        case kSoundLogAlert:
            return Synthesise({{440, 0.08}, {0, 0.05}, {440, 0.08}});
        default:
            return {};
    }
}

SoundAlerts::SoundAlerts() : worker_([this](std::stop_token stop) { Run(stop); }) {}

SoundAlerts::~SoundAlerts() {
    worker_.request_stop();
    wake_.notify_all();
}

void SoundAlerts::Play(int soundId) {
    {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= kQueueLimit) return;
        queue_.push_back(soundId);
    }
    wake_.notify_all();
}

int SoundAlerts::PlayedCount() const {
    std::lock_guard lock(mutex_);
    return played_;
}

void SoundAlerts::Callback(void* self, uint8_t* stream, int length) {
    auto& alerts = *static_cast<SoundAlerts*>(self);
    std::memset(stream, 0, static_cast<size_t>(length));
    bool ended = false;
    {
        std::lock_guard lock(alerts.mutex_);
        const size_t wanted = static_cast<size_t>(length) / sizeof(int16_t);
        const size_t left = alerts.playing_.size() - alerts.playAt_;
        const size_t n = std::min(wanted, left);
        std::memcpy(stream, alerts.playing_.data() + alerts.playAt_, n * sizeof(int16_t));
        alerts.playAt_ += n;
        if (alerts.playAt_ == alerts.playing_.size() && !alerts.finished_) {
            alerts.finished_ = true;
            ended = true;
        }
    }
    if (ended) alerts.wake_.notify_all();
}

void SoundAlerts::Run(std::stop_token stop) {
    SDL_AudioDeviceID device = 0;
    bool initialised = false;
    for (;;) {
        int next = 0;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [this] { return !queue_.empty(); })) break;
            next = queue_.front();
            queue_.pop_front();
        }
        std::vector<int16_t> samples = Samples(next);
        if (samples.empty()) continue;
        // The device is opened at the first sound, so a program that never beeps never
        // touches the audio system.
        if (!initialised) {
            initialised = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
            if (!initialised) break;  // no audio at all: the sounds are dropped
        }
        if (device == 0) {
            SDL_AudioSpec want{};
            want.freq = kSampleRate;
            want.format = AUDIO_S16SYS;
            want.channels = 1;
            want.samples = 1024;
            want.callback = &SoundAlerts::Callback;
            want.userdata = this;
            device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
            if (device == 0) continue;  // tried again at the next sound
        }
        {
            std::lock_guard lock(mutex_);
            playing_ = std::move(samples);
            playAt_ = 0;
            finished_ = false;
        }
        SDL_PauseAudioDevice(device, 0);
        {
            std::unique_lock lock(mutex_);
            if (wake_.wait(lock, stop, [this] { return finished_; })) ++played_;
        }
        // Closed after every sound: drivers with a single device (SDL's dummy driver on a
        // machine without sound) would otherwise refuse the preview's output while we idle.
        SDL_CloseAudioDevice(device);
        device = 0;
        if (stop.stop_requested()) break;
    }
    if (device != 0) SDL_CloseAudioDevice(device);
    if (initialised) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_TLSCleanup();  // SDL's per-thread state of this thread (its error text)
    std::lock_guard lock(mutex_);
    // No callback runs any more: the device is closed.
    playing_.clear();
    playAt_ = 0;
}

}  // namespace tarnel::ui
