// Fuzzes the Ogg splitter: the connection scan (headers, chapters, groups, duration), the
// reading and delivery threads over the whole input, and the seek search.
#include <cstdint>
#include <vector>

#include "filters/oggsplitter/COggSplitter.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/MemoryReader.h"

using namespace tarnel;
using test::harness::CaptureSink;
using test::harness::MemoryReader;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto bytes = std::make_shared<MemoryReader>(std::vector<uint8_t>(data, data + size));
    auto splitter = std::make_shared<COggSplitter>();
    if (FAILED(bytes->Pin()->Connect(splitter->InputPin(), nullptr))) return 0;
    std::vector<std::shared_ptr<CaptureSink>> sinks;
    for (int i = 0; i < splitter->OutputCount(); ++i) {
        auto sink = std::make_shared<CaptureSink>();
        sink->keepBytes = false;
        if (SUCCEEDED(splitter->OutputPin(i)->Connect(sink->Pin(), nullptr))) sinks.push_back(sink);
    }
    uint32_t count = 0;
    splitter->Count(&count);
    for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        uint32_t flags = 0, lcid = 0, group = 0;
        splitter->Info(static_cast<int32_t>(i), nullptr, &flags, &lcid, &group, &name, nullptr,
                       nullptr);
    }
    if (splitter->OutputCount() > 0) {
        // A seek into the middle exercises the byte search.
        int64_t duration = 0;
        splitter->GetDuration(&duration);
        int64_t target = duration > 0 && duration < (int64_t{1} << 50) ? duration / 2 : 0;
        splitter->SetPositions(splitter->OutputPin(0), &target, AM_SEEKING_AbsolutePositioning,
                               nullptr, AM_SEEKING_NoPositioning);
        target = 0;
        splitter->SetPositions(splitter->OutputPin(0), &target, AM_SEEKING_AbsolutePositioning,
                               nullptr, AM_SEEKING_NoPositioning);
        for (auto& sink : sinks) sink->Pause();
        splitter->Pause();
        for (auto& sink : sinks) sink->WaitForEndOfStream(5000);
        for (auto& sink : sinks) sink->Stop();
        splitter->Stop();
    }
    for (int i = 0; i < splitter->OutputCount(); ++i) {
        if (IPin* other = splitter->OutputPin(i)->GetConnected()) other->Disconnect();
        splitter->OutputPin(i)->Disconnect();
    }
    splitter->InputPin()->Disconnect();
    bytes->Pin()->Disconnect();
    return 0;
}
