// File Source -> MPEG splitter -> MPEG decoder -> recording sink, on real files: what comes out
// is compared with libmpg123's own decode of the same file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/media/files/CFileSource.h"
#include "platform/media/mpeg/CMpegAudioDecoder.h"
#include "platform/media/mpeg/CMpegSplitter.h"
#include "platform/media/mpeg/MpegSplitterRegistration.h"
#include "tests/filters/mp3enc/Mpg123Reference.h"
#include "tests/filters/mp3enc/TestSignals.h"
#include "tests/platform/mpeg/MpegTestStreams.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/filters/CaptureSink.h"
#include "tests/support/filters/PushSource.h"
#include "tests/support/filters/RecordingGraph.h"

namespace tarnel::media {
namespace {

constexpr int kWaitMs = 30000;

struct MpegChain {
    MpegChain() {
        source.JoinFilterGraph(&graph, "Music Source");
        splitter.JoinFilterGraph(&graph, "Splitter");
        decoder.JoinFilterGraph(&graph, "Decoder");
    }
    ~MpegChain() {
        Stop();
        for (IPin* pin : std::initializer_list<IPin*>{source.GetPin(0), splitter.InputPin(),
                                                      splitter.OutputPin(), decoder.InputPin(),
                                                      decoder.OutputPin(), sink.Pin()}) {
            pin->Disconnect();
        }
    }
    HRESULT Open(const std::filesystem::path& file) {
        HRESULT hr = source.Load(file, nullptr);
        if (FAILED(hr)) return hr;
        hr = source.GetPin(0)->Connect(splitter.InputPin(), nullptr);
        if (FAILED(hr)) return hr;
        hr = splitter.OutputPin()->Connect(decoder.InputPin(), nullptr);
        if (FAILED(hr)) return hr;
        return decoder.OutputPin()->Connect(sink.Pin(), nullptr);
    }
    void Start() {
        ASSERT_EQ(sink.Pause(), S_OK);
        ASSERT_EQ(decoder.Pause(), S_OK);
        ASSERT_EQ(splitter.Pause(), S_OK);
        ASSERT_EQ(source.Pause(), S_OK);
    }
    void Stop() {
        source.Stop();
        splitter.Stop();
        decoder.Stop();
        sink.Stop();
    }
    // Runs to the end; false when the end never came.
    bool RunToEnd() {
        Start();
        return sink.WaitForEndOfStream(kWaitMs);
    }
    std::vector<int16_t> Pcm() const {
        const auto bytes = sink.Bytes();
        std::vector<int16_t> pcm(bytes.size() / 2);
        std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
        return pcm;
    }

    test::harness::RecordingGraph graph;
    CFileSource source;
    CMpegSplitter splitter;
    CMpegAudioDecoder decoder;
    test::harness::CaptureSink sink{
        [](const CMediaType& t) { return t.subtype == MEDIASUBTYPE_PCM; }};
};

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class MpegGraphTest : public test::IsolatedTest {
protected:
    std::filesystem::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        auto path = root() / name;
        test::WriteFileBytes(path, bytes);
        return path;
    }
    // Our chain's PCM must be libmpg123's own decode of the file, sample for sample (within
    // one step of rounding).
    void ExpectSameAsLibmpg123(const std::filesystem::path& file, MpegChain& chain) {
        auto reference = test::DecodeMp3File(file);
        ASSERT_TRUE(reference);
        const auto got = chain.Pcm();
        ASSERT_EQ(got.size(), reference->audio.samples.size());
        size_t worst = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            const long expected = std::lround(reference->audio.samples[i] * 32768.0);
            worst = std::max<size_t>(worst, size_t(std::labs(got[i] - expected)));
        }
        EXPECT_LE(worst, 1u);
    }
};

