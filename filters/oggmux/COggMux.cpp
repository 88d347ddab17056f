#include "filters/oggmux/COggMux.h"

#include "filters/oggcommon/OggFilterIds.h"

namespace tarnel {

namespace {
constexpr uint32_t kMuxSeekingCaps =
    AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;
}

COggMux::COggMux() : CBaseFilter("Ogg Mux", &m_csFilter, CLSID_OggMux) {
    HRESULT hr = S_OK;
    m_output = std::make_unique<COggMuxOutputPin>(this, &m_csFilter, &hr);
    m_inputs.push_back(std::make_unique<COggMuxInputPin>(this, &m_csFilter, 0, &hr));
}

COggMux::~COggMux() = default;

void* COggMux::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
    return CBaseFilter::QueryInterface(iid);
}

int COggMux::GetPinCount() {
    return static_cast<int>(m_inputs.size()) + 1;
}

CBasePin* COggMux::GetPin(int index) {
    if (index == 0) return m_output.get();
    if (index >= 1 && index <= static_cast<int>(m_inputs.size())) return m_inputs[index - 1].get();
    return nullptr;
}

COggMuxInputPin* COggMux::InputPin(int index) const {
    if (index < 0 || index >= static_cast<int>(m_inputs.size())) return nullptr;
    return m_inputs[index].get();
}

void COggMux::OnInputConnected() {
    for (const auto& pin : m_inputs) {
        if (!pin->IsConnected()) return;
    }
    HRESULT hr = S_OK;
    int index = static_cast<int>(m_inputs.size());
    m_inputs.push_back(std::make_unique<COggMuxInputPin>(this, &m_csFilter, index, &hr));
    IncrementPinVersion();
}

HRESULT COggMux::Pause() {
    CAutoLock lock(&m_csFilter);
    if (IsStopped()) {
        m_endOfStreamDelivered = false;
        std::lock_guard position(m_positionMutex);
        m_currentPosition = 0;
    }
    return CBaseFilter::Pause();
}

HRESULT COggMux::Stop() {
    CAutoLock lock(&m_csFilter);
    HRESULT hr = CBaseFilter::Stop();
    // Every stream's state goes; the free pin at the end never had any.
    for (size_t i = 0; i + 1 < m_inputs.size(); ++i) m_inputs[i]->ReleaseStreamState();
    return hr;
}

HRESULT COggMux::RunPageWriter() {
    std::lock_guard writer(m_pageWriterMutex);
    for (;;) {
        COggMuxInputPin* earliest = nullptr;
        int64_t earliestTime = 0;
        for (const auto& pin : m_inputs) {
            if (!pin->IsConnected()) continue;
            int64_t time = pin->NextTime();
            if (!earliest || time < earliestTime) {
                earliest = pin.get();
                earliestTime = time;
            }
        }
        if (!earliest) return S_OK;
        bool nowEmpty = false;
        std::unique_ptr<OggPageNode> page = earliest->TakePage(&nowEmpty);
        if (!page) return S_OK;  // the earliest stream must deliver first
        earliest->PageTaken(page->time, nowEmpty);
        {
            std::lock_guard position(m_positionMutex);
            m_currentPosition = page->time;
        }
        HRESULT hr = m_output->WritePage(*page);
        earliest->Recycle(std::move(page));
        if (FAILED(hr)) return hr;
    }
}

void COggMux::ClearKeptWaitingAll() {
    for (const auto& pin : m_inputs) pin->ClearKeptWaiting();
}

void COggMux::OnInputEndOfStream() {
    for (const auto& pin : m_inputs) {
        if (pin->IsConnected() && !pin->EndOfStreamReceived()) return;
    }
    // Every stream has ended: what is still queued goes out before end of stream.
    (void)RunPageWriter();  // a delivery failure has been reported by the writer downstream
    if (!m_endOfStreamDelivered.exchange(true)) m_output->DeliverEndOfStream();
}

void COggMux::SetSegmentStart(REFERENCE_TIME start) {
    std::lock_guard position(m_positionMutex);
    m_segmentStart = start;
}

// ---- IMediaSeeking ----

std::vector<IMediaSeeking*> COggMux::UpstreamSeekers() const {
    std::vector<IMediaSeeking*> seekers;
    for (const auto& pin : m_inputs) {
        if (!pin->IsConnected()) continue;
        if (auto* seeking = Query<IMediaSeeking>(pin->GetConnected())) seekers.push_back(seeking);
    }
    return seekers;
}

HRESULT COggMux::GetCapabilities(uint32_t* capabilities) {
    if (!capabilities) return E_POINTER;
    *capabilities = kMuxSeekingCaps;
    return S_OK;
}

