#include "tests/support/filters/RecordingGraph.h"

#include <algorithm>

namespace tarnel::test::harness {

RecordingGraph::~RecordingGraph() {
    StopAll();
    // One connection at a time, enumerating afresh: a filter may drop pins when its input is
    // disconnected (a splitter's outputs).
    for (bool disconnected = true; disconnected;) {
        disconnected = false;
        for (auto& filter : filters_) {
            std::vector<IPin*> pins;
            filter->EnumPins(&pins);
            for (IPin* pin : pins) {
                IPin* other = nullptr;
                if (pin->ConnectedTo(&other) != S_OK) continue;
                pin->Disconnect();
                if (other) other->Disconnect();
                disconnected = true;
                break;
            }
            if (disconnected) break;
        }
    }
    for (auto& filter : filters_) filter->JoinFilterGraph(nullptr, "");
}

void* RecordingGraph::QueryInterface(const GUID& iid) {
    if (iid == IFilterGraph::IID || iid == IUnknown::IID) return static_cast<IFilterGraph*>(this);
    if (iid == IMediaEventSink::IID) return static_cast<IMediaEventSink*>(this);
    return nullptr;
}

HRESULT RecordingGraph::AddFilter(std::shared_ptr<IBaseFilter> filter, std::string_view name) {
    filter->JoinFilterGraph(this, name);
    filters_.push_back(std::move(filter));
    return S_OK;
}

HRESULT RecordingGraph::EnumFilters(std::vector<IBaseFilter*>* filters) {
    filters->clear();
    for (auto& filter : filters_) filters->push_back(filter.get());
    return S_OK;
}

HRESULT RecordingGraph::ConnectDirect(IPin* output, IPin* input, const CMediaType* type) {
    return output->Connect(input, type);
}

HRESULT RecordingGraph::Reconnect(IPin* pin) {
    ++reconnects;
    if (reconnectResult) return *reconnectResult;
    IPin* other = nullptr;
    if (FAILED(pin->ConnectedTo(&other)) || !other) return VFW_E_NOT_CONNECTED;
    PIN_DIRECTION direction;
    pin->QueryDirection(&direction);
    IPin* output = direction == PINDIR_OUTPUT ? pin : other;
    IPin* input = direction == PINDIR_OUTPUT ? other : pin;
    output->Disconnect();
    input->Disconnect();
    return output->Connect(input, nullptr);
}

HRESULT RecordingGraph::Notify(int32_t code, intptr_t param1, intptr_t param2) {
    std::lock_guard lock(mutex_);
    events_.push_back({code, param1, param2});
    return S_OK;
}

HRESULT RecordingGraph::PauseAll() {
    for (auto& filter : filters_) {
        HRESULT hr = filter->Pause();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT RecordingGraph::RunAll() {
    for (auto& filter : filters_) {
        HRESULT hr = filter->Run(0);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT RecordingGraph::StopAll() {
    HRESULT result = S_OK;
    for (auto& filter : filters_) {
        HRESULT hr = filter->Stop();
        if (FAILED(hr)) result = hr;
    }
    return result;
}

std::vector<RecordingGraph::Event> RecordingGraph::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

bool RecordingGraph::HasEvent(int32_t code) const {
    std::lock_guard lock(mutex_);
    return std::any_of(events_.begin(), events_.end(),
                       [code](const Event& e) { return e.code == code; });
}

}  // namespace tarnel::test::harness
