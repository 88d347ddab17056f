#include "framework/FilterGraph.h"

#include "framework/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>

namespace tarnel {

namespace {

// Longest chain of filters intelligent connection may insert between two pins.
constexpr int kMaxInsertDepth = 4;

std::vector<IPin*> PinsOf(IBaseFilter* filter, PIN_DIRECTION direction) {
    std::vector<IPin*> all, out;
    if (!filter || FAILED(filter->EnumPins(&all))) return out;
    for (IPin* pin : all) {
        PIN_DIRECTION d;
        if (pin && SUCCEEDED(pin->QueryDirection(&d)) && d == direction) out.push_back(pin);
    }
    return out;
}

// Puts a pair of pins in output, input order; a failed direction query gives its result.
HRESULT OrderPins(IPin*& output, IPin*& input) {
    PIN_DIRECTION a, b;
    HRESULT hr = output->QueryDirection(&a);
    if (SUCCEEDED(hr)) hr = input->QueryDirection(&b);
    if (FAILED(hr)) return hr;
    if (a == b) return VFW_E_INVALID_DIRECTION;
    if (a == PINDIR_INPUT) std::swap(output, input);
    return S_OK;
}

IPin* PeerOf(IPin* pin) {
    IPin* peer = nullptr;
    if (!pin || FAILED(pin->ConnectedTo(&peer))) return nullptr;
    return peer;
}

IBaseFilter* FilterOfPin(IPin* pin) {
    PIN_INFO info;
    if (!pin || FAILED(pin->QueryPinInfo(&info))) return nullptr;
    return info.pFilter;
}

GUID ClassOf(IBaseFilter* filter) {
    GUID clsid;
    if (filter) (void)filter->GetClassID(&clsid);  // a filter without a class id stays null
    return clsid;
}

bool IsSinkFilter(IBaseFilter* filter) {
    bool connectedInput = false;
    for (IPin* pin : PinsOf(filter, PINDIR_INPUT)) connectedInput |= PeerOf(pin) != nullptr;
    if (!connectedInput) return false;
    for (IPin* pin : PinsOf(filter, PINDIR_OUTPUT)) {
        if (PeerOf(pin)) return false;
    }
    return true;
}

bool IsCompletionEvent(int32_t code) {
    return code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT ||
           code == EC_STREAM_ERROR_STOPPED;
}

}  // namespace

FilterGraph::FilterGraph(FilterRegistry& registry)
    : CMediaTimeSeeking(0), m_registry(registry) {}  // the capabilities are the sinks'

FilterGraph::~FilterGraph() {
    (void)SetNotifyCallback(nullptr);
    CAutoLock lock(&m_graphLock);
    (void)StopLocked();
    for (auto& entry : m_filters) {
        for (IPin* pin : PinsOf(entry.filter.get(), PINDIR_INPUT)) {
            if (IPin* peer = PeerOf(pin)) peer->Disconnect();
            pin->Disconnect();
        }
        for (IPin* pin : PinsOf(entry.filter.get(), PINDIR_OUTPUT)) {
            if (IPin* peer = PeerOf(pin)) peer->Disconnect();
            pin->Disconnect();
        }
    }
    for (auto& entry : m_filters) {
        entry.filter->SetSyncSource(nullptr);
        entry.filter->JoinFilterGraph(nullptr, "");
    }
    // Release downstream-last order does not matter any more: nothing is connected.
    m_filters.clear();
}

void* FilterGraph::QueryInterface(const GUID& iid) {
    if (iid == IGraphBuilder::IID) return static_cast<IGraphBuilder*>(this);
    if (iid == IFilterGraph::IID) return static_cast<IFilterGraph*>(this);
    if (iid == IMediaControl::IID) return static_cast<IMediaControl*>(this);
    if (iid == IMediaEventEx::IID) return static_cast<IMediaEventEx*>(this);
    if (iid == IMediaEventSink::IID) return static_cast<IMediaEventSink*>(this);
    if (iid == IMediaFilter::IID) return static_cast<IMediaFilter*>(this);
    if (iid == IPersist::IID) return static_cast<IPersist*>(this);
    if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
    if (iid == IBasicAudio::IID) return static_cast<IBasicAudio*>(this);
    if (iid == IUnknown::IID) return static_cast<IUnknown*>(static_cast<IGraphBuilder*>(this));
    return nullptr;
}

// ---------------------------------------------------------------- filters

std::string FilterGraph::UniqueName(std::string_view wanted) const {
    std::string base = wanted.empty() ? std::string("Filter") : std::string(wanted);
    auto taken = [this](const std::string& name) {
        return std::any_of(m_filters.begin(), m_filters.end(),
                           [&](const Entry& e) { return e.name == name; });
    };
    if (!taken(base)) return base;
    for (int n = 1;; ++n) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, " %04d", n);
        std::string candidate = base + suffix;
        if (!taken(candidate)) return candidate;
    }
}