TEST_F(MpegGraphTest, DecodesLikeLibmpg123WithTagsAroundTheAudio) {
    const auto s = test::EncodeWithLame(test::MakeTwoToneStereo(44100, 2.0, 440, 1500, 0.5));
    const auto file = Write(
        "song.mp3", Cat({test::MakeId3v2(2000), s.bytes, test::MakeApeTag(64), test::MakeId3v1()}));
    MpegChain chain;
    ASSERT_EQ(chain.Open(file), S_OK);
    const CMediaType& out = chain.sink.Pin()->CurrentMediaType();
    auto wfx = out.WaveFormatEx();
    ASSERT_TRUE(wfx);
    EXPECT_EQ(wfx->nSamplesPerSec, 44100u);
    EXPECT_EQ(wfx->nChannels, 2);
    EXPECT_EQ(wfx->wBitsPerSample, 16);
    ASSERT_TRUE(chain.RunToEnd());
    ExpectSameAsLibmpg123(file, chain);
    EXPECT_TRUE(chain.graph.Events().empty());

    // Time stamps run on without gaps from 0.
    REFERENCE_TIME expected = 0;
    for (const auto& sample : chain.sink.Samples()) {
        ASSERT_EQ(sample.timeResult, S_OK);
        EXPECT_EQ(sample.start, expected);
        expected = sample.stop;
    }
    EXPECT_NEAR(double(expected) / UNITS, double(chain.Pcm().size()) / 2 / 44100, 1e-6);
}

TEST_F(MpegGraphTest, GaplessStreamLastsExactlyAsLongAsWhatWasEncoded) {
    const auto pcm = test::MakeSine(44100, 2, 1.5, 440, 0.5);
    const auto s = test::EncodeWithLame(pcm, {.bitrate = 128, .vbr = true, .infoTag = true});
    const auto file = Write("gapless.mp3", s.bytes);
    MpegChain chain;
    ASSERT_EQ(chain.Open(file), S_OK);
    int64_t duration = 0;
    ASSERT_EQ(chain.splitter.OutputPin()->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, int64_t(pcm.frames()) * UNITS / 44100);
    ASSERT_TRUE(chain.RunToEnd());
    EXPECT_EQ(chain.Pcm().size(), pcm.samples.size());
    ExpectSameAsLibmpg123(file, chain);
}

TEST_F(MpegGraphTest, MonoMpeg2StreamComesOutMonoAtItsRate) {
    const auto s = test::EncodeWithLame(test::MakeSine(22050, 1, 1.0, 440, 0.5), {.bitrate = 48});
    const auto file = Write("mono.mp3", s.bytes);
    MpegChain chain;
    ASSERT_EQ(chain.Open(file), S_OK);
    auto wfx = chain.sink.Pin()->CurrentMediaType().WaveFormatEx();
    ASSERT_TRUE(wfx);
    EXPECT_EQ(wfx->nSamplesPerSec, 22050u);
    EXPECT_EQ(wfx->nChannels, 1);
    ASSERT_TRUE(chain.RunToEnd());
    ExpectSameAsLibmpg123(file, chain);
}

TEST_F(MpegGraphTest, StartPositionSkipsTheBeginning) {
    const auto s = test::EncodeWithLame(test::MakeSine(44100, 2, 3.0, 440, 0.5));
    const auto file = Write("seek.mp3", s.bytes);
    MpegChain chain;
    ASSERT_EQ(chain.Open(file), S_OK);
    int64_t start = UNITS, stop = 0;
    ASSERT_EQ(chain.splitter.OutputPin()->SetPositions(&start, AM_SEEKING_AbsolutePositioning,
                                                       &stop, AM_SEEKING_NoPositioning),
              S_OK);
    ASSERT_TRUE(chain.RunToEnd());
    const auto samples = chain.sink.Samples();
    ASSERT_FALSE(samples.empty());
    EXPECT_EQ(samples.front().start, 0) << "times are relative to the new segment";
    const double seconds = double(chain.Pcm().size()) / 2 / 44100;
    const double total = double(s.frames) * 1152 / 44100;
    EXPECT_NEAR(seconds, total - 1.0, 0.03);
}

