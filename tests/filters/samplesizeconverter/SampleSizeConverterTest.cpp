#include "filters/samplesizeconverter/SampleSizeConverter.h"

#include <gtest/gtest.h>

#include "framework/MemAllocator.h"
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
using test::harness::SampleProps;

int16_t Le16(const std::vector<uint8_t>& bytes, size_t index) {
    return static_cast<int16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
}

// ---- negotiation without a graph ----

TEST(SampleSizeConverterTypes, EightBitMonoIsProposedAsSixteenBit) {
    const auto proposal = SampleSizeConverter::ProposeOutput(PcmType(1, 22050, 8), 16);
    ASSERT_TRUE(proposal);
    const auto wfx = proposal->WaveFormatEx();
    ASSERT_TRUE(wfx);
    EXPECT_EQ(wfx->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wfx->nChannels, 1);
    EXPECT_EQ(wfx->nSamplesPerSec, 22050u);
    EXPECT_EQ(wfx->wBitsPerSample, 16);
    EXPECT_EQ(wfx->nBlockAlign, 2);
    EXPECT_EQ(wfx->nAvgBytesPerSec, 44100u);
    EXPECT_EQ(proposal->GetSampleSize(), 2u);
    EXPECT_EQ(proposal->majortype, MEDIATYPE_Audio);
    EXPECT_EQ(proposal->subtype, MEDIASUBTYPE_PCM);
}

TEST(SampleSizeConverterTypes, OtherSizesAreProposedUnchanged) {
    for (uint16_t bits : {16, 24, 32}) {
        const CMediaType input = PcmType(2, 44100, bits);
        const auto proposal = SampleSizeConverter::ProposeOutput(input, 16);
        ASSERT_TRUE(proposal) << bits;
        EXPECT_EQ(*proposal, input) << bits;
    }
}

TEST(SampleSizeConverterTypes, WideningKeepsExtraFormatBytes) {
    WAVEFORMATEX wfx = MakePcmFormat(2, 8000, 8);
    const std::vector<uint8_t> extra = {1, 2, 3, 4};
    const auto proposal = SampleSizeConverter::ProposeOutput(MakeAudioMediaType(wfx, extra), 16);
    ASSERT_TRUE(proposal);
    const auto info = proposal->WaveFormat();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->extra, extra);
    EXPECT_EQ(info->format.nBlockAlign, 4);
    EXPECT_EQ(info->format.nAvgBytesPerSec, 32000u);
}

TEST(SampleSizeConverterTypes, ProposalRefusesNonAudioAndOverflowingSizes) {
    CMediaType video = PcmType(1, 8000, 8);
    video.majortype = MEDIATYPE_Video;
    EXPECT_FALSE(SampleSizeConverter::ProposeOutput(video, 16));

    WAVEFORMATEX huge = MakePcmFormat(1, 8000, 8);
    huge.nAvgBytesPerSec = 0x80000000u;  // doubling would not fit 32 bits
    EXPECT_FALSE(SampleSizeConverter::ProposeOutput(MakeAudioMediaType(huge), 16));
}