bool FilterGraph::Contains(IBaseFilter* filter) const {
    return std::any_of(m_filters.begin(), m_filters.end(),
                       [&](const Entry& e) { return e.filter.get() == filter; });
}

HRESULT FilterGraph::AddFilter(std::shared_ptr<IBaseFilter> filter, std::string_view name) {
    if (!filter) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    if (Contains(filter.get())) return E_INVALIDARG;
    std::string unique = UniqueName(name);
    HRESULT hr = filter->JoinFilterGraph(static_cast<IFilterGraph*>(this), unique);
    if (FAILED(hr)) return hr;
    filter->SetSyncSource(m_clock);
    m_filters.push_back({std::move(filter), unique});
    return (name.empty() || unique == name) ? S_OK : VFW_S_DUPLICATE_NAME;
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
    if (!filter) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    auto it = std::find_if(m_filters.begin(), m_filters.end(),
                           [&](const Entry& e) { return e.filter.get() == filter; });
    if (it == m_filters.end()) return VFW_E_NOT_FOUND;
    (void)filter->Stop();  // a filter leaves the graph stopped whatever the graph does
    std::vector<IPin*> pins;
    filter->EnumPins(&pins);
    for (IPin* pin : pins) {
        if (IPin* peer = PeerOf(pin)) peer->Disconnect();
        pin->Disconnect();
    }
    filter->SetSyncSource(nullptr);
    filter->JoinFilterGraph(nullptr, "");
    std::shared_ptr<IBaseFilter> keep = std::move(it->filter);
    m_filters.erase(it);
    {
        std::lock_guard events(m_eventMutex);
        m_pendingSinks.erase(filter);
    }
    return S_OK;
}

HRESULT FilterGraph::EnumFilters(std::vector<IBaseFilter*>* filters) {
    if (!filters) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    filters->clear();
    for (const auto& e : m_filters) filters->push_back(e.filter.get());
    return S_OK;
}

HRESULT FilterGraph::FindFilterByName(std::string_view name, IBaseFilter** filter) {
    if (!filter) return E_POINTER;
    *filter = FindFilter(name);
    return *filter ? S_OK : VFW_E_NOT_FOUND;
}

std::vector<std::string> FilterGraph::FilterNames() const {
    CAutoLock lock(&m_graphLock);
    std::vector<std::string> names;
    for (const auto& e : m_filters) names.push_back(e.name);
    return names;
}

IBaseFilter* FilterGraph::FindFilter(std::string_view name) const {
    CAutoLock lock(&m_graphLock);
    for (const auto& e : m_filters) {
        if (e.name == name) return e.filter.get();
    }
    return nullptr;
}

std::shared_ptr<IBaseFilter> FilterGraph::SharedFilter(IBaseFilter* filter) const {
    CAutoLock lock(&m_graphLock);
    for (const auto& e : m_filters) {
        if (e.filter.get() == filter) return e.filter;
    }
    return nullptr;
}

