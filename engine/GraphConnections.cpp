#include "engine/GraphConnections.h"

#include <vector>

#include "engine/FilterControlInterfaces.h"
#include "filters/oggcommon/OggFilterIds.h"
#include "framework/Guids.h"

namespace tarnel {
namespace {

IPin* FindPin(IBaseFilter* filter, PIN_DIRECTION direction, bool freeOnly) {
    if (filter == nullptr) return nullptr;
    std::vector<IPin*> pins;
    if (FAILED(filter->EnumPins(&pins))) return nullptr;
    for (IPin* pin : pins) {
        PIN_DIRECTION dir = PINDIR_INPUT;
        if (pin == nullptr || FAILED(pin->QueryDirection(&dir)) || dir != direction) continue;
        if (!freeOnly) return pin;
        IPin* other = nullptr;
        if (FAILED(pin->ConnectedTo(&other))) return pin;
    }
    return nullptr;
}

HRESULT AddAndConnectNext(IGraphBuilder* graph, IBaseFilter* decoder, const NextFilter& next) {
    if (next.addAsIntermediate) {
        HRESULT hr = graph->AddFilter(next.filter, kIntermediateName);
        if (FAILED(hr)) return hr;
    }
    return ConnectFilters(graph, decoder, next.filter.get());
}

}  // namespace

IPin* FirstFreePin(IBaseFilter* filter, PIN_DIRECTION direction) {
    return FindPin(filter, direction, true);
}

IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
    return FindPin(filter, direction, false);
}

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* downstream) {
    if (graph == nullptr || upstream == nullptr || downstream == nullptr) return E_POINTER;
    IPin* output = FirstFreePin(upstream, PINDIR_OUTPUT);
    if (output == nullptr) return E_FAIL;
    IPin* input = FirstFreePin(downstream, PINDIR_INPUT);
    if (input == nullptr) return E_FAIL;
    return graph->Connect(output, input);
}

HRESULT ConnectOggDecoder(IGraphBuilder* graph, FilterRegistry& registry, IBaseFilter* source,
                          const NextFilter& next) {
    std::shared_ptr<IBaseFilter> splitter;
    HRESULT hr = registry.CreateInstance(CLSID_OggSplitter, &splitter);
    if (FAILED(hr)) return hr;
    hr = graph->AddFilter(splitter, kSplitterName);
    if (FAILED(hr)) return hr;
    std::shared_ptr<IBaseFilter> decoder;
    hr = registry.CreateInstance(CLSID_VorbisDec, &decoder);
    if (FAILED(hr)) return hr;
    hr = graph->AddFilter(decoder, kDecoderName);
    if (FAILED(hr)) return hr;
    hr = ConnectFilters(graph, source, splitter.get());
    if (FAILED(hr)) return hr;
    hr = ConnectFilters(graph, splitter.get(), decoder.get());
    if (FAILED(hr)) return hr;
    return AddAndConnectNext(graph, decoder.get(), next);
}

HRESULT ConnectMp3Decoder(IGraphBuilder* graph, FilterRegistry& registry, IBaseFilter* source,
                          const NextFilter& next) {
    std::shared_ptr<IBaseFilter> splitter;
    HRESULT hr = registry.CreateInstance(CLSID_MPEG1Splitter, &splitter);
    if (FAILED(hr)) return hr;
    hr = graph->AddFilter(splitter, kSplitterName);
    if (FAILED(hr)) return hr;
    // A decoder that cannot be created shows up as the failure of adding it.
    std::shared_ptr<IBaseFilter> decoder;
    (void)registry.CreateInstance(CLSID_MP3DecoderFilter, &decoder);
    if (!decoder) return E_POINTER;
    hr = graph->AddFilter(decoder, kDecoderName);
    if (FAILED(hr)) return hr;
    hr = ConnectFilters(graph, source, splitter.get());
    if (FAILED(hr)) return hr;
    hr = ConnectFilters(graph, splitter.get(), decoder.get());
    if (FAILED(hr)) return hr;
    return AddAndConnectNext(graph, decoder.get(), next);
}

HRESULT ConnectWmaDecoder(IGraphBuilder* graph, FilterRegistry& registry, IBaseFilter* source,
                          const NextFilter& next) {
    std::shared_ptr<IBaseFilter> wrapper;
    HRESULT hr = registry.CreateInstance(CLSID_DMOWrapperFilter, &wrapper);
    if (FAILED(hr)) return hr;
    auto* dmo = Query<IDMOWrapperFilter>(wrapper.get());
    if (dmo == nullptr) return E_NOINTERFACE;
    hr = dmo->Init(CLSID_CWMADecMediaObject, DMOCATEGORY_AUDIO_DECODER);
    if (FAILED(hr)) return hr;
    hr = graph->AddFilter(wrapper, kWmaDecoderName);
    if (FAILED(hr)) return hr;
    hr = ConnectFilters(graph, source, wrapper.get());
    if (FAILED(hr)) return hr;
    return AddAndConnectNext(graph, wrapper.get(), next);
}

}  // namespace tarnel
