#include <gtest/gtest.h>

#include "framework/FilterGraph.h"
#include "framework/MemAllocator.h"
#include "tests/framework/TestTransforms.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/StreamSource.h"

namespace tarnel::test {
using namespace harness;
using namespace transforms;
namespace {

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        source = std::make_shared<StreamSource>();
        copy = std::make_shared<TestCopy>();
        sink = std::make_shared<CaptureSink>(IsAudio);
        ASSERT_EQ(graph.AddFilter(source, "Source"), S_OK);
        ASSERT_EQ(graph.AddFilter(copy, "Copy"), S_OK);
        ASSERT_EQ(graph.AddFilter(sink, "Sink"), S_OK);
    }
    FilterRegistry registry;  // empty: no intelligent connection here
    FilterGraph graph{registry};
    std::shared_ptr<StreamSource> source;
    std::shared_ptr<TestCopy> copy;
    std::shared_ptr<CaptureSink> sink;
};

TEST_F(ConnectionTest, AgreedTypeIsSetOnBothPinsAndTheAllocatorIsSized) {
    ASSERT_EQ(graph.ConnectDirect(source->pin, copy->InputPin(), nullptr), S_OK);
    ASSERT_EQ(graph.ConnectDirect(copy->OutputPin(), sink->Pin(), nullptr), S_OK);
    CMediaType a, b;
    EXPECT_EQ(source->pin->ConnectionMediaType(&a), S_OK);
    EXPECT_EQ(copy->InputPin()->ConnectionMediaType(&b), S_OK);
    EXPECT_EQ(a, PcmType());
    EXPECT_EQ(a, b);
    EXPECT_EQ(copy->inputType, PcmType());
    EXPECT_EQ(copy->outputType, PcmType());
    ALLOCATOR_PROPERTIES props;
    ASSERT_TRUE(copy->OutputPin()->Allocator());
    copy->OutputPin()->Allocator()->GetProperties(&props);
    EXPECT_EQ(props.cbBuffer, 4096);
    // The sink's allocator is the one the copy filter delivers into.
    EXPECT_EQ(copy->OutputPin()->Allocator(), sink->Pin()->Allocator());
    IPin* peer = nullptr;
    EXPECT_EQ(sink->Pin()->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer, copy->OutputPin());
}

TEST_F(ConnectionTest, OutputOfATransformNeedsItsInputFirst) {
    EXPECT_TRUE(FAILED(graph.ConnectDirect(copy->OutputPin(), sink->Pin(), nullptr)));
    EXPECT_FALSE(copy->OutputPin()->IsConnected());
    EXPECT_FALSE(sink->Pin()->IsConnected());
}

TEST_F(ConnectionTest, RefusedTypesLeaveBothPinsFree) {
    copy->acceptIn = CMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT);
    EXPECT_EQ(graph.ConnectDirect(source->pin, copy->InputPin(), nullptr),
              VFW_E_NO_ACCEPTABLE_TYPES);
    CMediaType pcm = PcmType();
    EXPECT_EQ(graph.ConnectDirect(source->pin, copy->InputPin(), &pcm), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_FALSE(source->pin->IsConnected());
    EXPECT_FALSE(copy->InputPin()->IsConnected());
    EXPECT_GT(copy->checkInputCalls, 0);
}

TEST_F(ConnectionTest, LaterTypeIsTakenWhenTheFirstIsRefused) {
    CMediaType flt = MakeAudioMediaType(MakeFloatFormat(2, 8000));
    source->pin->types = {flt, PcmType()};
    copy->acceptIn = CMediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM);
    ASSERT_EQ(graph.ConnectDirect(source->pin, copy->InputPin(), nullptr), S_OK);
    EXPECT_EQ(copy->InputPin()->CurrentMediaType(), PcmType());
    // A partial type narrows the choice.
    graph.Disconnect(source->pin);
    copy->acceptIn = CMediaType();
    CMediaType wantFloat(MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT);
    ASSERT_EQ(graph.ConnectDirect(source->pin, copy->InputPin(), &wantFloat), S_OK);
    EXPECT_EQ(copy->InputPin()->CurrentMediaType(), flt);
}

TEST_F(ConnectionTest, ReceivingPinsPreferenceComesFirst) {
    CMediaType mono = PcmType(1, 8000, 16);
    sink->offer = {mono};
    ASSERT_EQ(graph.ConnectDirect(source->pin, copy->InputPin(), nullptr), S_OK);
    ASSERT_EQ(graph.ConnectDirect(copy->OutputPin(), sink->Pin(), nullptr), S_OK);
    EXPECT_EQ(sink->Pin()->CurrentMediaType(), mono);
    EXPECT_EQ(copy->outputType, mono);
}

