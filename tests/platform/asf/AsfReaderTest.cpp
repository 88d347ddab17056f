// The ASF reader and the WMA decoder over files FFmpeg made with its own encoders and muxer.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "framework/FilterGraph.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/asf/AsfDemuxer.h"
#include "platform/media/asf/CAsfReader.h"
#include "platform/media/asf/CWmaDecoder.h"
#include "tests/platform/asf/AsfTestKit.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/filters/CaptureSink.h"

namespace tarnel {
namespace {

using test::harness::CaptureSink;

test::PcmAudio FromPcm16(const std::vector<uint8_t>& bytes, int rate, int channels) {
    test::PcmAudio audio;
    audio.sampleRate = rate;
    audio.channels = channels;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        audio.samples.push_back(int16_t(bytes[i] | bytes[i + 1] << 8) / 32768.0);
    }
    return audio;
}

class AsfReaderTest : public test::IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        std::filesystem::create_directories(workDir());
        RegisterSystemFilters(registry);
    }

    struct Decoded {
        HRESULT built = E_FAIL;
        int32_t code = 0;
        test::PcmAudio audio;
        std::vector<test::harness::CapturedSample> samples;
        std::vector<std::string> filters;
    };

    // Source -> (whatever intelligent connection inserts) -> a sink that takes only PCM.
    Decoded DecodeThroughGraph(const std::filesystem::path& path, int64_t startAt = 0) {
        Decoded out;
        FilterGraph graph(registry);
        IBaseFilter* source = nullptr;
        out.built = graph.AddSourceFilter(path, "Music Source", &source);
        if (FAILED(out.built)) return out;
        auto sink = std::make_shared<CaptureSink>();
        sink->accept = [](const CMediaType& t) {
            auto wfx = t.WaveFormatEx();
            return wfx && wfx->wFormatTag == WAVE_FORMAT_PCM;
        };
        graph.AddFilter(sink, "Sink");
        std::vector<IPin*> pins;
        source->EnumPins(&pins);
        out.built = graph.Connect(pins[0], sink->Pin());
        if (FAILED(out.built)) return out;
        out.filters = graph.FilterNames();
        if (startAt > 0) {
            auto* seeking = Query<IMediaSeeking>(pins[0]);
            EXPECT_EQ(seeking->SetPositions(&startAt, AM_SEEKING_AbsolutePositioning, nullptr,
                                            AM_SEEKING_NoPositioning),
                      S_OK);
        }
        graph.SetSyncSource(nullptr);
        EXPECT_GE(graph.Run(), 0);
        EXPECT_EQ(graph.WaitForCompletion(30000, &out.code), S_OK) << "never hangs";
        graph.Stop();
        const auto wfx = sink->Pin()->CurrentMediaType().WaveFormatEx();
        out.audio = FromPcm16(sink->Bytes(), int(wfx->nSamplesPerSec), wfx->nChannels);
        out.samples = sink->Samples();
        return out;
    }

    FilterRegistry registry;
};

TEST_F(AsfReaderTest, AsfContentGetsTheReaderWhateverTheNameAndOffersTheStoredFormat) {
    const auto path = workDir() / "music.dat";
    test::WriteAsfWithFfmpeg(path, test::MakeSine(44100, 2, 2.0, 440, 0.5), "wmav2", 96000);
    FilterGraph graph(registry);
    IBaseFilter* source = nullptr;
    ASSERT_EQ(graph.AddSourceFilter(path, "Music Source", &source), S_OK);
    GUID clsid;
    source->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_WMAsfReader);
    std::vector<IPin*> pins;
    source->EnumPins(&pins);
    ASSERT_EQ(pins.size(), 1u);
    std::vector<CMediaType> types;
    ASSERT_EQ(pins[0]->EnumMediaTypes(&types), S_OK);
    ASSERT_EQ(types.size(), 1u);
    EXPECT_EQ(types[0].majortype, MEDIATYPE_Audio);
    EXPECT_EQ(types[0].subtype, FourccSubtype(0x0161));
    const auto info = types[0].WaveFormat();
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->format.nChannels, 2);
    EXPECT_EQ(info->format.nSamplesPerSec, 44100u);
    EXPECT_EQ(info->format.nAvgBytesPerSec, 12000u);
    EXPECT_GT(info->format.nBlockAlign, 0);
    EXPECT_EQ(info->extra.size(), 10u) << "wmav2 codec data";
    int64_t duration = 0;
    ASSERT_EQ(Query<IMediaSeeking>(pins[0])->GetDuration(&duration), S_OK);
    EXPECT_NEAR(double(duration) / UNITS, 2.0, 0.1);
}

