#include "filters/timestampcorrector/AudioTimeStampCorrector.h"

#include <gtest/gtest.h>

#include "framework/FilterGraph.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/PinHelpers.h"
#include "tests/support/filters/PushSource.h"
#include "tests/support/filters/RecordingGraph.h"

namespace tarnel {
namespace {

using test::harness::CaptureSink;
using test::harness::PcmType;
using test::harness::PushSource;
using test::harness::RecordingGraph;
using test::harness::Stamped;

TEST(AudioTimeStampCorrectorTypes, AcceptsOnlyPcmAudioWithAByteRate) {
    AudioTimeStampCorrector filter;
    CMediaType pcm = PcmType(2, 44100, 16);
    EXPECT_EQ(filter.CheckInputType(&pcm), S_OK);
    EXPECT_EQ(filter.CheckInputType(nullptr), E_POINTER);
    CMediaType floating = MakeAudioMediaType(MakeFloatFormat(2, 44100));
    EXPECT_EQ(filter.CheckInputType(&floating), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType stream = pcm;
    stream.majortype = MEDIATYPE_Stream;
    EXPECT_EQ(filter.CheckInputType(&stream), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType noFormat = pcm;
    noFormat.formattype = FORMAT_None;
    EXPECT_EQ(filter.CheckInputType(&noFormat), VFW_E_TYPE_NOT_ACCEPTED);
    // A zero byte rate would give every sample the same time.
    WAVEFORMATEX silentRate = MakePcmFormat(2, 44100, 16);
    silentRate.nAvgBytesPerSec = 0;
    CMediaType zero = MakeAudioMediaType(silentRate);
    EXPECT_EQ(filter.CheckInputType(&zero), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST(AudioTimeStampCorrectorTypes, TwoSampleHooksAreNotUsed) {
    AudioTimeStampCorrector filter;
    CMediaType type;
    EXPECT_EQ(filter.GetMediaType(0, &type), E_UNEXPECTED);
    EXPECT_EQ(filter.Transform(nullptr, nullptr), E_UNEXPECTED);
    EXPECT_EQ(filter.Transform(static_cast<IMediaSample*>(nullptr)), E_POINTER);
}

class TimeStampChain : public ::testing::Test {
protected:
    void Connect(std::vector<CMediaType> sourceTypes) {
        source = std::make_unique<PushSource>(std::move(sourceTypes));
        filter.JoinFilterGraph(&graph, "TS Fixer");
        ASSERT_EQ(source->Pin()->Connect(filter.InputPin(), nullptr), S_OK);
        ASSERT_EQ(filter.OutputPin()->Connect(sink.Pin(), nullptr), S_OK);
    }
    void Pause() { ASSERT_EQ(test::harness::PauseChain({&sink, &filter, source.get()}), S_OK); }
    void Stop() { test::harness::StopChain({&sink, &filter, source.get()}); }
    void TearDown() override {
        if (source) Stop();
    }

    RecordingGraph graph;
    AudioTimeStampCorrector filter;
    CaptureSink sink;
    std::unique_ptr<PushSource> source;
};

TEST_F(TimeStampChain, CdQualityStereoIsRestampedFromZero) {
    Connect({PcmType(2, 44100, 16)});
    Pause();
    EXPECT_EQ(filter.TimeLine().timePerByte(), 56);
    std::vector<uint8_t> bytes(17640);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
    // The source's own stamps start late and jump; none of them survive.
    ASSERT_EQ(source->Push(bytes, Stamped(50'000'000, 50'100'000)), S_OK);
    ASSERT_EQ(source->Push(bytes, Stamped(90'000'000, 10)), S_OK);
    ASSERT_EQ(source->Push(std::vector<uint8_t>(4), {}), S_OK);  // no stamps at all

    ASSERT_EQ(sink.Samples().size(), 3u);
    EXPECT_EQ(sink.Samples()[0].timeResult, S_OK);
    EXPECT_EQ(sink.Samples()[0].start, 0);
    EXPECT_EQ(sink.Samples()[0].stop, 987840);
    EXPECT_EQ(sink.Samples()[1].start, 987896);
    EXPECT_EQ(sink.Samples()[1].stop, 987896 + 987840);
    EXPECT_EQ(sink.Samples()[2].timeResult, S_OK);
    EXPECT_EQ(sink.Samples()[2].start, 987896 + 987840 + 56);
    EXPECT_EQ(sink.Samples()[2].stop, sink.Samples()[2].start + 4 * 56);
    // The audio itself is untouched.
    EXPECT_EQ(sink.Samples()[0].bytes, bytes);
    EXPECT_EQ(sink.Samples()[1].bytes, bytes);
}

TEST_F(TimeStampChain, NarrowbandMono) {
    Connect({PcmType(1, 8000, 16)});
    Pause();
    ASSERT_EQ(source->Push(std::vector<uint8_t>(1600), Stamped(-5000, -1)), S_OK);
    ASSERT_EQ(source->Push(std::vector<uint8_t>(1600)), S_OK);
    ASSERT_EQ(sink.Samples().size(), 2u);
    EXPECT_EQ(sink.Samples()[0].start, 0);
    EXPECT_EQ(sink.Samples()[0].stop, 1'000'000);
    EXPECT_EQ(sink.Samples()[1].start, 1'000'625);
}

TEST_F(TimeStampChain, EveryRunStartsAgainAtZero) {
    Connect({PcmType(2, 44100, 16)});
    Pause();
    ASSERT_EQ(source->Push(std::vector<uint8_t>(17640)), S_OK);
    Stop();
    EXPECT_EQ(filter.TimeLine().nextStart(), 0);
    EXPECT_EQ(filter.TimeLine().timePerByte(), 0);

    Pause();
    ASSERT_EQ(source->Push(std::vector<uint8_t>(100), Stamped(123456, 234567)), S_OK);
    ASSERT_EQ(sink.Samples().size(), 2u);
    EXPECT_EQ(sink.Samples()[1].start, 0);
    EXPECT_EQ(sink.Samples()[1].stop, 5600);
}

TEST_F(TimeStampChain, SamplesAreStampedInPlaceInTheDownstreamBuffers) {
    Connect({PcmType(2, 44100, 16)});
    EXPECT_FALSE(filter.UsingDifferentAllocators());
    EXPECT_EQ(filter.InputPin()->CurrentMediaType(), filter.OutputPin()->CurrentMediaType());
}

// ---- keeping the output type equal to the input type ----

TEST(TimeStampReconnect, DownstreamPreferenceIsMetByReconnectingTheInput) {
    const CMediaType cd = PcmType(2, 44100, 16);
    const CMediaType voice = PcmType(1, 16000, 16);
    RecordingGraph graph;
    AudioTimeStampCorrector filter;
    filter.JoinFilterGraph(&graph, "TS Fixer");
    PushSource source({cd, voice});
    CaptureSink sink;
    sink.offer = {voice};
    ASSERT_EQ(source.Pin()->Connect(filter.InputPin(), nullptr), S_OK);
    EXPECT_EQ(filter.InputPin()->CurrentMediaType(), cd);

    ASSERT_EQ(filter.OutputPin()->Connect(sink.Pin(), nullptr), S_OK);
    EXPECT_EQ(graph.reconnects, 1);
    EXPECT_EQ(filter.OutputPin()->CurrentMediaType(), voice);
    EXPECT_EQ(filter.InputPin()->CurrentMediaType(), voice);
    EXPECT_EQ(source.Pin()->CurrentMediaType(), voice);
}

TEST(TimeStampReconnect, TypeUpstreamCannotDeliverIsRefusedAndTheInputTypeKept) {
    const CMediaType cd = PcmType(2, 44100, 16);
    const CMediaType voice = PcmType(1, 16000, 16);
    RecordingGraph graph;
    AudioTimeStampCorrector filter;
    filter.JoinFilterGraph(&graph, "TS Fixer");
    PushSource source({cd});
    CaptureSink sink;
    sink.offer = {voice};
    ASSERT_EQ(source.Pin()->Connect(filter.InputPin(), nullptr), S_OK);
    ASSERT_EQ(filter.OutputPin()->Connect(sink.Pin(), nullptr), S_OK);
    EXPECT_EQ(graph.reconnects, 0);
    // Labelling the 44.1 kHz stereo bytes as 16 kHz mono would corrupt the output.
    EXPECT_EQ(filter.OutputPin()->CurrentMediaType(), cd);
    EXPECT_EQ(filter.InputPin()->CurrentMediaType(), cd);
}

TEST(TimeStampReconnect, FailedReconnectionRefusesTheType) {
    const CMediaType cd = PcmType(2, 44100, 16);
    const CMediaType voice = PcmType(1, 16000, 16);
    RecordingGraph graph;
    graph.reconnectResult = E_FAIL;
    AudioTimeStampCorrector filter;
    filter.JoinFilterGraph(&graph, "TS Fixer");
    PushSource source({cd, voice});
    CaptureSink sink;
    sink.offer = {voice};
    ASSERT_EQ(source.Pin()->Connect(filter.InputPin(), nullptr), S_OK);
    ASSERT_EQ(filter.OutputPin()->Connect(sink.Pin(), nullptr), S_OK);
    EXPECT_EQ(graph.reconnects, 1);
    EXPECT_EQ(filter.OutputPin()->CurrentMediaType(), cd);
    EXPECT_EQ(filter.InputPin()->CurrentMediaType(), cd);
}

TEST(TimeStampReconnect, WorksThroughTheGraphManager) {
    const CMediaType cd = PcmType(2, 44100, 16);
    const CMediaType voice = PcmType(1, 16000, 16);
    FilterRegistry registry;
    FilterGraph graph(registry);
    auto source = std::make_shared<PushSource>(std::vector<CMediaType>{cd, voice});
    auto filter = std::make_shared<AudioTimeStampCorrector>();
    auto sink = std::make_shared<CaptureSink>();
    sink->offer = {voice};
    ASSERT_EQ(graph.AddFilter(source, "Source"), S_OK);
    ASSERT_EQ(graph.AddFilter(filter, "TS Fixer"), S_OK);
    ASSERT_EQ(graph.AddFilter(sink, "Sink"), S_OK);
    ASSERT_EQ(graph.Connect(source->Pin(), filter->InputPin()), S_OK);
    EXPECT_EQ(filter->InputPin()->CurrentMediaType(), cd);
    ASSERT_EQ(graph.Connect(filter->OutputPin(), sink->Pin()), S_OK);
    EXPECT_EQ(filter->InputPin()->CurrentMediaType(), voice);
    EXPECT_EQ(filter->OutputPin()->CurrentMediaType(), voice);

    ASSERT_TRUE(SUCCEEDED(graph.SetSyncSource(nullptr)));
    ASSERT_TRUE(SUCCEEDED(graph.Pause()));
    ASSERT_EQ(source->Push(std::vector<uint8_t>(3200), Stamped(777, 888)), S_OK);
    ASSERT_TRUE(SUCCEEDED(graph.Stop()));
    ASSERT_EQ(sink->Samples().size(), 1u);
    EXPECT_EQ(sink->Samples()[0].start, 0);
    EXPECT_EQ(sink->Samples()[0].stop, 3200 * 312);  // 32000 bytes per second
}

}  // namespace
}  // namespace tarnel