FILTER_STATE FilterGraph::CurrentState() const {
    CAutoLock lock(&m_graphLock);
    return m_state;
}

// ---------------------------------------------------------------- connections

HRESULT FilterGraph::ConnectDirect(IPin* output, IPin* input, const CMediaType* type) {
    if (!output || !input) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    HRESULT hr = OrderPins(output, input);
    if (FAILED(hr)) return hr;
    if (!Contains(FilterOfPin(output)) || !Contains(FilterOfPin(input))) return VFW_E_NOT_IN_GRAPH;
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    return output->Connect(input, type);
}

HRESULT FilterGraph::Disconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    IPin* peer = PeerOf(pin);
    HRESULT hr = pin->Disconnect();
    // Both ends go, so no half-connected pin is left behind.
    if (peer) peer->Disconnect();
    return hr;
}

HRESULT FilterGraph::Reconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    if (m_state != State_Stopped) return VFW_E_WRONG_STATE;
    IPin* peer = PeerOf(pin);
    if (!peer) return VFW_E_NOT_CONNECTED;
    IPin* output = pin;
    IPin* input = peer;
    HRESULT hr = OrderPins(output, input);
    if (FAILED(hr)) return hr;
    output->Disconnect();
    input->Disconnect();
    return output->Connect(input, nullptr);
}

HRESULT FilterGraph::Connect(IPin* output, IPin* input) {
    if (!output || !input) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    HRESULT hr = OrderPins(output, input);
    if (FAILED(hr)) return hr;
    if (!Contains(FilterOfPin(output)) || !Contains(FilterOfPin(input))) return VFW_E_NOT_IN_GRAPH;
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    if (PeerOf(output) || PeerOf(input)) return VFW_E_ALREADY_CONNECTED;
    return ConnectRecursive(output, input, 0);
}

namespace {
// Registered filters that take one of the output pin's types, best merit first.
std::vector<FilterRegistration> CandidatesFor(FilterRegistry& registry, IPin* output) {
    std::vector<CMediaType> types;
    std::vector<FilterRegistration> out;
    if (FAILED(output->EnumMediaTypes(&types))) return out;
    GUID own = ClassOf(FilterOfPin(output));
    for (const auto& type : types) {
        for (auto& reg : registry.CandidatesForInput(type)) {
            // The same filter again behind itself never helps.
            if (reg.clsid == own) continue;
            bool seen = std::any_of(out.begin(), out.end(), [&](const FilterRegistration& r) {
                return r.clsid == reg.clsid;
            });
            if (!seen) out.push_back(std::move(reg));
        }
    }
    std::stable_sort(
        out.begin(), out.end(),
        [](const FilterRegistration& a, const FilterRegistration& b) { return a.merit > b.merit; });
    return out;
}
}  // namespace