TEST_F(AsfReaderTest, WmaDecodesToWhatFfmpegDecodes) {
    for (const char* encoder : {"wmav2", "wmav1"}) {
        const auto path = workDir() / (std::string(encoder) + ".wma");
        const auto sine = test::MakeSine(44100, 2, 3.0, 660, 0.5);
        test::WriteAsfWithFfmpeg(path, sine, encoder, 128000);
        const Decoded ours = DecodeThroughGraph(path);
        ASSERT_EQ(ours.built, S_OK) << encoder;
        EXPECT_EQ(ours.code, EC_COMPLETE);
        EXPECT_NE(std::find(ours.filters.begin(), ours.filters.end(), "WMA Decoder"),
                  ours.filters.end());
        const auto reference = test::DecodeWithFfmpeg(path);
        ASSERT_EQ(ours.audio.channels, reference.audio.channels);
        EXPECT_EQ(ours.audio.frames(), reference.audio.frames()) << encoder;
        // The same decoder: the same samples, but for 16-bit rounding.
        double worst = 0;
        const size_t n = std::min(ours.audio.samples.size(), reference.audio.samples.size());
        for (size_t i = 0; i < n; ++i) {
            worst = std::max(worst, std::abs(ours.audio.samples[i] -
                                             std::clamp(reference.audio.samples[i], -1.0, 1.0)));
        }
        EXPECT_LT(worst, 2.0 / 32768) << encoder;
        EXPECT_NEAR(test::RmsDb(ours.audio, 0, 4096), test::RmsDb(sine, 0), 1.0);
        // Time stamps run gap-free from 0.
        ASSERT_FALSE(ours.samples.empty());
        EXPECT_EQ(ours.samples.front().Start().value_or(-1), 0);
        EXPECT_TRUE(ours.samples.front().discontinuity);
    }
}

