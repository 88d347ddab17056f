#include "filters/wavdest/CWavDestFilter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"
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

// The 40-byte block the MP3 encoder announces (MPEGLAYER3WAVEFORMAT: 18 + 12 extra bytes is
// 30; the encoder's own block carries 22 extra bytes).
CMediaType Mpeg40() {
    WAVEFORMATEX wfx;
    wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = 44100;
    wfx.nAvgBytesPerSec = 16000;
    wfx.nBlockAlign = 1;
    wfx.wBitsPerSample = 0;
    std::vector<uint8_t> extra(22);
    for (size_t i = 0; i < extra.size(); ++i) extra[i] = static_cast<uint8_t>(0xA0 + i);
    CMediaType type = MakeAudioMediaType(wfx, extra);
    type.subtype = MEDIASUBTYPE_MP3;
    return type;
}

std::string Tag(const std::vector<uint8_t>& bytes, size_t offset) {
    return std::string(reinterpret_cast<const char*>(bytes.data() + offset), 4);
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 13);
    return bytes;
}

// ---- media types and pins ----

TEST(WavDestTypes, AnyWaveFormatIsAcceptedAndNothingElse) {
    CWavDestFilter filter;
    CMediaType pcm = PcmType(2, 44100, 16);
    CMediaType mpeg = Mpeg40();
    EXPECT_EQ(filter.CheckInputType(&pcm), S_OK);
    EXPECT_EQ(filter.CheckInputType(&mpeg), S_OK);
    // Major type and subtype are not examined.
    CMediaType odd = pcm;
    odd.majortype = MEDIATYPE_Stream;
    odd.subtype = GUID_NULL;
    EXPECT_EQ(filter.CheckInputType(&odd), S_OK);

    CMediaType noFormatType = pcm;
    noFormatType.formattype = FORMAT_None;
    EXPECT_EQ(filter.CheckInputType(&noFormatType), S_FALSE);
    CMediaType emptyBlock = pcm;
    emptyBlock.format.clear();
    EXPECT_EQ(filter.CheckInputType(&emptyBlock), S_FALSE);
    EXPECT_EQ(filter.CheckInputType(nullptr), E_POINTER);

    CMediaType stream(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE);
    EXPECT_EQ(filter.CheckTransform(&pcm, &stream), S_OK);
    EXPECT_EQ(filter.CheckTransform(&noFormatType, &stream), S_OK);  // refusal is not a failure
}

