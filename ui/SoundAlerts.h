#pragma once
// The sound alerts 189 (file done), 190 (run done) and 194 (log alert): short tones of our own,
// synthesised once, played through SDL2 on a worker thread. Play never waits for the audio
// device: a missing or busy device only drops the sound.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnel::ui {

class SoundAlerts {
public:
    SoundAlerts();
    // Ends a sound being played and joins the worker.
    ~SoundAlerts();
    SoundAlerts(const SoundAlerts&) = delete;
    SoundAlerts& operator=(const SoundAlerts&) = delete;

    // Queues the sound resource; unknown ids are ignored. Returns at once.
    void Play(int soundId);
    // Sounds played to their end so far (for tests).
    int PlayedCount() const;

    static constexpr int kSampleRate = 22050;
    // Mono signed 16-bit samples of a sound resource; empty for an unknown id.
    static std::vector<int16_t> Samples(int soundId);

private:
    void Run(std::stop_token stop);
    static void Callback(void* self, uint8_t* stream, int length);

    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<int> queue_;         // guarded by mutex_
    std::vector<int16_t> playing_;  // guarded by mutex_; read by the device callback
    size_t playAt_ = 0;             // guarded by mutex_
    bool finished_ = false;         // guarded by mutex_: the callback reached the end
    int played_ = 0;                // guarded by mutex_
    std::jthread worker_;           // last: joined before the members above go
};

}  // namespace tarnel::ui