TEST_F(ConnectionTest, BufferSizingFailureEndsTheConnection) {
    copy->failBufferSize = true;
    ASSERT_EQ(graph.ConnectDirect(source->pin, copy->InputPin(), nullptr), S_OK);
    EXPECT_TRUE(FAILED(graph.ConnectDirect(copy->OutputPin(), sink->Pin(), nullptr)));
    EXPECT_FALSE(copy->OutputPin()->IsConnected());
    EXPECT_FALSE(sink->Pin()->IsConnected());
    EXPECT_FALSE(copy->OutputPin()->Allocator());
}

TEST_F(ConnectionTest, DisconnectReconnectAndAlreadyConnected) {
    ASSERT_EQ(graph.ConnectDirect(source->pin, copy->InputPin(), nullptr), S_OK);
    EXPECT_EQ(graph.ConnectDirect(source->pin, copy->InputPin(), nullptr), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(graph.Connect(source->pin, copy->InputPin()), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(graph.Reconnect(copy->InputPin()), S_OK);
    EXPECT_TRUE(copy->InputPin()->IsConnected());
    EXPECT_EQ(graph.Disconnect(copy->InputPin()), S_OK);
    EXPECT_FALSE(source->pin->IsConnected());
    EXPECT_FALSE(copy->InputPin()->IsConnected());
    EXPECT_EQ(graph.Reconnect(copy->InputPin()), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(graph.ConnectDirect(source->pin, source->pin, nullptr), VFW_E_INVALID_DIRECTION);
    // Pins given input first are sorted out.
    EXPECT_EQ(graph.ConnectDirect(copy->InputPin(), source->pin, nullptr), S_OK);
}

TEST_F(ConnectionTest, PinIdentityAndQueries) {
    IPin* pin = nullptr;
    EXPECT_EQ(copy->FindPin("XForm In", &pin), S_OK);
    EXPECT_EQ(pin, copy->InputPin());
    EXPECT_EQ(copy->FindPin("Out", &pin), S_OK);
    EXPECT_EQ(pin, copy->OutputPin());
    EXPECT_EQ(copy->FindPin("nothing", &pin), VFW_E_NOT_FOUND);
    PIN_INFO info;
    source->pin->QueryPinInfo(&info);
    EXPECT_EQ(info.achName, "Out");
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(source.get()));
    CMediaType pcm = PcmType(), other = PcmType(1);
    EXPECT_EQ(source->pin->QueryAccept(&pcm), S_OK);
    EXPECT_EQ(source->pin->QueryAccept(&other), S_FALSE);
    std::vector<CMediaType> types;
    source->pin->EnumMediaTypes(&types);
    ASSERT_EQ(types.size(), 1u);
    EXPECT_EQ(Query<IMemInputPin>(static_cast<IPin*>(sink->Pin())),
              static_cast<IMemInputPin*>(sink->Pin()));
    EXPECT_EQ(Query<IMemInputPin>(static_cast<IPin*>(source->pin)), nullptr);
    FILTER_INFO fi;
    copy->QueryFilterInfo(&fi);
    EXPECT_EQ(fi.achName, "Copy");
    EXPECT_EQ(fi.pGraph, static_cast<IFilterGraph*>(&graph));
}

TEST(InPlaceConnectionTest, SharesTheDownstreamAllocatorAndOffersTheInputType) {
    FilterRegistry registry;
    FilterGraph graph(registry);
    auto source = std::make_shared<StreamSource>();
    auto stamp = std::make_shared<TestStamp>();
    auto sink = std::make_shared<CaptureSink>(IsAudio);
    graph.AddFilter(source, "Source");
    graph.AddFilter(stamp, "Stamp");
    graph.AddFilter(sink, "Sink");
    ASSERT_EQ(graph.Connect(source->pin, stamp->InputPin()), S_OK);
    std::vector<CMediaType> offered;
    stamp->OutputPin()->EnumMediaTypes(&offered);
    ASSERT_FALSE(offered.empty());
    EXPECT_EQ(offered[0], PcmType());
    ASSERT_EQ(graph.Connect(stamp->OutputPin(), sink->Pin()), S_OK);
    EXPECT_FALSE(stamp->UsingDifferentAllocators());
    EXPECT_EQ(sink->Pin()->CurrentMediaType(), PcmType());
    // A type the in-place filter does not take is refused at its output as well.
    CMediaType text(MEDIATYPE_Text, GUID_NULL);
    EXPECT_EQ(stamp->OutputPin()->QueryAccept(&text), S_FALSE);
}

}  // namespace
}  // namespace tarnel::test

