#pragma once
// "Audio Renderer": plays PCM through the audio device (SDL2), the graph's renderer for
// preview playback. Render and RenderFile end an audio stream here; conversion graphs never
// contain it.
//
// Pacing: the streaming thread copies each sample into a bounded queue (about 250 ms) and waits
// while the queue is full; the device takes whole frames from it on its own thread, so the
// device's clock paces the graph. Stop and BeginFlush release a waiting streaming thread at
// once.
//
// States: Pause from stopped opens the device paused; Run starts it as soon as audio is
// queued; Pause from running halts the device with the queue kept, so nothing is lost or
// played twice. The volume (IBasicAudio, hundredths of a decibel) scales the samples as the
// device takes them.
//
// Events, posted from the renderer's monitor thread: EC_COMPLETE once end of stream has been
// received and the device asked for more after the last queued frame (so it has been played
// out); EC_ERRORABORT when the device cannot be opened for the format, goes away, or stops
// taking audio for longer than the stall limit while running.
//
// Threading: state changes on the graph's control thread under m_pLock; Deliver, end of stream
// on the streaming thread; Pull on the device thread. The queue and its flags are guarded by
// m_queueMutex; the device's running state by m_deviceMutex (taken before m_queueMutex, never
// by Pull, because the device waits for a running Pull when it is paused or closed).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"
#include "framework/FilterRegistry.h"
#include "platform/media/renderer/AudioOutput.h"

namespace tarnel::media {

inline constexpr GUID kAudioRendererClsid = CLSID_DSoundRender;
inline constexpr const char* kAudioRendererName = "Audio Renderer";

class CAudioRenderer;

class CAudioRendererInputPin final : public CBaseInputPin {
public:
    CAudioRendererInputPin(CAudioRenderer* renderer, CCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

private:
    CAudioRenderer* renderer_;
};

class CAudioRenderer final : public CBaseFilter, public IBasicAudio {
public:
    using Clock = std::chrono::steady_clock;
    struct Options {
        AudioOutputFactory output;  // empty: SDL2
        // How long a running device may take no audio before it counts as blocked.
        std::chrono::milliseconds stallLimit{2000};
    };

    CAudioRenderer();
    explicit CAudioRenderer(Options options);
    ~CAudioRenderer() override;

    void* QueryInterface(const GUID& iid) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;

    // IBasicAudio: volume -10000..0 (E_INVALIDARG outside); no balance control.
    HRESULT put_Volume(int32_t volume) override;
    HRESULT get_Volume(int32_t* volume) override;
    HRESULT put_Balance(int32_t balance) override { return E_NOTIMPL; }
    HRESULT get_Balance(int32_t* balance) override { return E_NOTIMPL; }

    // What reached the device since the last start from stopped (any thread).
    int64_t FramesPlayed() const;
    // Waits until at least `frames` frames reached the device; false on time-out.
    bool WaitForFramesPlayed(int64_t frames, std::chrono::milliseconds timeout) const;
    // When the first frame of this run was handed to the device.
    std::optional<Clock::time_point> FirstFrameTime() const;

    // From the input pin, on the streaming thread.
    AudioSampleFormat DeviceFormat() const;
    HRESULT Deliver(const uint8_t* data, size_t bytes);
    HRESULT DeliverEndOfStream();
    void BeginFlush();
    void EndFlush();

private:
    HRESULT OpenDevice();
    void CloseDevice();
    void StartDeviceIfWanted();
    void HaltDevice();
    void Pull(uint8_t* out, size_t bytes);
    void Monitor(std::stop_token stop);
    void ClearQueueLocked();

    CCritSec m_lock;
    std::unique_ptr<CAudioRendererInputPin> m_pin;
    Options m_options;
    AudioSampleFormat m_format;  // of the open device; written under m_queueMutex while stopped
    // Open from Pause (from stopped) to Stop; the monitor reads it without a lock, as it is set
    // before the monitor starts and reset after the monitor has been joined.
    std::unique_ptr<AudioOutput> m_output;

    std::mutex m_deviceMutex;
    bool m_wantRunning = false;    // the graph runs
    bool m_deviceRunning = false;  // the device pulls

    mutable std::mutex m_queueMutex;
    mutable std::condition_variable_any m_queueCv;  // queue, flags and counters changed
    std::deque<std::vector<uint8_t>> m_chunks;
    size_t m_frontOffset = 0;  // bytes of the front chunk already played
    size_t m_queuedBytes = 0;
    size_t m_capacity = 0;
    bool m_active = false;  // between Pause from stopped and Stop
    bool m_flushing = false;
    bool m_endOfStream = false;
    bool m_drained = false;  // end of stream, and the device asked again after the last frame
    bool m_completeSent = false;
    HRESULT m_error = S_OK;
    bool m_errorSent = false;
    bool m_pulling = false;  // the device runs: the stall limit applies
    Clock::time_point m_lastPull;
    int64_t m_bytesPlayed = 0;
    std::optional<Clock::time_point> m_firstFrame;

    std::atomic<int32_t> m_volume{0};
    std::atomic<double> m_gain{1.0};
    std::jthread m_monitor;  // posts the events; runs while active
};

// Registers the renderer (CLSID_DSoundRender, preferred merit, PCM and float inputs) so that
// Render ends audio in it. Its empty output list keeps it out of intelligent connection between
// two pins. `output` replaces the SDL2 device (tests).
void RegisterAudioRenderer(FilterRegistry& registry, CAudioRenderer::Options options = {});

}  // namespace tarnel::media
