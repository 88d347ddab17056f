#include "platform/media/renderer/CAudioRenderer.h"

#include <algorithm>
#include <cstring>

#include "framework/MediaSample.h"
#include "platform/media/renderer/AudioRendererSamples.h"

namespace tarnel::media {

namespace {
// How often the monitor looks at the device when nothing else wakes it.
constexpr std::chrono::milliseconds kMonitorPeriod{100};
}  // namespace

// ---------------------------------------------------------------- input pin

CAudioRendererInputPin::CAudioRendererInputPin(CAudioRenderer* renderer, CCritSec* lock,
                                               HRESULT* hr)
    : CBaseInputPin("Audio Input pin (rendered)", renderer, lock, hr), renderer_(renderer) {}

HRESULT CAudioRendererInputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    return PlayableFormat(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CAudioRendererInputPin::Receive(IMediaSample* sample) {
    CMediaType attached;
    const bool typeChanges = sample && sample->GetMediaType(&attached) == S_OK;
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    // The device is open for one format; another one in mid-stream cannot be played.
    if (typeChanges && PlayableFormat(attached) != renderer_->DeviceFormat()) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    uint8_t* data = nullptr;
    hr = sample->GetPointer(&data);
    if (FAILED(hr)) return hr;
    const int32_t length = sample->GetActualDataLength();
    if (length <= 0) return S_OK;
    return renderer_->Deliver(data, static_cast<size_t>(length));
}

HRESULT CAudioRendererInputPin::EndOfStream() {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    return renderer_->DeliverEndOfStream();
}

HRESULT CAudioRendererInputPin::BeginFlush() {
    (void)CBaseInputPin::BeginFlush();  // always S_OK
    renderer_->BeginFlush();
    return S_OK;
}

HRESULT CAudioRendererInputPin::EndFlush() {
    renderer_->EndFlush();
    return CBaseInputPin::EndFlush();
}

// ---------------------------------------------------------------- filter

CAudioRenderer::CAudioRenderer() : CAudioRenderer(Options{}) {}

CAudioRenderer::CAudioRenderer(Options options)
    : CBaseFilter(kAudioRendererName, &m_lock, kAudioRendererClsid), m_options(std::move(options)) {
    if (!m_options.output) m_options.output = MakeSdlAudioOutput;
    HRESULT hr = S_OK;
    m_pin = std::make_unique<CAudioRendererInputPin>(this, &m_lock, &hr);
}

CAudioRenderer::~CAudioRenderer() {
    (void)Stop();
}

void* CAudioRenderer::QueryInterface(const GUID& iid) {
    if (iid == IBasicAudio::IID) return static_cast<IBasicAudio*>(this);
    return CBaseFilter::QueryInterface(iid);
}

CBasePin* CAudioRenderer::GetPin(int index) {
    return index == 0 ? m_pin.get() : nullptr;
}

HRESULT CAudioRenderer::Pause() {
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped && m_pin->IsConnected()) {
        {
            std::lock_guard queue(m_queueMutex);
            ClearQueueLocked();
            m_active = true;
            m_flushing = m_endOfStream = m_drained = m_completeSent = false;
            m_error = S_OK;
            m_errorSent = false;
            m_pulling = false;
            m_bytesPlayed = 0;
            m_firstFrame.reset();
        }
        // A device that cannot be opened is reported as an error of the run, not as a failed
        // state change: the graph stays usable and the application hears about it as an event.
        const HRESULT opened = OpenDevice();
        if (FAILED(opened)) {
            std::lock_guard queue(m_queueMutex);
            m_error = opened;
        }
        m_monitor = std::jthread([this](std::stop_token stop) { Monitor(stop); });
    } else if (m_State == State_Running) {
        HaltDevice();
    }
    return CBaseFilter::Pause();
}

HRESULT CAudioRenderer::Run(REFERENCE_TIME start) {
    CAutoLock lock(m_pLock);
    HRESULT hr = CBaseFilter::Run(start);  // pauses first when stopped
    if (FAILED(hr)) return hr;
    {
        std::lock_guard device(m_deviceMutex);
        m_wantRunning = true;
    }
    StartDeviceIfWanted();
    return S_OK;
}

HRESULT CAudioRenderer::Stop() {
    CAutoLock lock(m_pLock);
    {
        std::lock_guard queue(m_queueMutex);
        m_active = false;  // a streaming thread waiting for room returns now
    }
    m_queueCv.notify_all();
    if (m_monitor.joinable()) {
        m_monitor.request_stop();
        m_monitor.join();
    }
    HRESULT hr = CBaseFilter::Stop();
    CloseDevice();
    std::lock_guard queue(m_queueMutex);
    ClearQueueLocked();
    return hr;
}

HRESULT CAudioRenderer::OpenDevice() {
    const std::optional<AudioSampleFormat> format = PlayableFormat(m_pin->CurrentMediaType());
    if (!format) return VFW_E_TYPE_NOT_ACCEPTED;
    {
        std::lock_guard queue(m_queueMutex);
        m_format = *format;
        // About a quarter of a second, in whole frames.
        const size_t frames = static_cast<size_t>(std::max(m_format.sampleRate / 4, 1024));
        m_capacity = frames * static_cast<size_t>(m_format.BlockAlign());
    }
    std::unique_ptr<AudioOutput> output = m_options.output();
    if (!output) return VFW_E_NO_AUDIO_HARDWARE;
    HRESULT hr = output->Open(m_format, [this](uint8_t* out, size_t bytes) { Pull(out, bytes); });
    if (FAILED(hr)) return hr;
    std::lock_guard device(m_deviceMutex);
    m_output = std::move(output);
    m_wantRunning = m_deviceRunning = false;
    return S_OK;
}

void CAudioRenderer::CloseDevice() {
    std::lock_guard device(m_deviceMutex);
    if (m_output) m_output->Close();  // waits for a running Pull; m_queueMutex is free
    m_output.reset();
    m_wantRunning = m_deviceRunning = false;
}

void CAudioRenderer::StartDeviceIfWanted() {
    std::lock_guard device(m_deviceMutex);
    if (!m_wantRunning || m_deviceRunning || !m_output) return;
    {
        // Started only once there is something to play, so a run begins with its first frame
        // rather than with a buffer of silence.
        std::lock_guard queue(m_queueMutex);
        if (m_queuedBytes == 0 && !m_endOfStream) return;
        m_pulling = true;
        m_lastPull = Clock::now();
    }
    m_output->SetPaused(false);
    m_deviceRunning = true;
}

void CAudioRenderer::HaltDevice() {
    std::lock_guard device(m_deviceMutex);
    m_wantRunning = false;
    if (m_output && m_deviceRunning) m_output->SetPaused(true);  // a running Pull finishes first
    m_deviceRunning = false;
    std::lock_guard queue(m_queueMutex);
    m_pulling = false;
}

void CAudioRenderer::ClearQueueLocked() {
    m_chunks.clear();
    m_frontOffset = 0;
    m_queuedBytes = 0;
}

HRESULT CAudioRenderer::Deliver(const uint8_t* data, size_t bytes) {
    {
        std::unique_lock queue(m_queueMutex);
        for (;;) {
            if (!m_active) return VFW_E_WRONG_STATE;
            if (m_flushing) return S_FALSE;
            if (FAILED(m_error)) return m_error;
            if (m_endOfStream) return VFW_E_SAMPLE_REJECTED_EOS;
            // Room as long as the queue is below its bound: a sample larger than the bound
            // still goes in behind a nearly empty queue, so the device never starves.
            if (m_queuedBytes < m_capacity) break;
            m_queueCv.wait(queue);
        }
        m_chunks.emplace_back(data, data + bytes);
        m_queuedBytes += bytes;
    }
    StartDeviceIfWanted();
    return S_OK;
}

HRESULT CAudioRenderer::DeliverEndOfStream() {
    {
        std::lock_guard queue(m_queueMutex);
        if (!m_active) return VFW_E_WRONG_STATE;
        if (m_flushing) return S_FALSE;
        m_endOfStream = true;
    }
    m_queueCv.notify_all();
    StartDeviceIfWanted();  // a stream without audio completes too
    return S_OK;
}

void CAudioRenderer::BeginFlush() {
    {
        std::lock_guard queue(m_queueMutex);
        m_flushing = true;
        ClearQueueLocked();
        m_endOfStream = m_drained = m_completeSent = false;
    }
    m_queueCv.notify_all();
}

void CAudioRenderer::EndFlush() {
    std::lock_guard queue(m_queueMutex);
    m_flushing = false;
}

void CAudioRenderer::Pull(uint8_t* out, size_t bytes) {
    const size_t block = static_cast<size_t>(m_format.BlockAlign());
    size_t copied = 0;
    {
        std::lock_guard queue(m_queueMutex);
        // Whole frames only, so every pull starts on a frame; a partial frame at the very end
        // of a stream is never played.
        size_t wanted = std::min(bytes, m_queuedBytes - m_queuedBytes % block);
        if (!m_active || m_flushing) wanted = 0;
        while (copied < wanted) {
            const std::vector<uint8_t>& front = m_chunks.front();
            const size_t n = std::min(wanted - copied, front.size() - m_frontOffset);
            std::memcpy(out + copied, front.data() + m_frontOffset, n);
            copied += n;
            m_frontOffset += n;
            if (m_frontOffset == front.size()) {
                m_chunks.pop_front();
                m_frontOffset = 0;
            }
        }
        m_queuedBytes -= copied;
        m_bytesPlayed += static_cast<int64_t>(copied);
        const Clock::time_point now = Clock::now();
        if (copied > 0 && !m_firstFrame) m_firstFrame = now;
        m_lastPull = now;
        // The device asks again after the last frame: what it had has been played out.
        if (copied == 0 && m_endOfStream && m_queuedBytes < block) m_drained = true;
    }
    m_queueCv.notify_all();
    ApplyGain(out, copied, m_format.kind, m_gain.load());
    std::memset(out + copied, m_format.kind == DeviceSample::Unsigned8 ? 0x80 : 0, bytes - copied);
}

void CAudioRenderer::Monitor(std::stop_token stop) {
    std::unique_lock queue(m_queueMutex);
    while (!stop.stop_requested()) {
        m_queueCv.wait_for(queue, stop, kMonitorPeriod, [this] {
            return (m_drained && !m_completeSent) || (FAILED(m_error) && !m_errorSent);
        });
        if (stop.stop_requested()) break;
        // Asked without our lock: a device may hold its own lock around Pull.
        queue.unlock();
        const bool lost = m_output && m_output->IsLost();
        queue.lock();
        if (SUCCEEDED(m_error) && lost) m_error = VFW_E_NO_AUDIO_HARDWARE;
        const bool waitingForDevice = m_queuedBytes > 0 || (m_endOfStream && !m_drained);
        if (SUCCEEDED(m_error) && m_pulling && waitingForDevice &&
            Clock::now() - m_lastPull > m_options.stallLimit) {
            m_error = VFW_E_TIMEOUT;  // the device stopped taking audio
        }
        if (FAILED(m_error) && !m_errorSent) {
            m_errorSent = true;
            const HRESULT error = m_error;
            queue.unlock();
            m_queueCv.notify_all();  // a streaming thread waiting for room gives up
            (void)NotifyEvent(EC_ERRORABORT, error, 0);
            queue.lock();
        } else if (m_drained && !m_completeSent && SUCCEEDED(m_error)) {
            m_completeSent = true;
            queue.unlock();
            (void)NotifyEvent(EC_COMPLETE, S_OK, 0);
            queue.lock();
        }
    }
}

HRESULT CAudioRenderer::put_Volume(int32_t volume) {
    if (volume < -10000 || volume > 0) return E_INVALIDARG;
    m_volume = volume;
    m_gain = GainForVolume(volume);
    return S_OK;
}

HRESULT CAudioRenderer::get_Volume(int32_t* volume) {
    if (!volume) return E_POINTER;
    *volume = m_volume.load();
    return S_OK;
}

AudioSampleFormat CAudioRenderer::DeviceFormat() const {
    std::lock_guard queue(m_queueMutex);
    return m_format;
}

int64_t CAudioRenderer::FramesPlayed() const {
    std::lock_guard queue(m_queueMutex);
    const int block = m_format.BlockAlign();
    return block > 0 ? m_bytesPlayed / block : 0;
}

bool CAudioRenderer::WaitForFramesPlayed(int64_t frames, std::chrono::milliseconds timeout) const {
    std::unique_lock queue(m_queueMutex);
    return m_queueCv.wait_for(queue, timeout, [&] {
        const int block = m_format.BlockAlign();
        return block > 0 && m_bytesPlayed / block >= frames;
    });
}

std::optional<CAudioRenderer::Clock::time_point> CAudioRenderer::FirstFrameTime() const {
    std::lock_guard queue(m_queueMutex);
    return m_firstFrame;
}

void RegisterAudioRenderer(FilterRegistry& registry, CAudioRenderer::Options options) {
    FilterRegistration entry;
    entry.clsid = kAudioRendererClsid;
    entry.name = kAudioRendererName;
    entry.merit = MERIT_PREFERRED;
    entry.create = [options] {
        return std::shared_ptr<IBaseFilter>(std::make_shared<CAudioRenderer>(options));
    };
    entry.inputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM},
                        {MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT}};
    registry.Register(std::move(entry));
}

}  // namespace tarnel::media