HRESULT FilterGraph::ConnectRecursive(IPin* output, IPin* input, int depth) {
    HRESULT hr = output->Connect(input, nullptr);
    if (SUCCEEDED(hr)) return hr;
    if (depth >= kMaxInsertDepth) return VFW_E_CANNOT_CONNECT;
    for (const auto& reg : CandidatesFor(m_registry, output)) {
        // A renderer ends a chain; it never sits between two pins.
        if (reg.outputTypes.empty()) continue;
        if (SUCCEEDED(TryIntermediate(reg, output, input, depth))) return S_OK;
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT FilterGraph::TryIntermediate(const FilterRegistration& reg, IPin* output, IPin* input,
                                     int depth) {
    std::shared_ptr<IBaseFilter> filter;
    if (!reg.create || !(filter = reg.create())) return E_FAIL;
    IBaseFilter* raw = filter.get();
    HRESULT hr = AddFilter(std::move(filter), reg.name);
    if (FAILED(hr)) return hr;
    bool upstreamConnected = false;
    for (IPin* pin : PinsOf(raw, PINDIR_INPUT)) {
        if (!PeerOf(pin) && SUCCEEDED(output->Connect(pin, nullptr))) {
            upstreamConnected = true;
            break;
        }
    }
    if (upstreamConnected) {
        // Output pins are enumerated only now: parsers create them once their input is known.
        for (IPin* pin : PinsOf(raw, PINDIR_OUTPUT)) {
            if (!PeerOf(pin) && SUCCEEDED(ConnectRecursive(pin, input, depth + 1))) return S_OK;
        }
    }
    RemoveInserted(raw);
    return VFW_E_CANNOT_CONNECT;
}

void FilterGraph::RemoveInserted(IBaseFilter* filter) {
    (void)RemoveFilter(filter);
}

HRESULT FilterGraph::Render(IPin* output) {
    if (!output) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    PIN_DIRECTION d;
    HRESULT hr = output->QueryDirection(&d);
    if (FAILED(hr)) return hr;
    if (d != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (PeerOf(output)) return VFW_E_ALREADY_CONNECTED;
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    return RenderRecursive(output, 0);
}

HRESULT FilterGraph::RenderRecursive(IPin* output, int depth) {
    if (depth > kMaxInsertDepth) return VFW_E_CANNOT_RENDER;
    for (const auto& reg : CandidatesFor(m_registry, output)) {
        std::shared_ptr<IBaseFilter> filter;
        if (!reg.create || !(filter = reg.create())) continue;
        IBaseFilter* raw = filter.get();
        if (FAILED(AddFilter(std::move(filter), reg.name))) continue;
        bool connected = false;
        for (IPin* pin : PinsOf(raw, PINDIR_INPUT)) {
            if (!PeerOf(pin) && SUCCEEDED(output->Connect(pin, nullptr))) {
                connected = true;
                break;
            }
        }
        if (connected) {
            std::vector<IPin*> outputs = PinsOf(raw, PINDIR_OUTPUT);
            if (outputs.empty()) return S_OK;  // a renderer
            int rendered = 0;
            for (IPin* pin : outputs) {
                if (!PeerOf(pin) && SUCCEEDED(RenderRecursive(pin, depth + 1))) ++rendered;
            }
            if (rendered > 0) {
                return rendered == static_cast<int>(outputs.size()) ? S_OK : VFW_S_PARTIAL_RENDER;
            }
        }
        RemoveInserted(raw);
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::RenderFile(const std::filesystem::path& file) {
    CAutoLock lock(&m_graphLock);
    IBaseFilter* source = nullptr;
    HRESULT hr = AddSourceFilter(file, "", &source);
    if (FAILED(hr)) return hr;
    int rendered = 0, total = 0;
    for (IPin* pin : PinsOf(source, PINDIR_OUTPUT)) {
        ++total;
        if (SUCCEEDED(Render(pin))) ++rendered;
    }
    if (rendered == 0) {
        RemoveFilter(source);
        return VFW_E_CANNOT_RENDER;
    }
    return rendered == total ? S_OK : VFW_S_PARTIAL_RENDER;
}

HRESULT FilterGraph::AddSourceFilter(const std::filesystem::path& file, std::string_view name,
                                     IBaseFilter** filter) {
    if (!filter) return E_POINTER;
    *filter = nullptr;
    // Pipes, devices and sockets are refused at once; opening them never waits.
    std::vector<uint8_t> head;
    if (const int error = ReadRegularFileHead(file, FilterRegistry::kSniffBytes, head)) {
        return error == ENOENT || error == ENOTDIR ? HRESULT_FROM_WIN32_FILE_NOT_FOUND
                                                   : E_ACCESSDENIED;
    }
    auto rule = m_registry.MatchSource(head, file.extension().string());
    GUID clsid = rule ? rule->sourceClsid : CLSID_AsyncReader;
    CMediaType type(MEDIATYPE_Stream, GUID_NULL);
    if (rule) type = CMediaType(rule->majortype, rule->subtype);

    std::shared_ptr<IBaseFilter> source;
    HRESULT hr = m_registry.CreateInstance(clsid, &source);
    if (FAILED(hr)) return hr;
    auto* loader = Query<IFileSourceFilter>(source.get());
    if (!loader) return E_NOINTERFACE;
    hr = loader->Load(file, type.majortype.IsNull() ? nullptr : &type);
    if (FAILED(hr)) return hr;
    IBaseFilter* raw = source.get();
    std::string filterName = name.empty() ? file.string() : std::string(name);
    hr = AddFilter(std::move(source), filterName);
    if (FAILED(hr)) return hr;
    *filter = raw;
    return hr;
}

HRESULT FilterGraph::Abort() {
    return S_OK;
}

// ---------------------------------------------------------------- running

std::vector<IBaseFilter*> FilterGraph::SinkFirstOrder() const {
    std::vector<IBaseFilter*> order;
    std::set<IBaseFilter*> visited;
    // Post-order over downstream connections: every filter after all filters below it.
    std::function<void(IBaseFilter*)> visit = [&](IBaseFilter* f) {
        if (!f || visited.count(f) || !Contains(f)) return;
        visited.insert(f);
        for (IPin* pin : PinsOf(f, PINDIR_OUTPUT)) visit(FilterOfPin(PeerOf(pin)));
        order.push_back(f);
    };
    for (const auto& e : m_filters) visit(e.filter.get());
    return order;
}

std::vector<IBaseFilter*> FilterGraph::Sinks() const {
    std::vector<IBaseFilter*> sinks;
    for (const auto& e : m_filters) {
        if (IsSinkFilter(e.filter.get())) sinks.push_back(e.filter.get());
    }
    return sinks;
}

void FilterGraph::BeginRun() {
    std::vector<IBaseFilter*> sinks = Sinks();
    std::lock_guard lock(m_eventMutex);
    m_pendingSinks = std::set<IBaseFilter*>(sinks.begin(), sinks.end());
    m_completeQueued = false;
    m_abortQueued = false;
    m_accepting = true;
}

HRESULT FilterGraph::PauseLocked() {
    if (m_state == State_Paused) return S_OK;
    if (m_state == State_Stopped) BeginRun();
    for (IBaseFilter* f : SinkFirstOrder()) {
        HRESULT hr = f->Pause();
        if (FAILED(hr)) {
            (void)StopLocked();
            return hr;
        }
    }
    if (m_state == State_Running && m_clock) {
        REFERENCE_TIME now = 0;
        if (SUCCEEDED(m_clock->GetTime(&now))) m_pausedStreamTime = now - m_runStart;
    }
    m_state = State_Paused;
    return S_OK;
}

HRESULT FilterGraph::StopLocked() {
    {
        std::lock_guard lock(m_eventMutex);
        m_accepting = false;  // failures caused by the stop are not errors of the run
    }
    if (m_state == State_Stopped) return S_OK;
    // Sinks first: upstream threads blocked in their Receive are released before the
    // filters that own those threads are stopped and joined.
    for (IBaseFilter* f : SinkFirstOrder()) (void)f->Stop();
    m_state = State_Stopped;
    m_pausedStreamTime = 0;
    return S_OK;
}

HRESULT FilterGraph::Run() {
    return Run(REFERENCE_TIME{0});
}

HRESULT FilterGraph::Run(REFERENCE_TIME start) {
    CAutoLock lock(&m_graphLock);
    if (m_state == State_Running) return S_OK;
    HRESULT hr = PauseLocked();
    if (FAILED(hr)) return hr;
    REFERENCE_TIME now = 0;
    if (m_clock && SUCCEEDED(m_clock->GetTime(&now))) {
        m_runStart = now - m_pausedStreamTime;
    } else {
        m_runStart = 0;  // unpaced: nobody waits on stream time
    }
    if (start != 0) m_runStart = start;
    for (IBaseFilter* f : SinkFirstOrder()) {
        hr = f->Run(m_runStart);
        if (FAILED(hr)) {
            (void)StopLocked();
            return hr;
        }
    }
    m_state = State_Running;
    return S_OK;
}

HRESULT FilterGraph::Pause() {
    CAutoLock lock(&m_graphLock);
    return PauseLocked();
}

HRESULT FilterGraph::Stop() {
    CAutoLock lock(&m_graphLock);
    return StopLocked();
}

HRESULT FilterGraph::StopWhenReady() {
    return Stop();
}

HRESULT FilterGraph::GetState(int32_t msTimeout, FILTER_STATE* state) {
    return GetState(static_cast<uint32_t>(msTimeout), state);
}

HRESULT FilterGraph::GetState(uint32_t msTimeout, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    *state = m_state;
    HRESULT result = S_OK;
    for (const auto& e : m_filters) {
        FILTER_STATE fs;
        HRESULT hr = e.filter->GetState(msTimeout, &fs);
        if (FAILED(hr)) return hr;
        if (hr == VFW_S_STATE_INTERMEDIATE) result = VFW_S_STATE_INTERMEDIATE;
    }
    return result;
}

HRESULT FilterGraph::GetClassID(GUID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_FilterGraph;
    return S_OK;
}

HRESULT FilterGraph::SetSyncSource(IReferenceClock* clock) {
    CAutoLock lock(&m_graphLock);
    if (m_state != State_Stopped) return VFW_E_NOT_STOPPED;
    m_clock = clock;
    for (const auto& e : m_filters) e.filter->SetSyncSource(clock);
    return S_OK;
}

HRESULT FilterGraph::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    *clock = m_clock;
    return S_OK;
}

HRESULT FilterGraph::SetDefaultSyncSource() {
    return SetSyncSource(&m_systemClock);
}

// ---------------------------------------------------------------- events

HRESULT FilterGraph::Notify(int32_t eventCode, intptr_t param1, intptr_t param2) {
    {
        std::lock_guard lock(m_eventMutex);
        Event event{eventCode, param1, param2};
        if (eventCode == EC_COMPLETE) {
            if (!m_accepting || m_completeQueued) return S_OK;
            auto* sink = reinterpret_cast<IBaseFilter*>(param2);
            if (m_pendingSinks.erase(sink) == 0 || !m_pendingSinks.empty()) return S_OK;
            m_completeQueued = true;
            event = Event{EC_COMPLETE, S_OK, 0};
        } else if (eventCode == EC_ERRORABORT || eventCode == EC_USERABORT ||
                   eventCode == EC_STREAM_ERROR_STOPPED) {
            // One abort per run; failures caused by stopping are not reported.
            if (!m_accepting || m_abortQueued) return S_OK;
            m_abortQueued = true;
        }
        m_events.push_back(event);
    }
    m_eventCv.notify_all();
    InvokeNotify();
    return S_OK;
}

void FilterGraph::InvokeNotify() {
    std::lock_guard call(m_callMutex);
    std::function<void()> callback;
    {
        std::lock_guard lock(m_notifyMutex);
        if (m_notifyFlags & AM_MEDIAEVENT_NONOTIFY) return;
        callback = m_notify;
    }
    if (callback) callback();
}

HRESULT FilterGraph::SetNotifyCallback(std::function<void()> callback) {
    {
        std::lock_guard lock(m_notifyMutex);
        m_notify = std::move(callback);
    }
    // Wait for a callback running on another thread to return.
    std::lock_guard call(m_callMutex);
    return S_OK;
}

HRESULT FilterGraph::SetNotifyFlags(int32_t flags) {
    if (flags != 0 && flags != AM_MEDIAEVENT_NONOTIFY) return E_INVALIDARG;
    std::lock_guard lock(m_notifyMutex);
    m_notifyFlags = flags;
    return S_OK;
}

HRESULT FilterGraph::GetNotifyFlags(int32_t* flags) {
    if (!flags) return E_POINTER;
    std::lock_guard lock(m_notifyMutex);
    *flags = m_notifyFlags;
    return S_OK;
}

HRESULT FilterGraph::GetEvent(int32_t* eventCode, intptr_t* param1, intptr_t* param2,
                              int32_t msTimeout) {
    if (!eventCode || !param1 || !param2) return E_POINTER;
    std::unique_lock lock(m_eventMutex);
    auto ready = [this] { return !m_events.empty(); };
    if (msTimeout < 0) {
        m_eventCv.wait(lock, ready);
    } else if (!m_eventCv.wait_for(lock, std::chrono::milliseconds(msTimeout), ready)) {
        *eventCode = 0;
        *param1 = *param2 = 0;
        return E_ABORT;
    }
    Event event = m_events.front();
    m_events.pop_front();
    *eventCode = event.code;
    *param1 = event.param1;
    *param2 = event.param2;
    return S_OK;
}

HRESULT FilterGraph::FreeEventParams(int32_t eventCode, intptr_t param1, intptr_t param2) {
    return S_OK;  // parameters are plain values here
}

HRESULT FilterGraph::WaitForCompletion(int32_t msTimeout, int32_t* eventCode) {
    if (!eventCode) return E_POINTER;
    std::unique_lock lock(m_eventMutex);
    auto found = [this, eventCode] {
        for (const auto& e : m_events) {
            if (IsCompletionEvent(e.code)) {
                *eventCode = e.code;
                return true;
            }
        }
        return false;
    };
    if (msTimeout < 0) {
        m_eventCv.wait(lock, found);
        return S_OK;
    }
    if (m_eventCv.wait_for(lock, std::chrono::milliseconds(msTimeout), found)) return S_OK;
    *eventCode = 0;
    return E_ABORT;
}

// ---------------------------------------------------------------- seeking

std::vector<IMediaSeeking*> FilterGraph::SinkSeekers() const {
    std::vector<IMediaSeeking*> seekers;
    for (IBaseFilter* sink : Sinks()) {
        if (auto* s = Query<IMediaSeeking>(sink)) {
            seekers.push_back(s);
            continue;
        }
        for (IPin* pin : PinsOf(sink, PINDIR_INPUT)) {
            if (auto* s = Query<IMediaSeeking>(PeerOf(pin))) {
                seekers.push_back(s);
                break;
            }
        }
    }
    return seekers;
}

HRESULT FilterGraph::GetCapabilities(uint32_t* capabilities) {
    if (!capabilities) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    auto seekers = SinkSeekers();
    if (seekers.empty()) return E_NOTIMPL;
    uint32_t all = 0xFFFFFFFF;
    bool any = false;
    for (auto* s : seekers) {
        uint32_t caps = 0;
        if (SUCCEEDED(s->GetCapabilities(&caps))) {
            all &= caps;
            any = true;
        }
    }
    *capabilities = any ? all : 0;
    return any ? S_OK : E_NOTIMPL;
}

HRESULT FilterGraph::GetDuration(int64_t* duration) {
    if (!duration) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    bool any = false;
    int64_t longest = 0;
    for (auto* s : SinkSeekers()) {
        int64_t d = 0;
        if (s->GetDuration(&d) == S_OK) {
            longest = any ? std::max(longest, d) : d;
            any = true;
        }
    }
    if (!any) return E_NOTIMPL;
    *duration = longest;
    return S_OK;
}

HRESULT FilterGraph::GetStopPosition(int64_t* stop) {
    if (!stop) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    for (auto* s : SinkSeekers()) {
        if (s->GetStopPosition(stop) == S_OK) return S_OK;
    }
    return E_NOTIMPL;
}

HRESULT FilterGraph::GetCurrentPosition(int64_t* current) {
    if (!current) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    for (auto* s : SinkSeekers()) {
        int64_t value = 0;
        if (s->GetCurrentPosition(&value) == S_OK) {
            *current = value;
            return S_OK;
        }
    }
    return E_NOTIMPL;
}

HRESULT FilterGraph::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                                  uint32_t stopFlags) {
    CAutoLock lock(&m_graphLock);
    auto seekers = SinkSeekers();
    if (seekers.empty()) return E_NOTIMPL;
    HRESULT result = E_NOTIMPL;
    for (auto* s : seekers) {
        int64_t c = current ? *current : 0;
        int64_t e = stop ? *stop : 0;
        HRESULT hr =
            s->SetPositions(current ? &c : nullptr, currentFlags, stop ? &e : nullptr, stopFlags);
        if (SUCCEEDED(hr) && FAILED(result)) {
            result = hr;
            if (current && (currentFlags & AM_SEEKING_ReturnTime)) *current = c;
            if (stop && (stopFlags & AM_SEEKING_ReturnTime)) *stop = e;
        } else if (FAILED(hr) && FAILED(result)) {
            result = hr;
        }
    }
    return result;
}

HRESULT FilterGraph::GetPositions(int64_t* current, int64_t* stop) {
    if (current) {
        HRESULT hr = GetCurrentPosition(current);
        if (FAILED(hr)) return hr;
    }
    if (stop) {
        HRESULT hr = GetStopPosition(stop);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT FilterGraph::GetAvailable(int64_t* earliest, int64_t* latest) {
    if (earliest) *earliest = 0;
    if (latest) return GetDuration(latest);
    return S_OK;
}

HRESULT FilterGraph::SetRate(double rate) {
    if (rate <= 0.0) return E_INVALIDARG;
    CAutoLock lock(&m_graphLock);
    HRESULT result = E_NOTIMPL;
    for (auto* s : SinkSeekers()) {
        HRESULT hr = s->SetRate(rate);
        if (SUCCEEDED(hr) || FAILED(result)) result = hr;
    }
    return result;
}

HRESULT FilterGraph::GetRate(double* rate) {
    if (!rate) return E_POINTER;
    CAutoLock lock(&m_graphLock);
    for (auto* s : SinkSeekers()) {
        if (s->GetRate(rate) == S_OK) return S_OK;
    }
    *rate = 1.0;
    return S_OK;
}

// ---------------------------------------------------------------- audio

namespace {
template <class F>
HRESULT WithBasicAudio(const std::vector<IBaseFilter*>& filters, F&& call) {
    for (IBaseFilter* f : filters) {
        if (auto* audio = Query<IBasicAudio>(f)) return call(audio);
    }
    return E_NOTIMPL;
}
}  // namespace

HRESULT FilterGraph::put_Volume(int32_t volume) {
    std::vector<IBaseFilter*> filters;
    EnumFilters(&filters);
    return WithBasicAudio(filters, [&](IBasicAudio* a) { return a->put_Volume(volume); });
}

HRESULT FilterGraph::get_Volume(int32_t* volume) {
    std::vector<IBaseFilter*> filters;
    EnumFilters(&filters);
    return WithBasicAudio(filters, [&](IBasicAudio* a) { return a->get_Volume(volume); });
}

HRESULT FilterGraph::put_Balance(int32_t balance) {
    std::vector<IBaseFilter*> filters;
    EnumFilters(&filters);
    return WithBasicAudio(filters, [&](IBasicAudio* a) { return a->put_Balance(balance); });
}

HRESULT FilterGraph::get_Balance(int32_t* balance) {
    std::vector<IBaseFilter*> filters;
    EnumFilters(&filters);
    return WithBasicAudio(filters, [&](IBasicAudio* a) { return a->get_Balance(balance); });
}

}  // namespace tarnel
