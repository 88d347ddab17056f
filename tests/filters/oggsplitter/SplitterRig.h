#pragma once
// In-memory file -> COggSplitter [-> CVorbisDec] -> capturing sinks, connected pin to pin.

#include <memory>
#include <vector>

#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/MemoryReader.h"
#include "tests/support/filters/PinHelpers.h"
#include "tests/support/filters/RecordingGraph.h"

namespace tarnel::test {

class SplitterRig {
public:
    explicit SplitterRig(std::vector<uint8_t> file, bool decode = false) {
        reader = std::make_shared<harness::MemoryReader>(std::move(file));
        splitter = std::make_shared<COggSplitter>();
        connectResult = harness::ConnectPins(reader->Pin(), splitter->InputPin());
        if (SUCCEEDED(connectResult)) {
            for (int i = 0; i < splitter->OutputCount(); ++i) {
                auto sink = std::make_shared<harness::CaptureSink>();
                IPin* from = splitter->OutputPin(i);
                if (decode && i == 0) {
                    decoder = std::make_shared<CVorbisDec>();
                    harness::ConnectPins(from, decoder->InputPin());
                    from = decoder->OutputPin();
                }
                harness::ConnectPins(from, sink->Pin());
                sinks.push_back(sink);
            }
        }
        // Stopping goes from the sinks upstream.
        for (auto& sink : sinks) graph.AddFilter(sink, "sink");
        if (decoder) graph.AddFilter(decoder, "Decoder");
        graph.AddFilter(splitter, "Splitter");
        graph.AddFilter(reader, "Music Source");
    }

    harness::RecordingGraph graph;
    std::shared_ptr<harness::MemoryReader> reader;
    std::shared_ptr<COggSplitter> splitter;
    std::shared_ptr<CVorbisDec> decoder;
    std::vector<std::shared_ptr<harness::CaptureSink>> sinks;
    HRESULT connectResult = E_FAIL;
};

}  // namespace tarnel::test