TEST(WavDestTypes, OutputIsAWaveByteStream) {
    CWavDestFilter filter;
    CMediaType type;
    ASSERT_EQ(filter.GetMediaType(0, &type), S_OK);
    EXPECT_EQ(type.majortype, MEDIATYPE_Stream);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_WAVE);
    EXPECT_TRUE(type.format.empty());
    EXPECT_EQ(filter.GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(filter.GetMediaType(-1, &type), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(filter.GetMediaType(0, nullptr), E_POINTER);

    IPin* out = nullptr;
    ASSERT_EQ(filter.FindPin("Out", &out), S_OK);
    IPin* in = nullptr;
    ASSERT_EQ(filter.FindPin("In", &in), S_OK);
    std::string id;
    out->QueryId(&id);
    EXPECT_EQ(id, "Out");
    in->QueryId(&id);
    EXPECT_EQ(id, "In");

    CMediaType wave(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE);
    CMediaType otherStream(MEDIATYPE_Stream, MEDIASUBTYPE_AU);
    CMediaType pcm = PcmType(2, 44100, 16);
    EXPECT_EQ(out->QueryAccept(&wave), S_OK);
    EXPECT_EQ(out->QueryAccept(&otherStream), S_FALSE);
    EXPECT_EQ(out->QueryAccept(&pcm), S_FALSE);
    // The types are offered even before the input is connected.
    std::vector<CMediaType> types;
    ASSERT_EQ(out->EnumMediaTypes(&types), S_OK);
    ASSERT_EQ(types.size(), 1u);
    EXPECT_EQ(types[0], wave);
    std::vector<IPin*> internal;
    EXPECT_EQ(out->QueryInternalConnections(&internal), E_NOTIMPL);
}

// ---- IMediaSeeking ----

TEST(WavDestSeeking, AnswersAsAProgressSource) {
    CWavDestFilter filter;
    IMediaSeeking* seeking = Query<IMediaSeeking>(static_cast<IBaseFilter*>(&filter));
    ASSERT_NE(seeking, nullptr);

    uint32_t caps = 0;
    ASSERT_EQ(seeking->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps, 0x38u);
    caps = AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetDuration;
    EXPECT_EQ(seeking->CheckCapabilities(&caps), S_OK);
    caps = AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanSeekAbsolute;
    EXPECT_EQ(seeking->CheckCapabilities(&caps), S_FALSE);

    EXPECT_EQ(seeking->IsFormatSupported(&TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(seeking->IsFormatSupported(&TIME_FORMAT_BYTE), S_OK);
    EXPECT_EQ(seeking->IsFormatSupported(&TIME_FORMAT_SAMPLE), S_FALSE);
    GUID format;
    ASSERT_EQ(seeking->QueryPreferredFormat(&format), S_OK);
    EXPECT_EQ(format, TIME_FORMAT_MEDIA_TIME);
    ASSERT_EQ(seeking->GetTimeFormat(&format), S_OK);
    EXPECT_EQ(format, TIME_FORMAT_MEDIA_TIME);
    EXPECT_EQ(seeking->IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(seeking->IsUsingTimeFormat(&TIME_FORMAT_BYTE), S_FALSE);

    int64_t value = 77, stop = 77;
    EXPECT_EQ(seeking->GetDuration(&value), E_NOTIMPL);
    EXPECT_EQ(seeking->GetStopPosition(&value), E_NOTIMPL);
    EXPECT_EQ(seeking->SetPositions(&value, 0, &stop, 0), E_NOTIMPL);
    EXPECT_EQ(seeking->SetRate(2.0), E_NOTIMPL);
    double rate = 0;
    EXPECT_EQ(seeking->GetRate(&rate), E_NOTIMPL);
    ASSERT_EQ(seeking->GetPreroll(&value), S_OK);
    EXPECT_EQ(value, 0);
    int64_t earliest = 5;
    EXPECT_EQ(seeking->GetAvailable(&earliest, &value), E_NOTIMPL);
    EXPECT_EQ(earliest, 0);

    ASSERT_EQ(seeking->GetCurrentPosition(&value), S_OK);
    EXPECT_EQ(value, 0);
    ASSERT_EQ(seeking->GetPositions(&value, &stop), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(stop, 0);

    EXPECT_EQ(seeking->ConvertTimeFormat(&value, nullptr, 1234, &TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(value, 1234);
    EXPECT_EQ(seeking->ConvertTimeFormat(&value, &TIME_FORMAT_BYTE, 1, nullptr), E_INVALIDARG);
    EXPECT_EQ(seeking->ConvertTimeFormat(&value, nullptr, 1, &TIME_FORMAT_BYTE), E_INVALIDARG);
}

TEST(WavDestSeeking, ByteFormatLeavesTheCallersValue) {
    CWavDestFilter filter;
    IMediaSeeking* seeking = &filter;
    EXPECT_EQ(seeking->SetTimeFormat(&TIME_FORMAT_FRAME), S_FALSE);
    ASSERT_EQ(seeking->SetTimeFormat(&TIME_FORMAT_BYTE), S_OK);
    GUID format;
    seeking->GetTimeFormat(&format);
    EXPECT_EQ(format, TIME_FORMAT_BYTE);
    int64_t value = 4242, stop = 1;
    EXPECT_EQ(seeking->GetCurrentPosition(&value), S_OK);
    EXPECT_EQ(value, 4242);
    EXPECT_EQ(seeking->GetPositions(&value, &stop), E_FAIL);
    ASSERT_EQ(seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(seeking->GetCurrentPosition(&value), S_OK);
    EXPECT_EQ(value, 0);
}

TEST(WavDestSeeking, NullPointersAreRefused) {
    CWavDestFilter filter;
    IMediaSeeking* s = &filter;
    int64_t v = 0;
    EXPECT_EQ(s->GetCapabilities(nullptr), E_POINTER);
    EXPECT_EQ(s->CheckCapabilities(nullptr), E_POINTER);
    EXPECT_EQ(s->IsFormatSupported(nullptr), E_POINTER);
    EXPECT_EQ(s->QueryPreferredFormat(nullptr), E_POINTER);
    EXPECT_EQ(s->GetTimeFormat(nullptr), E_POINTER);
    EXPECT_EQ(s->IsUsingTimeFormat(nullptr), E_POINTER);
    EXPECT_EQ(s->SetTimeFormat(nullptr), E_POINTER);
    EXPECT_EQ(s->GetDuration(nullptr), E_POINTER);
    EXPECT_EQ(s->GetStopPosition(nullptr), E_POINTER);
    EXPECT_EQ(s->GetCurrentPosition(nullptr), E_POINTER);
    EXPECT_EQ(s->ConvertTimeFormat(nullptr, nullptr, 0, nullptr), E_POINTER);
    EXPECT_EQ(s->GetPositions(&v, nullptr), E_POINTER);
    EXPECT_EQ(s->GetPositions(nullptr, &v), E_POINTER);
    EXPECT_EQ(s->GetAvailable(nullptr, &v), E_POINTER);
    EXPECT_EQ(s->GetRate(nullptr), E_POINTER);
    EXPECT_EQ(s->GetPreroll(nullptr), E_POINTER);
}

// ---- writing ----

class WavDestChain : public test::IsolatedTest {
protected:
    void Connect(const CMediaType& input, int32_t sourceBuffer = 1 << 16) {
        source = std::make_unique<PushSource>(std::vector<CMediaType>{input}, sourceBuffer);
        sink.offerStream = true;
        sink.writeAtStartTime = true;
        sink.accept = [](const CMediaType& t) {
            return t.majortype == MEDIATYPE_Stream && t.subtype == MEDIASUBTYPE_WAVE;
        };
        filter.JoinFilterGraph(&graph, "WAVE Writer");
        ASSERT_EQ(source->Pin()->Connect(filter.InputPin(), nullptr), S_OK);
        ASSERT_EQ(filter.OutputPin()->Connect(sink.Pin(), nullptr), S_OK);
    }
    void Pause() { ASSERT_EQ(test::harness::PauseChain({&sink, &filter, source.get()}), S_OK); }
    HRESULT Stop() { return test::harness::StopChain({&sink, &filter, source.get()}); }
    void TearDown() override {
        if (source) Stop();
        IsolatedTest::TearDown();
    }
    int64_t Position() {
        int64_t position = -1;
        EXPECT_EQ(filter.GetCurrentPosition(&position), S_OK);
        return position;
    }

    RecordingGraph graph;
    CWavDestFilter filter;
    CaptureSink sink;
    std::unique_ptr<PushSource> source;
};

TEST_F(WavDestChain, PcmConversionGivesAFileAnIndependentReaderAccepts) {
    const auto audio = test::MakeSine(44100, 2, 0.5, 1000.0, 0.5);
    const auto encoded = test::EncodeWav(audio);
    ASSERT_EQ(Tag(encoded, 36), "data");
    const std::vector<uint8_t> pcm(encoded.begin() + 44, encoded.end());
    ASSERT_EQ(pcm.size(), 88200u);

    Connect(PcmType(2, 44100, 16));
    // The output allocator mirrors the input's: one buffer of the same size.
    ALLOCATOR_PROPERTIES inputProps, outputProps;
    ASSERT_EQ(filter.InputPin()->Allocator()->GetProperties(&inputProps), S_OK);
    ASSERT_EQ(filter.OutputPin()->Allocator()->GetProperties(&outputProps), S_OK);
    EXPECT_EQ(outputProps.cBuffers, 1);
    EXPECT_EQ(outputProps.cbBuffer, inputProps.cbBuffer);
    EXPECT_EQ(outputProps.cbAlign, 1);

    Pause();
    EXPECT_EQ(filter.HeaderSize(), 46u);
    for (size_t offset = 0; offset < pcm.size(); offset += 17640) {
        const size_t n = std::min<size_t>(17640, pcm.size() - offset);
        ASSERT_EQ(source->Push({pcm.data() + offset, n}, Stamped(999, 1999)), S_OK);
    }
    EXPECT_EQ(Position(), 5'000'000);  // five samples of 1 000 000 each
    ASSERT_EQ(sink.Samples().size(), 5u);
    // Output time stamps are byte offsets in the file.
    EXPECT_EQ(sink.Samples()[0].start, 46);
    EXPECT_EQ(sink.Samples()[0].stop, 46 + 17640);
    EXPECT_EQ(sink.Samples()[1].start, 46 + 17640);
    ASSERT_EQ(source->PushEndOfStream(), S_OK);
    EXPECT_EQ(sink.EndOfStreamCount(), 1);
    ASSERT_EQ(Stop(), S_OK);

    ASSERT_EQ(sink.File().size(), 46u + pcm.size());
    EXPECT_EQ(Tag(sink.File(), 0), "RIFF");
    EXPECT_EQ(ReadLe32(&sink.File()[4]), sink.File().size() - 8);
    EXPECT_EQ(ReadLe32(&sink.File()[16]), 18u);
    EXPECT_EQ(Tag(sink.File(), 38), "data");
    EXPECT_EQ(ReadLe32(&sink.File()[42]), pcm.size());
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), sink.File().begin() + 46));

    const auto path = workDir() / "out.wav";
    std::filesystem::create_directories(workDir());
    test::WriteFileBytes(path, sink.File());
    const auto read = test::ReadWav(path);
    EXPECT_EQ(read.formatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(read.audio.sampleRate, 44100);
    EXPECT_EQ(read.audio.channels, 2);
    EXPECT_EQ(read.dataSize, pcm.size());
    EXPECT_NEAR(test::RmsDb(read.audio, 0), test::RmsDb(audio, 0), 0.01);
    EXPECT_NEAR(test::EstimateFrequency(read.audio, 1), 1000.0, 2.0);
}

TEST_F(WavDestChain, MpegStreamGetsA68ByteHeaderAndItsStopTimeAsPosition) {
    const CMediaType mpeg = Mpeg40();
    Connect(mpeg);
    Pause();
    EXPECT_EQ(filter.HeaderSize(), 68u);
    const auto frame1 = Pattern(417, 1);
    const auto frame2 = Pattern(418, 2);
    ASSERT_EQ(source->Push(frame1, Stamped(0, 261224)), S_OK);
    EXPECT_EQ(Position(), 261224);
    ASSERT_EQ(source->Push(frame2, Stamped(261224, 522449)), S_OK);
    EXPECT_EQ(Position(), 522449);
    // The encoder's last sample carries no times: the position stays.
    ASSERT_EQ(source->Push(Pattern(100, 3), {}), S_OK);
    EXPECT_EQ(Position(), 522449);
    EXPECT_EQ(sink.Samples()[0].start, 68);
    ASSERT_EQ(Stop(), S_OK);

    ASSERT_EQ(sink.File().size(), 68u + 417 + 418 + 100);
    EXPECT_EQ(ReadLe32(&sink.File()[16]), 40u);
    EXPECT_TRUE(std::equal(mpeg.format.begin(), mpeg.format.end(), sink.File().begin() + 20));
    EXPECT_EQ(Tag(sink.File(), 60), "data");
    EXPECT_EQ(ReadLe32(&sink.File()[64]), 935u);
    EXPECT_TRUE(std::equal(frame1.begin(), frame1.end(), sink.File().begin() + 68));
    EXPECT_TRUE(std::equal(frame2.begin(), frame2.end(), sink.File().begin() + 68 + 417));
}

TEST_F(WavDestChain, SampleRefusedDownstreamIsNotCounted) {
    Connect(PcmType(1, 8000, 16));
    sink.onSample = [](const test::harness::CapturedSample&, size_t received) {
        return received == 1 ? S_FALSE : S_OK;
    };
    Pause();
    ASSERT_EQ(source->Push(Pattern(100, 1)), S_OK);
    // The second sample reaches the sink but is refused (S_FALSE) ...
    sink.onSample = [](const test::harness::CapturedSample&, size_t) { return S_FALSE; };
    EXPECT_EQ(source->Push(Pattern(50, 2)), S_FALSE);
    EXPECT_EQ(filter.BytesWritten(), 100u);
    // ... so the next one takes its place in the file.
    sink.onSample = [](const test::harness::CapturedSample&, size_t) { return S_OK; };
    const auto third = Pattern(60, 3);
    ASSERT_EQ(source->Push(third), S_OK);
    ASSERT_EQ(sink.Samples().size(), 2u);
    EXPECT_EQ(sink.Samples()[1].start, 46 + 100);
    ASSERT_EQ(Stop(), S_OK);
    EXPECT_EQ(ReadLe32(&sink.File()[42]), 160u);
    EXPECT_EQ(sink.File().size(), 46u + 160u);
    EXPECT_TRUE(std::equal(third.begin(), third.end(), sink.File().begin() + 146));
}

TEST_F(WavDestChain, CancelledConversionStillGetsAHeaderWithTheSizesReached) {
    Connect(PcmType(2, 44100, 16));
    Pause();
    ASSERT_EQ(source->Push(Pattern(4000, 9)), S_OK);
    ASSERT_EQ(Stop(), S_OK);  // no end of stream: a cancel
    EXPECT_EQ(sink.StreamWrites(), 1);
    EXPECT_EQ(ReadLe32(&sink.File()[4]), 46u + 4000u - 8u);
    EXPECT_EQ(ReadLe32(&sink.File()[42]), 4000u);
}

TEST_F(WavDestChain, NextRunStartsFromScratch) {
    Connect(PcmType(2, 44100, 16));
    Pause();
    ASSERT_EQ(source->Push(Pattern(17640, 1)), S_OK);
    ASSERT_EQ(source->Push(Pattern(17640, 2)), S_OK);
    ASSERT_EQ(Stop(), S_OK);
    EXPECT_EQ(Position(), 2'000'000);  // still readable after the stop

    sink.ClearFile();
    Pause();
    EXPECT_EQ(Position(), 0);
    ASSERT_EQ(source->Push(Pattern(8820, 3)), S_OK);
    EXPECT_EQ(sink.Samples().back().start, 46);
    EXPECT_EQ(Position(), 500'000);
    ASSERT_EQ(Stop(), S_OK);
    EXPECT_EQ(ReadLe32(&sink.File()[42]), 8820u);
}

TEST_F(WavDestChain, PositionUsesTruncatedPcmDurations) {
    Connect(PcmType(2, 44100, 16));
    Pause();
    for (int i = 0; i < 3; ++i) ASSERT_EQ(source->Push(Pattern(1, 0)), S_OK);
    EXPECT_EQ(Position(), 3 * 56);  // 56.69 per byte, truncated each time
}

TEST_F(WavDestChain, PcmWithoutAByteRateFallsBackToTimeStamps) {
    WAVEFORMATEX wfx = MakePcmFormat(1, 8000, 16);
    wfx.nAvgBytesPerSec = 0;
    Connect(MakeAudioMediaType(wfx));
    Pause();
    ASSERT_EQ(source->Push(Pattern(100, 0), Stamped(0, 62500)), S_OK);
    EXPECT_EQ(Position(), 62500);
}

TEST_F(WavDestChain, HeaderFailuresAreReported) {
    Connect(PcmType(1, 8000, 16));
    Pause();
    sink.seekResult = STG_E_INVALIDFUNCTION;
    EXPECT_EQ(Stop(), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(sink.StreamWrites(), 0);

    sink.seekResult = S_OK;
    sink.writeResult = STG_E_MEDIUMFULL;
    Pause();
    EXPECT_EQ(Stop(), STG_E_MEDIUMFULL);

    sink.writeResult = S_OK;
    sink.shortWrite = 10;  // a disk that takes only part of the header
    Pause();
    EXPECT_EQ(Stop(), E_FAIL);

    sink.shortWrite.reset();
    sink.offerStream = false;  // a downstream without IStream gets no header
    sink.ClearFile();
    Pause();
    ASSERT_EQ(source->Push(Pattern(10, 0)), S_OK);
    EXPECT_EQ(Stop(), E_NOINTERFACE);
    EXPECT_EQ(sink.File().size(), 46u + 10u);
    EXPECT_TRUE(std::all_of(sink.File().begin(), sink.File().begin() + 46,
                            [](uint8_t b) { return b == 0; }));
}

TEST_F(WavDestChain, SampleLargerThanTheOutputBufferAbortsWithoutOverrun) {
    Connect(PcmType(1, 8000, 16), /*sourceBuffer=*/4096);
    Pause();
    // An upstream that delivers from memory other than the allocator it announced can send
    // more than one output buffer holds: the stream stops instead of writing past the buffer.
    std::vector<uint8_t> memory = Pattern(4097, 1);
    CMediaSample oversized(nullptr, memory.data(), static_cast<int32_t>(memory.size()));
    oversized.AddRef();
    oversized.SetActualDataLength(4097);
    EXPECT_EQ(filter.InputPin()->Receive(&oversized), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(filter.BytesWritten(), 0u);
    EXPECT_TRUE(sink.Samples().empty());
    EXPECT_TRUE(graph.HasEvent(EC_ERRORABORT));
    oversized.Release();
}

TEST_F(WavDestChain, ProgressIsReadableWhileStreaming) {
    Connect(PcmType(2, 44100, 16), 1764);
    Pause();
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        for (int i = 0; i < 2000; ++i) ASSERT_EQ(source->Push(Pattern(1764, 0)), S_OK);
        done = true;
    });
    int64_t last = 0;
    while (!done) {
        int64_t now = 0;
        ASSERT_EQ(filter.GetCurrentPosition(&now), S_OK);
        ASSERT_GE(now, last);
        last = now;
    }
    streaming.join();
    EXPECT_EQ(Position(), 2000 * 100'000);
}

}  // namespace
}  // namespace tarnel
