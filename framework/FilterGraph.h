#pragma once
// FilterGraph: the filter graph manager.
//
// Building: AddFilter gives every filter a unique name; AddSourceFilter picks the source by
// content, then extension, then the File Source (MEDIATYPE_Stream); Connect tries the two pins
// directly, then through registered intermediate filters by merit, never a renderer (each inserted
// filter is added under its registration name, made unique, so it can be seen in EnumFilters);
// Render ends an output in a registered renderer.
//
// Running: Pause from stopped pauses the filters from the sinks upstream (each filter starts
// streaming); Run pauses first when needed, then runs them. Without a sync source
// (SetSyncSource(nullptr)) nothing waits on time stamps: the graph runs as fast as the filters
// go. Stop stops the filters from the sinks upstream: each filter decommits its allocators and
// joins its threads, so Stop returns promptly even while a streaming thread is blocked.
//
// Events: filters post through IMediaEventSink::Notify on any thread. EC_COMPLETE from a sink
// (a filter with a connected input and no connected output) is counted; the graph queues one
// EC_COMPLETE per run once every sink has sent its own. The first EC_ERRORABORT of a run is
// queued (later ones of the same run are dropped); events posted while the graph is stopped or
// stopping are dropped, except EC_QUALITY_CHANGE and the like, which are always queued.
//
// Seeking: asks the sinks (their IMediaSeeking, else the one of the pin upstream of their
// inputs): duration = the longest, current position = the first sink that reports one.
//
// Threading: building and state changes on the application thread (state lock m_graphLock);
// the event queue has its own lock and the notify callback runs with no graph lock held.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "framework/CritSec.h"
#include "framework/FilterRegistry.h"
#include "framework/Interfaces.h"
#include "framework/MediaTimeSeeking.h"
#include "framework/ReferenceClock.h"

