#include "filters/oggsplitter/COggSplitter.h"

#include <algorithm>

#include "filters/oggcommon/OggFilterIds.h"
#include "framework/SeekPositions.h"

namespace tarnel {

COggSplitter::COggSplitter() : CBaseFilter("", &m_csFilter, CLSID_OggSplitter) {
    HRESULT hr = S_OK;
    m_input = std::make_unique<COggSplitInputPin>(this, &m_csFilter, &hr);
}

COggSplitter::~COggSplitter() {
    StopThreads();
    m_input->StopReading();
    m_outputs.clear();
    m_streams.clear();
}

void* COggSplitter::QueryInterface(const GUID& iid) {
    if (iid == IAMStreamSelect::IID) return static_cast<IAMStreamSelect*>(this);
    return CBaseFilter::QueryInterface(iid);
}

int COggSplitter::GetPinCount() {
    return 1 + static_cast<int>(m_outputs.size());
}

CBasePin* COggSplitter::GetPin(int index) {
    if (index == 0) return m_input.get();
    if (index >= 1 && index <= static_cast<int>(m_outputs.size()))
        return m_outputs[index - 1].get();
    return nullptr;
}

COggSplitOutputPin* COggSplitter::OutputPin(int index) const {
    if (index < 0 || index >= static_cast<int>(m_outputs.size())) return nullptr;
    return m_outputs[index].get();
}

COggStream* COggSplitter::StreamBySerial(uint32_t serial) const {
    for (const auto& stream : m_streams) {
        if (stream->Serial() == serial && !stream->IsPseudo()) return stream.get();
    }
    return nullptr;
}

void COggSplitter::ClearStreams() {
    StopThreads();
    for (auto& pin : m_outputs) {
        if (IPin* other = pin->GetConnected()) other->Disconnect();
        pin->Disconnect();
    }
    m_outputs.clear();
    m_streams.clear();
    m_chapters.clear();
    m_chaptersEnabled = false;
    m_duration = kInitialStop;
    m_start = 0;
    m_stop = kInitialStop;
    m_lastSeek.reset();
    IncrementPinVersion();
}

void COggSplitter::SetEndOfFile() {
    m_endOfFile = true;
    for (const auto& stream : m_streams) stream->WakeDelivery();
}

void COggSplitter::StartThreads(int64_t bytePosition) {
    if (!m_input->IsConnected()) return;
    m_endOfFile = false;
    for (const auto& stream : m_streams) {
        if (stream->TakesPages()) stream->StartDelivery();
    }
    m_input->StartReading(bytePosition);
    m_threadsRunning = true;
}

void COggSplitter::StopThreads() {
    if (!m_threadsRunning) return;
    m_input->StopReading();
    for (const auto& stream : m_streams) stream->StopDelivery();
    m_threadsRunning = false;
}

HRESULT COggSplitter::Pause() {
    CAutoLock lock(&m_csFilter);
    bool wasStopped = IsStopped();
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr)) return hr;
    if (wasStopped) StartThreads(m_startByte);
    return hr;
}

HRESULT COggSplitter::Stop() {
    CAutoLock lock(&m_csFilter);
    // Deactivating the pins first releases delivery threads blocked on a buffer.
    HRESULT hr = CBaseFilter::Stop();
    StopThreads();
    return hr;
}

// ---- seeking ----

HRESULT COggSplitter::GetDuration(int64_t* duration) {
    if (!duration) return E_POINTER;
    CAutoLock lock(&m_csFilter);
    *duration = m_duration;
    return S_OK;
}

HRESULT COggSplitter::GetStopPosition(int64_t* stop) {
    if (!stop) return E_POINTER;
    *stop = m_stop;
    return S_OK;
}

HRESULT COggSplitter::GetPositions(int64_t* current, int64_t* stop) {
    if (current) *current = m_start;
    if (stop) *stop = m_stop;
    return S_OK;
}

HRESULT COggSplitter::SetRate(double rate) {
    if (rate <= 0) return E_INVALIDARG;
    m_rate = rate;
    return S_OK;
}

HRESULT COggSplitter::GetRate(double* rate) {
    if (!rate) return E_POINTER;
    *rate = m_rate;
    return S_OK;
}

HRESULT COggSplitter::SetPositions(COggSplitOutputPin* caller, int64_t* current,
                                   uint32_t currentFlags, int64_t* stop, uint32_t stopFlags) {
    HRESULT hr = CheckSeekArguments(current, currentFlags, stop, stopFlags);
    if (FAILED(hr)) return hr;

    CAutoLock lock(&m_csFilter);
    SeekRequest request{caller, current ? *current : 0, stop ? *stop : 0, currentFlags, stopFlags};
    if (m_lastSeek && m_lastSeek->caller != caller && m_lastSeek->current == request.current &&
        m_lastSeek->stop == request.stop && m_lastSeek->currentFlags == currentFlags &&
        m_lastSeek->stopFlags == stopFlags) {
        // The same request through another of our pins: already done.
        m_lastSeek.reset();
        ReturnSeekTimes(m_start, m_stop, current, currentFlags, nullptr, 0);
        return S_OK;
    }
    m_lastSeek = request;

    SeekPositions to =
        ResolveSeekPositions(m_start, m_stop, current, currentFlags, stop, stopFlags);
    to.start = std::max<int64_t>(to.start, 0);

    const bool running = !IsStopped() && to.movesStart;
    if (running) {
        // Flush downstream and take the buffers back, so that no delivery thread stays blocked
        // on a buffer or a busy downstream filter while the threads stop.
        for (const auto& pin : m_outputs) {
            if (!pin->IsConnected()) continue;
            pin->DeliverBeginFlush();
            (void)pin->Inactive();  // decommit: a waiting GetDeliveryBuffer returns
        }
        StopThreads();
        for (const auto& pin : m_outputs) {
            if (!pin->IsConnected()) continue;
            (void)pin->Active();  // commit again for the restart
            pin->DeliverEndFlush();
        }
    }
    m_stop = to.stop;
    if (to.movesStart) {
        m_start = std::min(to.start, m_duration);
        m_startByte = m_start > 0 ? FindBytePosition(m_start) : 0;
    }
    if (running) StartThreads(m_startByte);
    ReturnSeekTimes(m_start, m_stop, current, currentFlags, stop, stopFlags);
    return S_OK;
}

