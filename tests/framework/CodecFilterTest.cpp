#include <gtest/gtest.h>

#include "framework/AudioCodecFilter.h"
#include "framework/BufferRequest.h"
#include "framework/FilterGraph.h"
#include "framework/MemAllocator.h"
#include "tests/framework/TestTransforms.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/StreamSource.h"

namespace tarnel::test {
using namespace harness;
using namespace transforms;
namespace {

// Grants at most `buffers` buffers of at most `bytes` bytes.
class StingyAllocator : public CMemAllocator {
public:
    StingyAllocator(int32_t buffers, int32_t bytes) : buffers_(buffers), bytes_(bytes) {}
    HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request,
                          ALLOCATOR_PROPERTIES* actual) override {
        asked = *request;
        ALLOCATOR_PROPERTIES granted = *request;
        granted.cBuffers = std::min(granted.cBuffers, buffers_);
        granted.cbBuffer = std::min(granted.cbBuffer, bytes_);
        return CMemAllocator::SetProperties(&granted, actual);
    }
    ALLOCATOR_PROPERTIES asked;

private:
    int32_t buffers_, bytes_;
};

TEST(BufferRequestTest, AsksFromTheWishesOrExactlyAndHoldsTheGrantToTheNeed) {
    const ALLOCATOR_PROPERTIES wishes{6, 100, 8, 16};
    StingyAllocator plenty(100, 1 << 20);
    EXPECT_EQ(RequestBuffers(&plenty, &wishes, {.buffers = 2, .bytes = 4096}), S_OK);
    EXPECT_EQ(plenty.asked, (ALLOCATOR_PROPERTIES{6, 4096, 8, 16}));
    EXPECT_EQ(
        RequestBuffers(&plenty, &wishes,
                       {.buffers = 4, .bytes = 50, .exact = true, .align = 4, .keepPrefix = false}),
        S_OK);
    EXPECT_EQ(plenty.asked, (ALLOCATOR_PROPERTIES{4, 50, 4, 0}));

    StingyAllocator few(3, 1 << 20);
    EXPECT_EQ(RequestBuffers(&few, &wishes, {.buffers = 4, .needAsked = true}), E_FAIL);
    EXPECT_EQ(RequestBuffers(&few, &wishes, {.buffers = 4, .needBuffers = 3}), S_OK);
    EXPECT_EQ(
        RequestBuffers(&few, &wishes, {.buffers = 4, .needBuffers = 4, .shortfall = E_INVALIDARG}),
        E_INVALIDARG);
    const ALLOCATOR_PROPERTIES badAlign{1, 1, 3, 0};
    EXPECT_EQ(RequestBuffers(&plenty, &badAlign, {}), VFW_E_BADALIGN);  // passed up unchanged
    EXPECT_EQ(RequestBuffers(nullptr, &wishes, {}), E_POINTER);
}

// Splits every input into two outputs; at end of stream hands out a 3-byte tail, or fails.
class TestCodec : public CAudioCodecFilter {
public:
    TestCodec()
        : CAudioCodecFilter("Test Codec", CLSID_TestCopy, {.discontinuityAtRestart = true}) {}
    HRESULT CheckInputType(const CMediaType*) override { return S_OK; }
    HRESULT CheckTransform(const CMediaType*, const CMediaType*) override { return S_OK; }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        return RequestBuffers(alloc, props, {.buffers = 2, .bytes = 4096});
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *type = m_pInput->CurrentMediaType();
        return S_OK;
    }
    HRESULT ProcessInput(IMediaSample*, std::span<const uint8_t> bytes) override {
        const size_t half = bytes.size() / 2;
        for (auto piece : {bytes.first(half), bytes.subspan(half)}) {
            HRESULT hr = Emit(piece);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }
    HRESULT Drain() override {
        return drainResult != S_OK ? drainResult : Emit(std::array<uint8_t, 3>{});
    }
    HRESULT Emit(std::span<const uint8_t> bytes) {
        MediaSamplePtr out;
        std::span<uint8_t> room;
        HRESULT hr = GetOutputBuffer(&out, &room);
        if (FAILED(hr)) return hr;
        std::copy(bytes.begin(), bytes.end(), room.begin());
        return DeliverOutput(out.get(), bytes.size());
    }
    HRESULT drainResult = S_OK;
};

struct CodecChain {
    FilterRegistry registry;
    FilterGraph graph{registry};
    std::shared_ptr<StreamSource> source = std::make_shared<StreamSource>();
    std::shared_ptr<TestCodec> codec = std::make_shared<TestCodec>();
    std::shared_ptr<CaptureSink> sink = std::make_shared<CaptureSink>(IsAudio);
    std::vector<std::pair<int32_t, intptr_t>> events;  // of the last run
    CodecChain() {
        graph.AddFilter(source, "Source");
        graph.AddFilter(codec, "Codec");
        graph.AddFilter(sink, "Sink");
        EXPECT_EQ(graph.Connect(source->pin, codec->InputPin()), S_OK);
        EXPECT_EQ(graph.Connect(codec->OutputPin(), sink->Pin()), S_OK);
    }
    int32_t Run() {
        int32_t code = 0;
        EXPECT_EQ(graph.Run(), S_OK);
        EXPECT_EQ(graph.WaitForCompletion(20000, &code), S_OK);
        EXPECT_EQ(graph.Stop(), S_OK);
        events = DrainEvents(&graph);
        return code;
    }
};

TEST(AudioCodecFilterTest, OutputsAndTailFollowTheInputAndEveryRunStartsWithADiscontinuity) {
    CodecChain chain;
    chain.source->pin->count = 3;
    chain.source->pin->controlAt = 1;  // goes around the codec
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(chain.Run(), EC_COMPLETE);
        const auto got = chain.sink->Samples();
        ASSERT_EQ(got.size(), 2u + 1u + 2u + 1u) << run;
        EXPECT_EQ(got[2].streamId, AM_STREAM_CONTROL);
        EXPECT_EQ(got[2].bytes.size(), 400u);
        EXPECT_EQ(got[3].bytes[0], 2);
        EXPECT_EQ(got.back().bytes.size(), 3u);
        for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].discontinuity, i == 0) << i;
        EXPECT_EQ(chain.sink->EndOfStreamCount(), run + 1);
        chain.sink->ClearSamples();
    }
}

TEST(AudioCodecFilterTest, AFailedDrainAbortsWithItsResultAndEndsNoStream) {
    CodecChain chain;
    chain.codec->drainResult = E_OUTOFMEMORY;
    EXPECT_EQ(chain.Run(), EC_ERRORABORT);
    ASSERT_FALSE(chain.events.empty());
    EXPECT_EQ(chain.events.front().second, E_OUTOFMEMORY);
    EXPECT_EQ(chain.sink->EndOfStreamCount(), 0);
}

// A sample that cannot say whether it is a sync point.
class FaultySample : public CMediaSample {
public:
    FaultySample() : CMediaSample(nullptr, buffer_, sizeof buffer_) { AddRef(); }
    HRESULT IsSyncPoint() override { return E_FAIL; }

private:
    uint8_t buffer_[4]{};
};

struct ExposedCopy : TestCopy {
    using TestCopy::InitializeOutputSample;
};

TEST(TransformSampleFlagsTest, AFaultySampleFlagIsRefusedBeforeAnyBufferIsTaken) {
    ExposedCopy copy;
    FaultySample sample;
    IMediaSample* out = nullptr;
    EXPECT_EQ(copy.InitializeOutputSample(&sample, &out), E_UNEXPECTED);
    EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace tarnel::test