namespace tarnel {

class FilterGraph : public IGraphBuilder,
                    public IMediaControl,
                    public IMediaEventEx,
                    public IMediaEventSink,
                    public IMediaFilter,
                    public CMediaTimeSeeking,
                    public IBasicAudio {
public:
    explicit FilterGraph(FilterRegistry& registry = FilterRegistry::Default());
    ~FilterGraph() override;  // stops, disconnects and releases every filter
    FilterGraph(const FilterGraph&) = delete;
    FilterGraph& operator=(const FilterGraph&) = delete;

    void* QueryInterface(const GUID& iid) override;

    // IFilterGraph
    HRESULT AddFilter(std::shared_ptr<IBaseFilter> filter, std::string_view name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(std::vector<IBaseFilter*>* filters) override;
    HRESULT FindFilterByName(std::string_view name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* output, IPin* input, const CMediaType* type) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override;

    // IGraphBuilder
    HRESULT Connect(IPin* output, IPin* input) override;
    HRESULT Render(IPin* output) override;
    HRESULT RenderFile(const std::filesystem::path& file) override;
    HRESULT AddSourceFilter(const std::filesystem::path& file, std::string_view name,
                            IBaseFilter** filter) override;
    HRESULT Abort() override;

    // IMediaControl (and IMediaFilter's Stop/Pause)
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT StopWhenReady() override;
    HRESULT GetState(int32_t msTimeout, FILTER_STATE* state) override;

    // IMediaFilter
    HRESULT GetClassID(GUID* clsid) override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(uint32_t msTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;  // null: run unpaced
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    // IMediaEventEx
    HRESULT GetEvent(int32_t* eventCode, intptr_t* param1, intptr_t* param2,
                     int32_t msTimeout) override;
    HRESULT FreeEventParams(int32_t eventCode, intptr_t param1, intptr_t param2) override;
    HRESULT WaitForCompletion(int32_t msTimeout, int32_t* eventCode) override;
    HRESULT SetNotifyCallback(std::function<void()> callback) override;
    HRESULT SetNotifyFlags(int32_t flags) override;
    HRESULT GetNotifyFlags(int32_t* flags) override;

    // IMediaEventSink
    HRESULT Notify(int32_t eventCode, intptr_t param1, intptr_t param2) override;

    // IMediaSeeking: media time only (CMediaTimeSeeking answers the time formats, conversion
    // and preroll); the rest from the sinks.
    HRESULT GetCapabilities(uint32_t* capabilities) override;
    HRESULT GetDuration(int64_t* duration) override;
    HRESULT GetStopPosition(int64_t* stop) override;
    HRESULT GetCurrentPosition(int64_t* current) override;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                         uint32_t stopFlags) override;
    HRESULT GetPositions(int64_t* current, int64_t* stop) override;  // either may be null
    HRESULT GetAvailable(int64_t* earliest, int64_t* latest) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;

    // IBasicAudio: forwarded to the first filter that offers it (E_NOTIMPL when none).
    HRESULT put_Volume(int32_t volume) override;
    HRESULT get_Volume(int32_t* volume) override;
    HRESULT put_Balance(int32_t balance) override;
    HRESULT get_Balance(int32_t* balance) override;

    // Convenience for callers and tests.
    std::vector<std::string> FilterNames() const;
    IBaseFilter* FindFilter(std::string_view name) const;
    std::shared_ptr<IBaseFilter> SharedFilter(IBaseFilter* filter) const;
    FILTER_STATE CurrentState() const;
    FilterRegistry& Registry() const { return m_registry; }

private:
    struct Entry {
        std::shared_ptr<IBaseFilter> filter;
        std::string name;
    };
    struct Event {
        int32_t code;
        intptr_t param1;
        intptr_t param2;
    };

    std::string UniqueName(std::string_view wanted) const;
    // Filters ordered from the sinks upstream (downstream first).
    std::vector<IBaseFilter*> SinkFirstOrder() const;
    std::vector<IBaseFilter*> Sinks() const;
    std::vector<IMediaSeeking*> SinkSeekers() const;
    bool Contains(IBaseFilter* filter) const;
    HRESULT ConnectRecursive(IPin* output, IPin* input, int depth);
    HRESULT RenderRecursive(IPin* output, int depth);
    HRESULT TryIntermediate(const FilterRegistration& reg, IPin* output, IPin* input, int depth);
    void RemoveInserted(IBaseFilter* filter);
    HRESULT PauseLocked();
    HRESULT StopLocked();
    void BeginRun();  // resets the per-run event bookkeeping
    void QueueEvent(const Event& event);
    void InvokeNotify();

    FilterRegistry& m_registry;
    // Held for every building and state call; guards m_filters, m_state, m_clock, m_runStart
    // and m_pausedStreamTime.
    mutable CCritSec m_graphLock;
    std::vector<Entry> m_filters;
    FILTER_STATE m_state = State_Stopped;
    CSystemClock m_systemClock;  // thread-safe itself
    IReferenceClock* m_clock = &m_systemClock;
    REFERENCE_TIME m_runStart = 0;
    REFERENCE_TIME m_pausedStreamTime = 0;

    // Event queue and run bookkeeping (through m_abortQueued); guarded by m_eventMutex.
    std::mutex m_eventMutex;
    std::condition_variable m_eventCv;
    std::deque<Event> m_events;
    bool m_accepting = false;               // a run is active: completion/abort events count
    std::set<IBaseFilter*> m_pendingSinks;  // sinks that have not sent EC_COMPLETE this run
    bool m_completeQueued = false;
    bool m_abortQueued = false;

    // The notify callback and m_notifyFlags: guarded by m_notifyMutex; the callback runs under
    // m_callMutex (no other lock held) so that SetNotifyCallback can wait for a running call.
    int32_t m_notifyFlags = 0;
    std::mutex m_notifyMutex;
    std::function<void()> m_notify;
    std::recursive_mutex m_callMutex;
};

}  // namespace tarnel
