#pragma once
// In-memory file -> COggSplitter [-> CVorbisDec] -> capturing sinks, connected pin to pin.

#include <memory>
#include <vector>

#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "tests/filters/oggcommon/FilterHarness.h"

namespace tarnel::test::oggharness {

class SplitterRig {
public:
    explicit SplitterRig(std::vector<uint8_t> file, bool decode = false) {
        reader = std::make_shared<MemoryReaderFilter>(std::move(file));
        splitter = std::make_shared<COggSplitter>();
        connectResult = ConnectPins(reader->Pin(), splitter->InputPin());
        if (SUCCEEDED(connectResult)) {
            for (int i = 0; i < splitter->OutputCount(); ++i) {
                auto sink = std::make_shared<CaptureSinkFilter>();
                IPin* from = splitter->OutputPin(i);
                if (decode && i == 0) {
                    decoder = std::make_shared<CVorbisDec>();
                    ConnectPins(from, decoder->InputPin());
                    from = decoder->OutputPin();
                }
                ConnectPins(from, sink->Pin());
                sinks.push_back(sink);
            }
        }
        // Stopping goes from the sinks upstream.
        for (auto& sink : sinks) graph.AddFilter(sink, "sink");
        if (decoder) graph.AddFilter(decoder, "Decoder");
        graph.AddFilter(splitter, "Splitter");
        graph.AddFilter(reader, "Music Source");
    }

    EventGraph graph;
    std::shared_ptr<MemoryReaderFilter> reader;
    std::shared_ptr<COggSplitter> splitter;
    std::shared_ptr<CVorbisDec> decoder;
    std::vector<std::shared_ptr<CaptureSinkFilter>> sinks;
    HRESULT connectResult = E_FAIL;
};

}  // namespace tarnel::test::oggharness