TEST_F(MpegGraphTest, SeekWhileRunningFlushesAndStartsOver) {
    const auto s = test::EncodeWithLame(test::MakeSine(44100, 2, 2.0, 440, 0.5));
    const auto file = Write("flush.mp3", s.bytes);
    MpegChain chain;
    ASSERT_EQ(chain.Open(file), S_OK);
    ASSERT_TRUE(chain.RunToEnd());
    int64_t start = UNITS / 2;
    ASSERT_EQ(chain.splitter.OutputPin()->SetPositions(&start, AM_SEEKING_AbsolutePositioning,
                                                       nullptr, AM_SEEKING_NoPositioning),
              S_OK);
    ASSERT_TRUE(chain.sink.WaitForEndOfStream(kWaitMs, 2));
    EXPECT_EQ(chain.sink.FlushCount(), 1);
    EXPECT_GT(chain.sink.SamplesSinceFlush(), 0u);
    EXPECT_TRUE(chain.graph.Events().empty());
}

TEST_F(MpegGraphTest, DamagedFilesDecodeWhatIsThereAndEnd) {
    const auto s = test::EncodeWithLame(test::MakeSine(44100, 2, 2.0, 440, 0.5));
    const double whole = double(s.frames) * 1152 / 44100;
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        double minSeconds, maxSeconds;
    };
    const size_t half = s.bytes.size() / 2;
    std::vector<Case> cases;
    cases.push_back({"truncated.mp3", {s.bytes.begin(), s.bytes.begin() + long(half)}, 0.9, 1.1});
    cases.push_back({"garbage.mp3",
                     Cat({{s.bytes.begin(), s.bytes.begin() + long(half)},
                          test::RandomBytes(5000, 4),
                          {s.bytes.begin() + long(half), s.bytes.end()}}),
                     whole - 0.1, whole + 0.01});
    cases.push_back({"absurd-id3.mp3", Cat({test::MakeId3v2Header(0x0FFFFFFF), s.bytes}),
                     whole - 0.01, whole + 0.01});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MpegChain chain;
        ASSERT_EQ(chain.Open(Write(c.name, c.bytes)), S_OK);
        ASSERT_TRUE(chain.RunToEnd());
        const double seconds = double(chain.Pcm().size()) / 2 / 44100;
        EXPECT_GE(seconds, c.minSeconds);
        EXPECT_LE(seconds, c.maxSeconds);
        EXPECT_TRUE(chain.graph.Events().empty());
    }
}

TEST_F(MpegGraphTest, FilesWithoutAudioFailTheConnection) {
    for (const auto& bytes : {test::RandomBytes(200000, 12), test::MakeId3v2Header(0x0FFFFFFF),
                              std::vector<uint8_t>{}}) {
        MpegChain chain;
        EXPECT_EQ(chain.Open(Write("noise.mp3", bytes)), VFW_E_INVALID_FILE_FORMAT);
    }
}

TEST(MpegRegistration, SplitterAndDecoderAreFoundForMpegTypes) {
    FilterRegistry registry;
    RegisterMpegFilters(registry);
    const CMediaType stream(MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1Audio);
    auto splitters = registry.CandidatesForInput(stream);
    ASSERT_EQ(splitters.size(), 1u);
    EXPECT_EQ(splitters[0].clsid, CLSID_MPEG1Splitter);
    const CMediaType mp3(MEDIATYPE_Audio, MEDIASUBTYPE_MP3);
    auto decoders = registry.CandidatesForInput(mp3);
    ASSERT_EQ(decoders.size(), 1u);
    EXPECT_EQ(decoders[0].clsid, CLSID_MP3DecoderFilter);
    std::shared_ptr<IBaseFilter> filter;
    ASSERT_EQ(registry.CreateInstance(CLSID_MP3DecoderFilter, &filter), S_OK);
    GUID clsid;
    filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_MP3DecoderFilter);
}

}  // namespace
}  // namespace tarnel::media