TEST(SampleSizeConverterTypes, InputMustBePcmAudioWithWaveFormat) {
    SampleSizeConverter filter;
    CMediaType pcm = PcmType(2, 44100, 16);
    EXPECT_EQ(filter.CheckInputType(&pcm), S_OK);
    EXPECT_EQ(filter.CheckInputType(nullptr), E_POINTER);

    CMediaType floating = MakeAudioMediaType(MakeFloatFormat(2, 44100));
    EXPECT_EQ(filter.CheckInputType(&floating), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType mp3 = pcm;
    WriteLe16(mp3.format.data(), WAVE_FORMAT_MPEGLAYER3);
    EXPECT_EQ(filter.CheckInputType(&mp3), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType stream = pcm;
    stream.majortype = MEDIATYPE_Stream;
    EXPECT_EQ(filter.CheckInputType(&stream), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType otherFormat = pcm;
    otherFormat.formattype = FORMAT_None;
    EXPECT_EQ(filter.CheckInputType(&otherFormat), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType truncated = pcm;
    truncated.format.resize(10);
    EXPECT_EQ(filter.CheckInputType(&truncated), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST(SampleSizeConverterTypes, TransformPairs) {
    SampleSizeConverter filter;
    const auto check = [&](CMediaType in, CMediaType out) {
        return filter.CheckTransform(&in, &out);
    };
    EXPECT_EQ(check(PcmType(1, 22050, 8), PcmType(1, 22050, 16)), S_OK);
    EXPECT_EQ(check(PcmType(1, 22050, 8), PcmType(1, 22050, 8)), S_OK);
    EXPECT_EQ(check(PcmType(2, 44100, 16), PcmType(2, 44100, 16)), S_OK);
    EXPECT_EQ(check(PcmType(2, 44100, 24), PcmType(2, 44100, 24)), S_OK);
    // Narrowing, rate or channel changes cannot be done by widening or copying.
    EXPECT_EQ(check(PcmType(2, 44100, 16), PcmType(2, 44100, 8)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(check(PcmType(1, 22050, 8), PcmType(1, 44100, 16)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(check(PcmType(1, 22050, 8), PcmType(2, 22050, 16)), VFW_E_TYPE_NOT_ACCEPTED);
    // A 24-bit stream copied under a 16-bit label would be noise.
    EXPECT_EQ(check(PcmType(2, 44100, 24), PcmType(2, 44100, 16)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(check(MakeAudioMediaType(MakeFloatFormat(1, 8000)), PcmType(1, 8000, 16)),
              VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(check(PcmType(1, 8000, 16), MakeAudioMediaType(MakeFloatFormat(1, 8000))),
              VFW_E_TYPE_NOT_ACCEPTED);
}

TEST(SampleSizeConverterTypes, GetMediaTypeArguments) {
    SampleSizeConverter filter;
    CMediaType type;
    EXPECT_EQ(filter.GetMediaType(0, nullptr), E_POINTER);
    EXPECT_EQ(filter.GetMediaType(0, &type), E_UNEXPECTED);  // input not connected

    PushSource source({PcmType(1, 22050, 8)});
    ASSERT_EQ(source.Pin()->Connect(filter.InputPin(), nullptr), S_OK);
    EXPECT_EQ(filter.GetMediaType(-1, &type), E_INVALIDARG);
    EXPECT_EQ(filter.GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(filter.GetMediaType(0, &type), S_OK);
    EXPECT_EQ(type.WaveFormatEx()->wBitsPerSample, 16);
}

// ---- streaming through the filter ----

class SampleSizeConverterChain : public ::testing::Test {
protected:
    void Connect(const CMediaType& input, int32_t sourceBuffer = 1 << 16) {
        source = std::make_unique<PushSource>(std::vector<CMediaType>{input}, sourceBuffer);
        filter.JoinFilterGraph(&graph, "8-16 Converter");
        ASSERT_EQ(source->Pin()->Connect(filter.InputPin(), nullptr), S_OK);
        ASSERT_EQ(filter.OutputPin()->Connect(sink.Pin(), nullptr), S_OK);
    }
    void Pause() { ASSERT_EQ(test::harness::PauseChain({&sink, &filter, source.get()}), S_OK); }
    void Stop() { test::harness::StopChain({&sink, &filter, source.get()}); }
    void TearDown() override {
        if (source) Stop();
    }

    RecordingGraph graph;
    SampleSizeConverter filter;
    CaptureSink sink;
    std::unique_ptr<PushSource> source;
};

TEST_F(SampleSizeConverterChain, WidensEightBitMonoAndCarriesSampleProperties) {
    Connect(PcmType(1, 22050, 8), /*sourceBuffer=*/11026);
    EXPECT_TRUE(filter.IsWidening());
    const auto outFormat = filter.OutputPin()->CurrentMediaType().WaveFormatEx();
    EXPECT_EQ(outFormat->wBitsPerSample, 16);
    EXPECT_EQ(outFormat->nAvgBytesPerSec, 44100u);

    // One buffer of one second of output audio.
    ALLOCATOR_PROPERTIES props;
    ASSERT_EQ(filter.OutputPin()->Allocator()->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cBuffers, 1);
    EXPECT_EQ(props.cbBuffer, 44100);

    Pause();
    const std::vector<uint8_t> bytes = {0, 128, 255, 129, 127};
    SampleProps props1;
    props1.start = 1000;
    props1.stop = 2000;
    props1.mediaTimes = {{5, 10}};
    props1.syncPoint = false;
    props1.discontinuity = true;
    props1.preroll = true;
    ASSERT_EQ(source->Push(bytes, props1), S_OK);
    ASSERT_EQ(source->Push(std::vector<uint8_t>{}, {}), S_OK);  // empty samples pass too

    ASSERT_EQ(sink.Samples().size(), 2u);
    const auto out = sink.Samples()[0];
    ASSERT_EQ(out.bytes.size(), 10u);
    EXPECT_EQ(Le16(out.bytes, 0), -32767);
    EXPECT_EQ(Le16(out.bytes, 1), 0);
    EXPECT_EQ(Le16(out.bytes, 2), 32511);
    EXPECT_EQ(Le16(out.bytes, 3), 255);
    EXPECT_EQ(Le16(out.bytes, 4), -255);
    EXPECT_EQ(out.timeResult, S_OK);
    EXPECT_EQ(out.start, 1000);
    EXPECT_EQ(out.stop, 2000);
    EXPECT_EQ(out.mediaTimeResult, S_OK);
    EXPECT_EQ(out.mediaStart, 5);
    EXPECT_EQ(out.mediaStop, 10);
    EXPECT_FALSE(out.syncPoint);
    EXPECT_TRUE(out.discontinuity);
    EXPECT_TRUE(out.preroll);
    EXPECT_TRUE(sink.Samples()[1].bytes.empty());
    EXPECT_EQ(sink.Samples()[1].timeResult, VFW_E_SAMPLE_TIME_NOT_SET);
}

TEST_F(SampleSizeConverterChain, SixteenBitStereoPassesByteForByte) {
    const CMediaType input = PcmType(2, 44100, 16);
    Connect(input);
    EXPECT_FALSE(filter.IsWidening());
    EXPECT_EQ(filter.OutputPin()->CurrentMediaType(), input);
    Pause();
    std::vector<uint8_t> bytes(4000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(source->Push(bytes), S_OK);
    ASSERT_EQ(sink.Samples().size(), 1u);
    EXPECT_EQ(sink.Samples()[0].bytes, bytes);
}

TEST_F(SampleSizeConverterChain, TwentyFourBitIsCopiedUnderItsOwnType) {
    const CMediaType input = PcmType(2, 48000, 24);
    Connect(input);
    EXPECT_EQ(filter.OutputPin()->CurrentMediaType(), input);
    Pause();
    std::vector<uint8_t> bytes(600, 0x5A);
    ASSERT_EQ(source->Push(bytes), S_OK);
    EXPECT_EQ(sink.Bytes(), bytes);
}

TEST_F(SampleSizeConverterChain, OutputBufferGrowsToHoldTheLargestUpstreamSample) {
    // 8-bit mono 4000 Hz: one second of output is 8000 bytes, but upstream hands out buffers
    // of 6000 bytes (1.5 s), which widen to 12000.
    Connect(PcmType(1, 4000, 8), /*sourceBuffer=*/6000);
    ALLOCATOR_PROPERTIES props;
    ASSERT_EQ(filter.OutputPin()->Allocator()->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cBuffers, 1);
    EXPECT_EQ(props.cbBuffer, 12000);
    Pause();
    ASSERT_EQ(source->Push(std::vector<uint8_t>(6000, 0)), S_OK);
    ASSERT_EQ(sink.Samples().size(), 1u);
    EXPECT_EQ(sink.Samples()[0].bytes.size(), 12000u);
    EXPECT_EQ(Le16(sink.Samples()[0].bytes, 5999), -32767);
}

TEST_F(SampleSizeConverterChain, SampleLargerThanTheOutputBufferStopsTheStreamCleanly) {
    // 8-bit mono 8000 Hz: the output buffer holds 16000 bytes.
    Connect(PcmType(1, 8000, 8), /*sourceBuffer=*/4096);
    Pause();
    // An upstream delivering from memory other than the allocator it announced can exceed
    // the buffer; the stream stops with an error instead of writing past it.
    std::vector<uint8_t> memory(8001, 200);
    CMediaSample oversized(nullptr, memory.data(), static_cast<int32_t>(memory.size()));
    oversized.AddRef();
    oversized.SetActualDataLength(8001);
    EXPECT_EQ(filter.InputPin()->Receive(&oversized), VFW_E_BUFFER_OVERFLOW);
    EXPECT_TRUE(sink.Samples().empty());
    EXPECT_TRUE(graph.HasEvent(EC_ERRORABORT));
    oversized.Release();
}

TEST_F(SampleSizeConverterChain, WideningFollowsTheAgreedOutputType) {
    // First connected to a downstream that takes the 16-bit proposal ...
    Connect(PcmType(1, 11025, 8));
    EXPECT_TRUE(filter.IsWidening());
    ASSERT_EQ(filter.OutputPin()->Disconnect(), S_OK);
    ASSERT_EQ(sink.Pin()->Disconnect(), S_OK);

    // ... then to one that only takes the 8-bit stream as it is: no widening any more.
    CaptureSink narrow;
    narrow.accept = [](const CMediaType& t) { return t.WaveFormatEx()->wBitsPerSample == 8; };
    narrow.offer = {PcmType(1, 11025, 8)};
    ASSERT_EQ(filter.OutputPin()->Connect(narrow.Pin(), nullptr), S_OK);
    EXPECT_EQ(filter.OutputPin()->CurrentMediaType().WaveFormatEx()->wBitsPerSample, 8);
    EXPECT_FALSE(filter.IsWidening());

    ASSERT_EQ(test::harness::PauseChain({&narrow, &filter, source.get()}), S_OK);
    const std::vector<uint8_t> bytes = {1, 2, 3, 250};
    ASSERT_EQ(source->Push(bytes), S_OK);
    EXPECT_EQ(narrow.Bytes(), bytes);
    test::harness::StopChain({&narrow, &filter, source.get()});
}

TEST_F(SampleSizeConverterChain, AnnouncedFormatChangeIsPassedOnWidened) {
    Connect(PcmType(1, 22050, 8));
    Pause();
    SampleProps props;
    props.attachedType = PcmType(1, 22050, 8);
    ASSERT_EQ(source->Push(std::vector<uint8_t>{128, 128}, props), S_OK);
    ASSERT_EQ(sink.Samples().size(), 1u);
    ASSERT_TRUE(sink.Samples()[0].attachedType);
    EXPECT_EQ(sink.Samples()[0].attachedType->WaveFormatEx()->wBitsPerSample, 16);
    EXPECT_EQ(sink.Samples()[0].bytes, std::vector<uint8_t>(4, 0));
}

}  // namespace
}  // namespace tarnel
