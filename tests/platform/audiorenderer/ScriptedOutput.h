#pragma once
// A device the test drives: it pulls only when the test asks, and refuses, stalls or goes away
// when told to. While paused a pull gives silence without asking the renderer, as SDL does.
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/media/renderer/AudioOutput.h"

namespace tarnel::test {

struct ScriptedDevice {
    std::mutex mutex;
    std::condition_variable changed;
    media::AudioOutput::Pull pull;
    media::AudioSampleFormat format;
    bool paused = true;
    bool refuse = false;
    bool lost = false;

    // Waits until the renderer has started the device.
    bool WaitRunning() {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return !paused && pull; });
    }
    std::vector<uint8_t> PullBytes(size_t bytes) {
        std::vector<uint8_t> out(bytes, 0);
        std::lock_guard lock(mutex);  // like SDL's mixer lock around the callback
        if (!paused && pull) pull(out.data(), bytes);
        return out;
    }
};

class ScriptedOutput final : public media::AudioOutput {
public:
    explicit ScriptedOutput(std::shared_ptr<ScriptedDevice> device) : d_(std::move(device)) {}
    HRESULT Open(const media::AudioSampleFormat& format, Pull pull) override {
        std::lock_guard lock(d_->mutex);
        if (d_->refuse) return VFW_E_NO_AUDIO_HARDWARE;
        d_->format = format;
        d_->pull = std::move(pull);
        d_->paused = true;
        return S_OK;
    }
    void SetPaused(bool paused) override {
        std::lock_guard lock(d_->mutex);
        d_->paused = paused;
        d_->changed.notify_all();
    }
    bool IsLost() override {
        std::lock_guard lock(d_->mutex);
        return d_->lost;
    }
    void Close() override {
        std::lock_guard lock(d_->mutex);
        d_->pull = nullptr;
    }

private:
    std::shared_ptr<ScriptedDevice> d_;
};

}  // namespace tarnel::test