HRESULT COggMux::CheckCapabilities(uint32_t* capabilities) {
    if (!capabilities) return E_POINTER;
    bool outside = (*capabilities & ~kMuxSeekingCaps) != 0;
    *capabilities &= kMuxSeekingCaps;
    return outside ? S_FALSE : S_OK;
}

HRESULT COggMux::IsFormatSupported(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME || *format == TIME_FORMAT_BYTE ? S_OK : S_FALSE;
}

HRESULT COggMux::QueryPreferredFormat(GUID* format) {
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT COggMux::GetTimeFormat(GUID* format) {
    if (!format) return E_POINTER;
    CAutoLock lock(&m_csFilter);
    *format = m_timeFormat;
    return S_OK;
}

HRESULT COggMux::IsUsingTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    CAutoLock lock(&m_csFilter);
    return *format == m_timeFormat ? S_OK : S_FALSE;
}

HRESULT COggMux::SetTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    if (IsFormatSupported(format) != S_OK) return S_FALSE;
    CAutoLock lock(&m_csFilter);
    m_timeFormat = *format;
    return S_OK;
}

HRESULT COggMux::GetDuration(int64_t* duration) {
    if (!duration) return E_POINTER;
    if (IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME) != S_OK) return E_FAIL;
    bool answered = false;
    int64_t longest = 0;
    for (IMediaSeeking* seeking : UpstreamSeekers()) {
        (void)seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);  // checked by GetDuration
        int64_t value = 0;
        if (SUCCEEDED(seeking->GetDuration(&value))) {
            if (!answered || value > longest) longest = value;
            answered = true;
        }
    }
    if (!answered) return E_NOTIMPL;
    *duration = longest;
    return S_OK;
}

HRESULT COggMux::GetStopPosition(int64_t* stop) {
    if (!stop) return E_POINTER;
    if (IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME) != S_OK) return E_FAIL;
    auto seekers = UpstreamSeekers();
    if (seekers.empty()) return E_NOTIMPL;
    return seekers.front()->GetStopPosition(stop);
}

HRESULT COggMux::GetCurrentPosition(int64_t* current) {
    if (!current) return E_POINTER;
    if (IsUsingTimeFormat(&TIME_FORMAT_BYTE) == S_OK) {
        *current = m_output->ByteOffset();
        return S_OK;
    }
    std::lock_guard position(m_positionMutex);
    *current = m_currentPosition + m_segmentStart;
    return S_OK;
}

HRESULT COggMux::ConvertTimeFormat(int64_t* target, const GUID* targetFormat, int64_t source,
                                   const GUID* sourceFormat) {
    if (!target) return E_POINTER;
    auto isMediaTime = [](const GUID* format) {
        return format == nullptr || *format == TIME_FORMAT_MEDIA_TIME;
    };
    if (!isMediaTime(targetFormat) || !isMediaTime(sourceFormat)) return E_FAIL;
    *target = source;
    return S_OK;
}

HRESULT COggMux::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                              uint32_t stopFlags) {
    auto seekers = UpstreamSeekers();
    if (seekers.empty()) return E_NOTIMPL;
    HRESULT result = S_OK;
    for (IMediaSeeking* seeking : seekers) {
        HRESULT hr = seeking->SetPositions(current, currentFlags, stop, stopFlags);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

HRESULT COggMux::GetPositions(int64_t* current, int64_t* stop) {
    if (IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME) != S_OK) return E_FAIL;
    auto seekers = UpstreamSeekers();
    if (seekers.empty()) return E_NOTIMPL;
    return seekers.front()->GetPositions(current, stop);
}

HRESULT COggMux::GetAvailable(int64_t* earliest, int64_t* latest) {
    if (earliest) *earliest = 0;
    if (!latest) return S_OK;
    return GetDuration(latest);
}

HRESULT COggMux::GetPreroll(int64_t* preroll) {
    if (!preroll) return E_POINTER;
    *preroll = 0;
    return S_OK;
}

void RegisterOggMux(FilterRegistry& registry) {
    FilterRegistration entry;
    entry.clsid = CLSID_OggMux;
    entry.name = "Ogg Mux";
    entry.merit = MERIT_DO_NOT_USE;
    entry.create = [] { return std::make_shared<COggMux>(); };
    entry.inputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_VorbisPackets}};
    entry.outputTypes = {{MEDIATYPE_Stream, MEDIASUBTYPE_OggStream}};
    registry.Register(std::move(entry));
}

}  // namespace tarnel
