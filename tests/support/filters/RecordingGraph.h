#pragma once
// A stand-in graph for tests that run filters without the graph manager: filters join it to
// report events, which it records; AddFilter keeps a filter, and PauseAll / RunAll / StopAll
// drive the kept filters in the order they were added (downstream first). Reconnect breaks a
// connection and lets the output pin agree a type again, unless reconnectResult says otherwise.
// On destruction it stops the kept filters and takes their connections apart.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "framework/Interfaces.h"

namespace tarnel::test::harness {

class RecordingGraph : public IFilterGraph, public IMediaEventSink {
public:
    struct Event {
        int32_t code;
        intptr_t param1;
        intptr_t param2;
    };

    RecordingGraph() = default;
    RecordingGraph(const RecordingGraph&) = delete;
    RecordingGraph& operator=(const RecordingGraph&) = delete;
    ~RecordingGraph() override;

    void* QueryInterface(const GUID& iid) override;
    HRESULT AddFilter(std::shared_ptr<IBaseFilter> filter, std::string_view name) override;
    HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT EnumFilters(std::vector<IBaseFilter*>* filters) override;
    HRESULT FindFilterByName(std::string_view, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin* output, IPin* input, const CMediaType* type) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override { return pin ? pin->Disconnect() : E_POINTER; }
    HRESULT SetDefaultSyncSource() override { return S_OK; }
    HRESULT Notify(int32_t code, intptr_t param1, intptr_t param2) override;

    HRESULT PauseAll();
    HRESULT RunAll();
    HRESULT StopAll();

    std::vector<Event> Events() const;
    bool HasEvent(int32_t code) const;

    int reconnects = 0;
    std::optional<HRESULT> reconnectResult;  // answer every reconnection with this instead

private:
    std::vector<std::shared_ptr<IBaseFilter>> filters_;
    mutable std::mutex mutex_;
    std::vector<Event> events_;  // guarded by mutex_
};

}  // namespace tarnel::test::harness