namespace tarnel::test {
namespace {

// Like a time-line corrector: when its output gets a type other than its input's, the input is
// reconnected through the graph so that both carry the same type.
class ReconnectingStamp : public TestStamp {
public:
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override {
        if (direction == PINDIR_OUTPUT && m_pInput->IsConnected() &&
            !(m_pInput->CurrentMediaType() == *type)) {
            ++reconnects;
            FILTER_INFO info;
            QueryFilterInfo(&info);
            if (info.pGraph) return info.pGraph->Reconnect(m_pInput);
        }
        return S_OK;
    }
    int reconnects = 0;
};

TEST(InPlaceConnectionTest, OutputTypeChangeReconnectsTheInputToTheSameType) {
    FilterRegistry registry;
    FilterGraph graph(registry);
    auto source = std::make_shared<StreamSource>();
    auto stamp = std::make_shared<ReconnectingStamp>();
    auto sink = std::make_shared<CaptureSink>(IsAudio);
    CMediaType stereo = PcmType(2), mono = PcmType(1);
    source->pin->types = {stereo, mono};
    sink->accept = AcceptPartial({mono});
    sink->offer = {mono};
    graph.AddFilter(source, "Source");
    graph.AddFilter(stamp, "Stamp");
    graph.AddFilter(sink, "Sink");
    ASSERT_EQ(graph.Connect(source->pin, stamp->InputPin()), S_OK);
    EXPECT_EQ(stamp->InputPin()->CurrentMediaType(), stereo);
    ASSERT_EQ(graph.Connect(stamp->OutputPin(), sink->Pin()), S_OK);
    EXPECT_EQ(stamp->reconnects, 1);
    EXPECT_EQ(stamp->InputPin()->CurrentMediaType(), mono);
    EXPECT_EQ(source->pin->CurrentMediaType(), mono);
    EXPECT_EQ(sink->Pin()->CurrentMediaType(), mono);

    ASSERT_EQ(graph.Run(), S_OK);
    int32_t code = 0;
    EXPECT_EQ(graph.WaitForCompletion(20000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    graph.Stop();
}

class SlowSink : public CaptureSink {
public:
    HRESULT GetState(uint32_t, FILTER_STATE* state) override {
        *state = State();
        return State() == State_Paused ? VFW_S_STATE_INTERMEDIATE : S_OK;
    }
};

TEST(GraphStateTest, IntermediateStateOfAFilterIsReported) {
    FilterRegistry registry;
    FilterGraph graph(registry);
    auto source = std::make_shared<StreamSource>();
    auto sink = std::make_shared<SlowSink>();
    source->pin->count = 1;
    graph.AddFilter(source, "Source");
    graph.AddFilter(sink, "Sink");
    ASSERT_EQ(graph.Connect(source->pin, sink->Pin()), S_OK);
    ASSERT_EQ(graph.Pause(), S_OK);
    FILTER_STATE state;
    EXPECT_EQ(graph.GetState(50, &state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(state, State_Paused);
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(graph.GetState(50, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    EXPECT_EQ(graph.Stop(), S_OK);
}

TEST(FlushTest, FlushTravelsDownstreamThroughATransform) {
    FilterRegistry registry;
    FilterGraph graph(registry);
    auto source = std::make_shared<StreamSource>();
    auto copy = std::make_shared<TestCopy>();
    auto sink = std::make_shared<CaptureSink>(IsAudio);
    source->pin->gate = true;  // nothing flows during the test
    graph.AddFilter(source, "Source");
    graph.AddFilter(copy, "Copy");
    graph.AddFilter(sink, "Sink");
    ASSERT_EQ(graph.Connect(source->pin, copy->InputPin()), S_OK);
    ASSERT_EQ(graph.Connect(copy->OutputPin(), sink->Pin()), S_OK);
    ASSERT_EQ(graph.Pause(), S_OK);
    EXPECT_EQ(source->pin->DeliverBeginFlush(), S_OK);
    EXPECT_TRUE(copy->InputPin()->IsFlushing());
    EXPECT_TRUE(sink->Pin()->IsFlushing());
    EXPECT_EQ(sink->Pin()->CheckStreaming(), S_FALSE);
    EXPECT_EQ(source->pin->DeliverEndFlush(), S_OK);
    EXPECT_FALSE(sink->Pin()->IsFlushing());
    EXPECT_EQ(source->pin->DeliverNewSegment(10, 20, 1.0), S_OK);
    EXPECT_EQ(sink->Pin()->CurrentStartTime(), 10);
    EXPECT_EQ(sink->Pin()->CurrentStopTime(), 20);
    EXPECT_EQ(graph.Stop(), S_OK);
}

}  // namespace
}  // namespace tarnel::test
