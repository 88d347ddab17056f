#include "framework/SourceStream.h"

#include "framework/MediaSample.h"

namespace tarnel {

CSourceStream::CSourceStream(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr)
    : CBaseOutputPin(std::move(name), filter, lock, hr) {}

CSourceStream::~CSourceStream() {
    // Normally the filter was stopped (Inactive joined the thread); this is a safety net.
    EndThreadNow();
}

void CSourceStream::EndThreadNow() {
    if (ThreadExists()) {
        m_bStopRequested = true;
        if (m_pAllocator) m_pAllocator->Decommit();
        CallWorker(CMD_EXIT);
    }
    Close();
}

HRESULT CSourceStream::Active() {
    CAutoLock lock(m_pLock);
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr)) return hr;
    if (ThreadExists()) return S_OK;
    m_bStopRequested = false;
    m_bEndOfStream = false;
    if (!Create()) return E_FAIL;
    hr = static_cast<HRESULT>(CallWorker(CMD_INIT));
    if (FAILED(hr)) {
        CallWorker(CMD_EXIT);
        Close();
        return hr;
    }
    // Unpaced graphs start pushing at pause.
    return static_cast<HRESULT>(CallWorker(CMD_PAUSE));
}

HRESULT CSourceStream::Inactive() {
    m_bStopRequested = true;
    // Decommit first: a thread blocked in GetDeliveryBuffer returns at once.
    HRESULT hr = CBaseOutputPin::Inactive();
    if (ThreadExists()) {
        CallWorker(CMD_STOP);
        CallWorker(CMD_EXIT);
    }
    Close();
    return hr;
}

HRESULT CSourceStream::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    for (int i = 0; i < 256; ++i) {
        CMediaType offered;
        if (GetMediaType(i, &offered) != S_OK) break;
        if (offered == *type) return S_OK;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

bool CSourceStream::ShouldContinue() {
    return !CheckRequest(nullptr);
}

bool CSourceStream::Stopping() const {
    // Not the filter state: it still reads "stopped" while the thread starts at pause.
    // Failures in the window between a filter stop and Inactive are dropped by the graph.
    return m_bStopRequested.load();
}

uint32_t CSourceStream::ThreadProc() {
    for (;;) {
        uint32_t command = GetRequest();
        switch (command) {
            case CMD_INIT: {
                HRESULT hr = OnThreadCreate();
                Reply(static_cast<uint32_t>(hr));
                break;
            }
            case CMD_PAUSE:
            case CMD_RUN: {
                Reply(static_cast<uint32_t>(S_OK));
                // The filter may still show "stopped" here: Active runs before Pause sets the
                // state.
                if (!m_bEndOfStream && !m_bStopRequested && SUCCEEDED(OnThreadStartPlay())) {
                    (void)DoBufferProcessingLoop();  // failures were reported as events
                }
                break;
            }
            case CMD_STOP:
                Reply(static_cast<uint32_t>(S_OK));
                break;
            case CMD_EXIT:
            default:
                OnThreadDestroy();
                Reply(static_cast<uint32_t>(S_OK));
                return 0;
        }
    }
}

HRESULT CSourceStream::DoBufferProcessingLoop() {
    // While our own seek flushes downstream, everything fails on purpose: leave the loop at
    // once (without end of stream) and wait for the seek's stop and restart.
    while (ShouldContinue() && !m_bSeekFlushing) {
        MediaSamplePtr sample;
        HRESULT hr = GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, 0);
        if (m_bSeekFlushing) return hr;
        if (FAILED(hr)) {
            if (!Stopping()) {
                m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
                DeliverEndOfStream();
                m_bEndOfStream = true;
            }
            return hr;
        }
        hr = FillBuffer(sample.get());
        if (hr == S_OK) {
            hr = Deliver(sample.get());
            sample.Reset();
            if (hr == S_OK) continue;
            if (m_bSeekFlushing) return hr;
            if (hr == S_FALSE) {  // downstream wants no more
                DeliverEndOfStream();
                m_bEndOfStream = true;
                return S_OK;
            }
            if (FAILED(hr) && !Stopping()) m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
            return hr;
        }
        sample.Reset();
        if (hr == S_FALSE) {
            DeliverEndOfStream();
            m_bEndOfStream = true;
            return S_OK;
        }
        if (!Stopping()) {
            m_pFilter->NotifyEvent(EC_ERRORABORT, FAILED(hr) ? hr : E_FAIL, 0);
            DeliverEndOfStream();
            m_bEndOfStream = true;
        }
        return hr;
    }
    return S_OK;
}

void CSourceStream::SeekAndRestart(const std::function<void()>& move) {
    if (!ThreadExists() || !IsConnected()) {
        move();  // nothing streams: the next run starts from the new position
        return;
    }
    m_bSeekFlushing = true;
    DeliverBeginFlush();
    CallWorker(CMD_STOP);
    move();
    m_bEndOfStream = false;
    DeliverEndFlush();
    m_bSeekFlushing = false;
    CallWorker(CMD_RUN);
}

CSource::CSource(std::string name, const GUID& clsid)
    : CBaseFilter(std::move(name), &m_cStateLock, clsid) {}

CSource::~CSource() {
    // Join the streaming threads while the pins still exist.
    (void)CBaseFilter::Stop();
}

int CSource::GetPinCount() {
    CAutoLock lock(&m_cStateLock);
    return static_cast<int>(m_paStreams.size());
}

CBasePin* CSource::GetPin(int index) {
    CAutoLock lock(&m_cStateLock);
    if (index < 0 || index >= static_cast<int>(m_paStreams.size())) return nullptr;
    return m_paStreams[static_cast<size_t>(index)].get();
}

CSourceStream* CSource::AddPin(std::unique_ptr<CSourceStream> pin) {
    CAutoLock lock(&m_cStateLock);
    m_paStreams.push_back(std::move(pin));
    IncrementPinVersion();
    return m_paStreams.back().get();
}

}  // namespace tarnel