// ---- IAMStreamSelect ----

HRESULT COggSplitter::Count(uint32_t* streams) {
    if (!streams) return E_POINTER;
    CAutoLock lock(&m_csFilter);
    *streams =
        static_cast<uint32_t>(m_streams.size() + (m_chaptersEnabled ? m_chapters.size() : 0));
    return S_OK;
}

uint32_t COggSplitter::ChapterContaining(int64_t position) const {
    uint32_t found = UINT32_MAX;
    int64_t foundTime = INT64_MIN;
    for (size_t i = 0; i < m_chapters.size(); ++i) {
        if (m_chapters[i].time <= position && m_chapters[i].time >= foundTime) {
            found = static_cast<uint32_t>(i);
            foundTime = m_chapters[i].time;
        }
    }
    return found;
}

HRESULT COggSplitter::Info(int32_t index, CMediaType* type, uint32_t* flags, uint32_t* lcid,
                           uint32_t* group, std::string* name, IUnknown** object,
                           IUnknown** unknown) {
    CAutoLock lock(&m_csFilter);
    if (object) *object = nullptr;
    if (unknown) *unknown = nullptr;
    if (index < 0) return E_INVALIDARG;
    if (static_cast<size_t>(index) < m_streams.size()) {
        COggStream& stream = *m_streams[index];
        if (type) *type = stream.MediaType();
        if (flags) *flags = stream.enabled ? AMSTREAMSELECTINFO_ENABLED : 0;
        std::string language = stream.Language();
        if (lcid) *lcid = LanguageIdForName(language);
        if (group) *group = static_cast<uint32_t>(stream.group);
        if (name) {
            const GUID& major = stream.MediaType().majortype;
            std::string prefix = major == MEDIATYPE_Video   ? "Video"
                                 : major == MEDIATYPE_Audio ? "Audio"
                                 : major == MEDIATYPE_Text  ? "Subtitle"
                                                            : "Stream";
            *name = prefix + " " + (language.empty() ? std::to_string(stream.Serial()) : language);
        }
        return S_OK;
    }
    size_t chapter = static_cast<size_t>(index) - m_streams.size();
    if (!m_chaptersEnabled || chapter >= m_chapters.size()) return E_INVALIDARG;
    if (type) *type = CMediaType(MEDIATYPE_Video, GUID_NULL, GUID_NULL);
    if (flags) {
        // The chapter that holds the current position.
        int64_t position = m_start;
        *flags = ChapterContaining(position) == chapter ? AMSTREAMSELECTINFO_ENABLED : 0;
    }
    if (lcid) *lcid = 0;
    if (group) *group = static_cast<uint32_t>(-16);
    if (name) *name = FormatChapterEntry(m_chapters[chapter]);
    return S_OK;
}

HRESULT COggSplitter::Enable(int32_t index, uint32_t flags) {
    if (flags == 0xFFFFFFFF) {
        m_enableAll = true;
        return S_OK;
    }
    if (index < 0) return E_INVALIDARG;
    int64_t time = 0;
    {
        CAutoLock lock(&m_csFilter);
        if (static_cast<size_t>(index) < m_streams.size()) {
            if (!(flags & AMSTREAMSELECTENABLE_ENABLE)) return S_OK;
            COggStream& chosen = *m_streams[index];
            for (const auto& stream : m_streams) {
                if (stream.get() != &chosen && stream->group == chosen.group) {
                    stream->enabled = false;
                    stream->WakeDelivery();
                }
            }
            chosen.enabled = true;
            return S_OK;
        }
        size_t chapter = static_cast<size_t>(index) - m_streams.size();
        if (!m_chaptersEnabled || chapter >= m_chapters.size()) return E_INVALIDARG;
        time = m_chapters[chapter].time;
    }
    // The graph seeks every stream; no lock of ours is held while it calls back.
    if (auto* seeking = m_pGraph ? Query<IMediaSeeking>(m_pGraph) : nullptr) {
        return seeking->SetPositions(&time, AM_SEEKING_AbsolutePositioning, nullptr,
                                     AM_SEEKING_NoPositioning);
    }
    return SetPositions(nullptr, &time, AM_SEEKING_AbsolutePositioning, nullptr,
                        AM_SEEKING_NoPositioning);
}

void RegisterOggSplitter(FilterRegistry& registry) {
    FilterRegistration entry;
    entry.clsid = CLSID_OggSplitter;
    entry.name = "Ogg Splitter";
    entry.merit = MERIT_NORMAL;
    entry.create = [] { return std::make_shared<COggSplitter>(); };
    entry.inputTypes = {{MEDIATYPE_Stream, MEDIASUBTYPE_OggStream}};
    entry.outputTypes = {{MEDIATYPE_Audio, MEDIASUBTYPE_VorbisPackets}};
    registry.Register(std::move(entry));
}

}  // namespace tarnel
