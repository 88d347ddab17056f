// Proves on this processor that streaming threads start with the upper halves of the AVX
// registers clean, even when the thread that starts them left them dirty. Where the processor
// cannot report the state (no XGETBV with ECX = 1), the checks that remain are that the helper
// does nothing without AVX and runs with it.
#include <gtest/gtest.h>

#include <cpuid.h>

#include <atomic>

#include "framework/FilterGraph.h"
#include "framework/MemAllocator.h"
#include "framework/VectorState.h"
#include "tests/framework/TestTransforms.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/StreamSource.h"

namespace tarnel::test {
using namespace harness;
using namespace transforms;
namespace {

struct Processor {
    bool avx = false;         // AVX usable: the processor has it and the system saves the state
    bool readsInUse = false;  // XGETBV with ECX = 1 reports which state components are in use
};

Processor Probe() {
    Processor p;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return p;
    const bool osxsave = (c & bit_OSXSAVE) != 0;
    if (!osxsave) return p;
    unsigned lo = 0, hi = 0;
    asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    p.avx = (c & bit_AVX) != 0 && (lo & 0x6) == 0x6;
    if (__get_cpuid_max(0, nullptr) >= 0xD) {
        __cpuid_count(0xD, 1, a, b, c, d);
        p.readsInUse = (a & 0x4) != 0;
    }
    return p;
}

// XINUSE bit 2: the upper halves of the YMM registers hold something.
bool UpperStateInUse() {
    unsigned lo = 0, hi = 0;
    asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return (lo & 0x4) != 0;
}

// What Qt's AVX routines do: write a YMM register and return without vzeroupper.
__attribute__((target("avx"))) void DirtyUpperState() {
    static const float one = 1.0f;
    asm volatile("vbroadcastss %0, %%ymm15" : : "m"(one) : "xmm15");
}

// A source whose pin dirties the state just before its streaming thread starts and records the
// state the thread begins with.
class ProbeSource : public CSource {
public:
    class Pin : public CSourceStream {
    public:
        Pin(ProbeSource* filter) : CSourceStream("Out", filter, filter->StateLock(), nullptr) {}
        ~Pin() override { EndThreadNow(); }
        HRESULT GetMediaType(int position, CMediaType* type) override {
            if (position != 0) return VFW_S_NO_MORE_ITEMS;
            *type = PcmType();
            return S_OK;
        }
        HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
            ALLOCATOR_PROPERTIES want = *props, got;
            want.cBuffers = 1;
            want.cbBuffer = 64;
            return alloc->SetProperties(&want, &got);
        }
        HRESULT Active() override {
            if (dirty) {
                DirtyUpperState();
                dirtyBeforeStart = UpperStateInUse();
            }
            return CSourceStream::Active();
        }
        HRESULT OnThreadCreate() override {
            startState = UpperStateInUse() ? 1 : 0;
            return S_OK;
        }
        HRESULT FillBuffer(IMediaSample*) override { return S_FALSE; }

        bool dirty = false;
        std::atomic<bool> dirtyBeforeStart{false};
        std::atomic<int> startState{-1};  // -1 not started, 0 clean, 1 in use
    };

    ProbeSource() : CSource("Probe Source", CLSID_StreamSource) {
        pin = static_cast<Pin*>(AddPin(std::make_unique<Pin>(this)));
    }
    ~ProbeSource() override { (void)CBaseFilter::Stop(); }
    Pin* pin;
};

TEST(VectorStateTest, HelperCleansTheCallingThreadOnlyWhereTheProcessorHasAvx) {
    const Processor processor = Probe();
    if (!processor.avx) {
        EXPECT_FALSE(ClearUpperVectorState());
        return;
    }
    if (processor.readsInUse) {
        DirtyUpperState();
        ASSERT_TRUE(UpperStateInUse());
    }
    EXPECT_TRUE(ClearUpperVectorState());
    if (processor.readsInUse) {
        EXPECT_FALSE(UpperStateInUse());
    }
}

TEST(VectorStateTest, StreamingThreadStartsCleanAfterItsStarterRanAvxCode) {
    const Processor processor = Probe();
    if (!processor.readsInUse) {
        // Nothing can observe the state here; the helper must at least agree with the processor.
        EXPECT_EQ(ClearUpperVectorState(), processor.avx);
        return;
    }
    FilterRegistry registry;
    FilterGraph graph{registry};
    auto source = std::make_shared<ProbeSource>();
    auto sink = std::make_shared<CaptureSink>(IsAudio);
    ASSERT_EQ(graph.AddFilter(source, "Source"), S_OK);
    ASSERT_EQ(graph.AddFilter(sink, "Sink"), S_OK);
    ASSERT_EQ(graph.Connect(source->pin, sink->Pin()), S_OK);
    source->pin->dirty = true;
    ASSERT_EQ(graph.Run(), S_OK);
    int32_t code = 0;
    ASSERT_EQ(graph.WaitForCompletion(20000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_TRUE(source->pin->dirtyBeforeStart);  // the starter's state really was dirty
    EXPECT_EQ(source->pin->startState, 0);
    EXPECT_EQ(graph.Stop(), S_OK);
}

}  // namespace
}  // namespace tarnel::test
