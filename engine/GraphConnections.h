#pragma once
// Connection steps shared by the conversion graphs and the probes: joining two filters through
// intelligent connection, and the decoder parts that turn an Ogg, MP3 or WMA source into PCM.
// Filters the graph does not have yet are created by class identifier from the registry, so a
// filter that is not installed fails the step with REGDB_E_CLASSNOTREG.
//
// Every call runs on the thread that builds the graph.
#include <memory>

#include "framework/FilterRegistry.h"
#include "framework/Interfaces.h"

namespace tarnel {

// Names the decoder parts give their filters.
inline constexpr const char* kSplitterName = "Splitter";
inline constexpr const char* kDecoderName = "Decoder";
inline constexpr const char* kWmaDecoderName = "WMA Decoder";
inline constexpr const char* kIntermediateName = "Intermediate";

// The first pin of the direction that is not connected; null when there is none.
IPin* FirstFreePin(IBaseFilter* filter, PIN_DIRECTION direction);
// The first pin of the direction, connected or not; null when there is none.
IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction);

// Connects the first free output pin of `upstream` to the first free input pin of
// `downstream` with intelligent connection. E_POINTER for a missing graph or filter, E_FAIL
// when either has no free pin of the needed direction.
HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* downstream);

// What a decoder part connects into.
struct NextFilter {
    std::shared_ptr<IBaseFilter> filter;
    bool addAsIntermediate = false;  // add it to the graph as "Intermediate" first
};

// "Splitter" (Ogg splitter) and "Decoder" (Vorbis decoder), source -> splitter -> decoder ->
// next.
HRESULT ConnectOggDecoder(IGraphBuilder* graph, FilterRegistry& registry, IBaseFilter* source,
                          const NextFilter& next);
// "Splitter" (MPEG-1 stream splitter) and "Decoder" (MPEG Layer-3 decoder).
HRESULT ConnectMp3Decoder(IGraphBuilder* graph, FilterRegistry& registry, IBaseFilter* source,
                          const NextFilter& next);
// "WMA Decoder" (the DMO wrapper holding the WMA decoder), source -> decoder -> next.
HRESULT ConnectWmaDecoder(IGraphBuilder* graph, FilterRegistry& registry, IBaseFilter* source,
                          const NextFilter& next);

}  // namespace tarnel