TEST_F(AsfReaderTest, ASecondRunStartsFromTheBeginningAgain) {
    const auto path = workDir() / "twice.wma";
    test::WriteAsfWithFfmpeg(path, test::MakeSine(44100, 2, 1.5, 440, 0.5), "wmav2", 96000);
    FilterGraph graph(registry);
    IBaseFilter* source = nullptr;
    ASSERT_EQ(graph.AddSourceFilter(path, "Music Source", &source), S_OK);
    auto sink = std::make_shared<CaptureSink>();
    sink->accept = [](const CMediaType& t) { return t.subtype == MEDIASUBTYPE_PCM; };
    graph.AddFilter(sink, "Sink");
    std::vector<IPin*> pins;
    source->EnumPins(&pins);
    ASSERT_EQ(graph.Connect(pins[0], sink->Pin()), S_OK);
    graph.SetSyncSource(nullptr);
    std::vector<size_t> sizes;
    for (int run = 0; run < 2; ++run) {
        sink->ClearSamples();
        ASSERT_GE(graph.Run(), 0);
        int32_t code = 0;
        ASSERT_EQ(graph.WaitForCompletion(30000, &code), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
        graph.Stop();
        sizes.push_back(sink->Bytes().size());
        int32_t event = 0;
        intptr_t p1 = 0, p2 = 0;
        while (graph.GetEvent(&event, &p1, &p2, 0) == S_OK) graph.FreeEventParams(event, p1, p2);
    }
    EXPECT_GT(sizes[0], 200000u);
    EXPECT_EQ(sizes[0], sizes[1]);
}

TEST_F(AsfReaderTest, PcmInAsfIsOfferedAsPcm) {
    const auto path = workDir() / "pcm.wma";
    test::WriteAsfWithFfmpeg(path, test::MakeSine(22050, 1, 1.0, 440, 0.5), "pcm_s16le", 0);
    std::unique_ptr<media::AsfDemuxer> demuxer;
    ASSERT_EQ(media::AsfDemuxer::Open(path, nullptr, &demuxer), S_OK);
    EXPECT_EQ(demuxer->MediaType().subtype, MEDIASUBTYPE_PCM);
    EXPECT_EQ(demuxer->MediaType().WaveFormatEx()->wBitsPerSample, 16);
}

TEST_F(AsfReaderTest, SeekingStartsLaterAndRestampsFromZero) {
    const auto path = workDir() / "long.wma";
    test::WriteAsfWithFfmpeg(path, test::MakeSine(44100, 2, 6.0, 440, 0.5), "wmav2", 128000);
    const Decoded later = DecodeThroughGraph(path, 4 * UNITS);
    ASSERT_EQ(later.built, S_OK);
    EXPECT_EQ(later.code, EC_COMPLETE);
    EXPECT_GT(later.audio.seconds(), 1.5);
    EXPECT_LT(later.audio.seconds(), 2.5);
}

TEST_F(AsfReaderTest, DamagedFilesAreRefusedOrEndCleanly) {
    const auto path = workDir() / "good.wma";
    test::WriteAsfWithFfmpeg(path, test::MakeSine(44100, 2, 2.0, 440, 0.5), "wmav2", 64000);
    const auto bytes = test::ReadFileBytes(path);
    std::mt19937 random(7);
    int refused = 0, ended = 0;
    auto attempt = [&](const std::vector<uint8_t>& damaged, const std::string& what) {
        const auto file = workDir() / "damaged.wma";
        test::WriteFileBytes(file, damaged);
        const Decoded result = DecodeThroughGraph(file);
        if (FAILED(result.built)) {
            ++refused;
        } else {
            ++ended;
            EXPECT_TRUE(result.code == EC_COMPLETE || result.code == EC_ERRORABORT) << what;
            EXPECT_LE(result.audio.seconds(), 2.5) << what;
        }
    };
    for (size_t cut :
         {size_t(16), size_t(29), size_t(100), size_t(3000), bytes.size() / 2, bytes.size() - 1}) {
        attempt(std::vector(bytes.begin(), bytes.begin() + ptrdiff_t(cut)),
                "cut " + std::to_string(cut));
    }
    for (int round = 0; round < 12; ++round) {
        auto damaged = bytes;
        for (int i = 0; i < 40; ++i) damaged[random() % damaged.size()] = uint8_t(random());
        attempt(damaged, "noise " + std::to_string(round));
    }
    auto absurd = bytes;
    for (int i = 16; i < 24; ++i) absurd[size_t(i)] = 0xFF;  // header size past any file
    attempt(absurd, "header size");
    auto hugeChild = bytes;
    for (int i = 30 + 16; i < 30 + 24; ++i) hugeChild[size_t(i)] = 0x7F;  // first child size
    attempt(hugeChild, "child size");
    EXPECT_GT(refused, 0);
    EXPECT_GT(ended, 0);
}

TEST_F(AsfReaderTest, TheDmoWrapperTakesOnlyTheWmaDecoder) {
    media::CWmaDecoder wrapper(false, CLSID_DMOWrapperFilter);
    WAVEFORMATEX wfx;
    wfx.wFormatTag = 0x0161;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = 44100;
    wfx.nAvgBytesPerSec = 16000;
    wfx.nBlockAlign = 743;
    wfx.wBitsPerSample = 16;
    const std::vector<uint8_t> extra(10, 0);
    const CMediaType wma = MakeAudioMediaType(wfx, extra);
    EXPECT_EQ(wrapper.InputPin()->QueryAccept(&wma), S_FALSE) << "nothing before Init";
    EXPECT_EQ(wrapper.Init(GUID{0x1234}, DMOCATEGORY_AUDIO_DECODER), REGDB_E_CLASSNOTREG);
    ASSERT_EQ(wrapper.Init(CLSID_CWMADecMediaObject, DMOCATEGORY_AUDIO_DECODER), S_OK);
    EXPECT_EQ(wrapper.InputPin()->QueryAccept(&wma), S_OK);
    const CMediaType pcm = MakeAudioMediaType(MakePcmFormat(2, 44100, 16));
    EXPECT_EQ(wrapper.InputPin()->QueryAccept(&pcm), S_FALSE);
}

}  // namespace
}  // namespace tarnel
