#include "engine/Converter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "filters/mp3enc/CMP3EncFilter.h"
#include "filters/oggcommon/OggFilterIds.h"
#include "framework/Guids.h"
#include "platform/media/compressors/AudioCompressorCodec.h"
#include "platform/media/mpeg/MpegSplitterRegistration.h"
#include "settings/SettingsStore.h"
#include "tests/engine/EngineFixture.h"
#include "tests/engine/FfmpegDecode.h"
#include "tests/engine/Mp3Fixtures.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

using namespace std::chrono_literals;
namespace names = graphnames;

constexpr int32_t kMessage = 1632;

class ConverterTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        output = root() / "out.tmp";
    }

    // Records every notification; safe on any thread.
    struct Notifications {
        std::mutex mutex;
        std::condition_variable changed;
        int count = 0;
        int32_t lastMessage = 0;
        IGraphBuilder* lastGraph = nullptr;
    };

    std::unique_ptr<Converter> MakeConverter() {
        return std::make_unique<Converter>(ConverterServices{&registry, {}, {}});
    }

    void SetTarget(Converter& c, int32_t format, uint32_t rate, uint16_t channels, uint16_t bits) {
        c.exportFormat = format;
        c.targetFormat = WAVEFORMATEX{};
        c.targetFormat.nSamplesPerSec = rate;
        c.targetFormat.nChannels = channels;
        c.targetFormat.wBitsPerSample = bits;
    }

    void PrepareFor(Converter& c, const std::filesystem::path& source, int32_t sourceFormat) {
        c.Prepare(
            source, output, sourceFormat,
            [this](int32_t message, IGraphBuilder* graph) {
                std::lock_guard lock(notes.mutex);
                ++notes.count;
                notes.lastMessage = message;
                notes.lastGraph = graph;
            },
            kMessage);
    }

    // Runs a built graph to its end; the event code that ended it.
    int32_t RunToEnd(Converter& c) {
        EXPECT_GE(c.Run(), 0);
        int32_t code = 0;
        EXPECT_EQ(c.Events()->WaitForCompletion(30000, &code), S_OK);
        return code;
    }

    void WriteWavSettings(int32_t compressorIndex) {
        WavSettings wav;
        wav.compressorIndex = compressorIndex;
        wav.compressorListIndex = compressorIndex;
        ASSERT_TRUE(SettingsStore().WriteWavSettings(wav));
    }

    std::filesystem::path WriteSource(const std::string& name, const test::PcmAudio& audio) {
        auto path = workDir() / name;
        test::WriteWav(path, audio);
        return path;
    }

    std::filesystem::path output;  // set in SetUp, once the temporary folder exists
    Notifications notes;
};

TEST_F(ConverterTest, ExportCodesOutsideTheFourFailAndBuildNothing) {
    const auto source = WriteSource("a.wav", test::MakeSine(44100, 2, 0.2, 440, 0.5));
    for (int32_t code : {0, 199, 204, -1}) {
        auto c = MakeConverter();
        SetTarget(*c, code, 44100, 2, 16);
        PrepareFor(*c, source, kFormatWav);
        c->durationSeconds = 12.0;
        EXPECT_EQ(c->BuildGraph(), E_FAIL) << code;
        EXPECT_EQ(c->Graph(), nullptr);
        EXPECT_EQ(c->durationSeconds, -1.0) << "reset even when nothing is built";
    }
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(ConverterTest, OddStoredTargetsFailTheBuildAndWriteNothing) {
    const auto source = WriteSource("a.wav", test::MakeSine(44100, 2, 0.2, 440, 0.5));
    struct Case {
        int32_t format;
        uint32_t rate;
        uint16_t channels, bits;
    };
    for (const Case& k : {Case{kFormatMp3, 7, 2, 16}, Case{kFormatMp3, 44100, 0, 16},
                          Case{kFormatMp3, 96000, 2, 16}, Case{kFormatWav, 0, 0, 16},
                          Case{kFormatWav, 44100, 2, 12}, Case{kFormatWav, 44100, 9, 16}}) {
        auto c = MakeConverter();
        SetTarget(*c, k.format, k.rate, k.channels, k.bits);
        PrepareFor(*c, source, kFormatWav);
        EXPECT_EQ(c->BuildGraph(), E_INVALIDARG) << k.format << " " << k.rate;
        EXPECT_EQ(c->Graph(), nullptr);
    }
    EXPECT_FALSE(std::filesystem::exists(output));
    for (const Case& k : {Case{kFormatMp3, 16000, 1, 16}, Case{kFormatWav, 8000, 1, 8},
                          Case{kFormatWav, 192000, 8, 32}}) {
        WAVEFORMATEX f{};
        f.nSamplesPerSec = k.rate;
        f.nChannels = k.channels;
        f.wBitsPerSample = k.bits;
        EXPECT_TRUE(IsProducibleTarget(k.format, f)) << k.rate;
    }
}

TEST_F(ConverterTest, WithoutAGraphStopReleaseAndProgressAreHarmless) {
    auto c = MakeConverter();
    EXPECT_EQ(c->Stop(), S_FALSE);  // 1
    EXPECT_EQ(c->ReleaseGraph(), S_OK);
    EXPECT_EQ(c->ReleaseGraph(), S_OK);
    EXPECT_EQ(c->GetProgressPercent(), -1);
    EXPECT_EQ(c->Run(), E_UNEXPECTED);
    EXPECT_TRUE(c->FilterNames().empty());
}

TEST_F(ConverterTest, EightBitWavToPcmWavWidensConvertsAndReportsProgress) {
    const auto tone = test::MakeSine(22050, 1, 1.0, 440, 0.5, 8);
    const auto source = WriteSource("eight.wav", tone);
    auto c = MakeConverter();
    SetTarget(*c, kFormatWav, 44100, 2, 16);
    PrepareFor(*c, source, kFormatWav);
    ASSERT_EQ(c->BuildGraph(), S_OK);

    const auto filters = c->FilterNames();
    for (const char* name :
         {names::kMusicSource, names::kSampleSizeConverter, names::kSampleRateConverter,
          names::kTsFixer, names::kWaveWriter, names::kFileWriter}) {
        EXPECT_TRUE(Contains(filters, name)) << name;
    }
    EXPECT_FALSE(Contains(filters, names::kIntermediate));
    EXPECT_FALSE(Contains(filters, names::kWavCompressor));
    // BuildGraph completed the target format.
    EXPECT_EQ(c->targetFormat.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(c->targetFormat.nBlockAlign, 4);
    EXPECT_EQ(c->targetFormat.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(c->durationSeconds, -1.0);

    EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    {
        // The callback follows the queued event on the graph's thread.
        std::unique_lock lock(notes.mutex);
        EXPECT_TRUE(notes.changed.wait_for(lock, 10s, [&] { return notes.count >= 1; }));
        EXPECT_EQ(notes.lastMessage, kMessage);
        EXPECT_EQ(notes.lastGraph, c->Graph());
    }
    // Before the owner sets the duration the percentage comes out negative. The writer's
    // position is summed from whole 100 ns units per sample, so it may end a hair short.
    EXPECT_GE(c->GetProgressPercent(), -100);
    EXPECT_LE(c->GetProgressPercent(), -99);
    c->durationSeconds = 1.0;
    EXPECT_GE(c->GetProgressPercent(), 99);
    EXPECT_LE(c->GetProgressPercent(), 100);
    c->durationSeconds = 4.0;
    EXPECT_GE(c->GetProgressPercent(), 24);
    EXPECT_LE(c->GetProgressPercent(), 25);
    c->durationSeconds = 0.0;
    EXPECT_EQ(c->GetProgressPercent(), -1) << "no figure without a length";
    EXPECT_GE(c->Stop(), 0);
    EXPECT_EQ(c->ReleaseGraph(), S_OK);
    EXPECT_EQ(c->ReleaseGraph(), S_OK);
    EXPECT_EQ(c->GetProgressPercent(), -1);

    const auto wav = test::ReadWav(output);
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.audio.sampleRate, 44100);
    EXPECT_EQ(wav.audio.channels, 2);
    EXPECT_EQ(wav.audio.bitsPerSample, 16);
    EXPECT_NEAR(wav.audio.seconds(), 1.0, 0.01);
    EXPECT_NEAR(test::RmsDb(wav.audio, 1, 2205), test::RmsDb(tone, 0), 0.5);
    EXPECT_NEAR(test::EstimateFrequency(test::Slice(wav.audio, 0.1, 0.9), 0), 440.0, 1.0);
    EXPECT_EQ(test::ReadFileBytes(source), test::EncodeWav(tone)) << "the source is untouched";
}

TEST_F(ConverterTest, UnknownSourceFormatIsBuiltLikeWav) {
    const auto source = WriteSource("odd.bin", test::MakeSine(8000, 1, 0.3, 440, 0.5));
    auto c = MakeConverter();
    SetTarget(*c, kFormatWav, 8000, 1, 16);
    PrepareFor(*c, source, kFormatUnknown);
    ASSERT_EQ(c->BuildGraph(), S_OK);
    const auto filters = c->FilterNames();
    EXPECT_TRUE(Contains(filters, names::kSampleSizeConverter));
    EXPECT_TRUE(Contains(filters, names::kSampleRateConverter));
    EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    c->ReleaseGraph();
    EXPECT_NEAR(test::ReadWav(output).audio.seconds(), 0.3, 0.01);
}

TEST_F(ConverterTest, WavExportThroughEachCompressorWritesItsFormat) {
    const auto& compressors = media::InstalledAudioCompressors();
    ASSERT_FALSE(compressors.empty());
    const auto tone = test::MakeSine(44100, 2, 1.0, 440, 0.5);
    const auto source = WriteSource("tone.wav", tone);
    for (size_t i = 0; i < compressors.size(); ++i) {
        SCOPED_TRACE(compressors[i].displayName);
        WriteWavSettings(static_cast<int32_t>(i));
        auto c = MakeConverter();
        SetTarget(*c, kFormatWav, 44100, 2, 16);
        PrepareFor(*c, source, kFormatWav);
        ASSERT_EQ(c->BuildGraph(), S_OK);
        EXPECT_TRUE(Contains(c->FilterNames(), names::kWavCompressor));
        EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
        c->durationSeconds = 1.0;
        EXPECT_NEAR(c->GetProgressPercent(), 100, 1);
        c->ReleaseGraph();

        const auto decoded = test::DecodeWithFfmpeg(output);
        EXPECT_EQ(decoded.codecTag, compressors[i].formatTag);
        uint32_t rate = 44100;
        uint16_t channels = 2;
        compressors[i].NearestInput(rate, channels);
        EXPECT_EQ(decoded.audio.sampleRate, int(rate));
        EXPECT_EQ(decoded.audio.channels, channels);
        EXPECT_GE(decoded.audio.seconds(), 0.99);
        EXPECT_LE(decoded.audio.seconds(), 1.06);  // at most one padded block more
        EXPECT_NEAR(test::RmsDb(decoded.audio, 0, rate / 10), test::RmsDb(tone, 0), 2.0);
        std::filesystem::remove(output);
    }
}

TEST_F(ConverterTest, CompressorIndexBeyondTheInstalledOnesFailsTheBuild) {
    const auto source = WriteSource("tone.wav", test::MakeSine(44100, 2, 0.2, 440, 0.5));
    const auto count = static_cast<int32_t>(media::InstalledAudioCompressors().size());
    for (int32_t index : {count, count + 5, -2}) {
        WriteWavSettings(index);
        auto c = MakeConverter();
        SetTarget(*c, kFormatWav, 44100, 2, 16);
        PrepareFor(*c, source, kFormatWav);
        EXPECT_EQ(c->BuildGraph(), E_WAV_COMPRESSOR_NOT_INSTALLED) << index;
        EXPECT_FALSE(Contains(c->FilterNames(), names::kWavCompressor));
        EXPECT_EQ(c->ReleaseGraph(), S_OK);
        EXPECT_EQ(c->Stop(), S_FALSE);
        EXPECT_EQ(c->ReleaseGraph(), S_OK);
    }
}

TEST_F(ConverterTest, ExportsWhoseFiltersAreMissingFailCleanly) {
    for (const GUID& clsid : {CLSID_MP3EncFilter, CLSID_VorbisEnc, CLSID_WMAsfWriter}) {
        registry.Unregister(clsid);  // not installed
    }
    const auto source = WriteSource("tone.wav", test::MakeSine(44100, 2, 0.2, 440, 0.5));
    registry.Unregister(CLSID_WMAsfWriter);  // the system has one; this test needs it missing
    for (int32_t format : {kFormatMp3, kFormatOgg, kFormatWma}) {
        auto c = MakeConverter();
        SetTarget(*c, format, 44100, 2, 16);
        PrepareFor(*c, source, kFormatWav);
        EXPECT_EQ(c->BuildGraph(), REGDB_E_CLASSNOTREG) << format;
        EXPECT_NE(c->Graph(), nullptr) << "the partial graph waits for ReleaseGraph";
        EXPECT_EQ(c->ReleaseGraph(), S_OK);
    }
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(ConverterTest, SourcesWhoseDecodersAreMissingFailCleanly) {
    for (const GUID& clsid : {CLSID_MPEG1Splitter, CLSID_OggSplitter, CLSID_DMOWrapperFilter}) {
        registry.Unregister(clsid);  // not installed
    }
    const auto source = WriteSource("tone.wav", test::MakeSine(44100, 2, 0.2, 440, 0.5));
    registry.Unregister(CLSID_DMOWrapperFilter);  // the system has one; this test needs it missing
    for (int32_t sourceFormat : {kFormatMp3, kFormatOgg, kFormatWma}) {
        auto c = MakeConverter();
        SetTarget(*c, kFormatWav, 44100, 2, 16);
        PrepareFor(*c, source, sourceFormat);
        EXPECT_EQ(c->BuildGraph(), REGDB_E_CLASSNOTREG) << sourceFormat;
        c->ReleaseGraph();
    }
}

class ConverterMp3Test : public ConverterTest {
protected:
    void SetUp() override {
        ConverterTest::SetUp();
        FilterRegistration mp3;
        mp3.clsid = CLSID_MP3EncFilter;
        mp3.name = "MP3 Encoder";
        mp3.create = [] { return std::shared_ptr<IBaseFilter>(std::make_shared<CMP3EncFilter>()); };
        registry.Register(std::move(mp3));
    }
};

// The MPEG stream inside the RIFF file the wave writer made for it.
std::vector<uint8_t> DataChunk(const std::vector<uint8_t>& riff) {
    size_t at = 12;
    while (at + 8 <= riff.size()) {
        const uint32_t size =
            riff[at + 4] | riff[at + 5] << 8 | riff[at + 6] << 16 | uint32_t(riff[at + 7]) << 24;
        if (std::memcmp(&riff[at], "data", 4) == 0) {
            const size_t end = std::min(riff.size(), at + 8 + size);
            return {riff.begin() + long(at + 8), riff.begin() + long(end)};
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

TEST_F(ConverterMp3Test, EightBitWavToMp3PassesWideningAndRateConversion) {
    const auto tone = test::MakeSine(22050, 1, 1.0, 440, 0.5, 8);
    const auto source = WriteSource("eight.wav", tone);
    auto c = MakeConverter();
    SetTarget(*c, kFormatMp3, 44100, 2, 16);
    PrepareFor(*c, source, kFormatWav);
    ASSERT_EQ(c->BuildGraph(), S_OK);
    const auto filters = c->FilterNames();
    for (const char* name :
         {names::kMusicSource, names::kSampleSizeConverter, names::kSampleRateConverter,
          names::kTsFixer, names::kMp3Compressor, names::kWaveWriter, names::kFileWriter}) {
        EXPECT_TRUE(Contains(filters, name)) << name;
    }
    // The rate converter hands 16-bit stereo 44100 Hz to "TS Fixer".
    IBaseFilter* fixer = nullptr;
    ASSERT_EQ(c->Graph()->FindFilterByName(names::kTsFixer, &fixer), S_OK);
    std::vector<IPin*> pins;
    fixer->EnumPins(&pins);
    CMediaType type;
    ASSERT_EQ(pins.at(0)->ConnectionMediaType(&type), S_OK);
    const auto wave = type.WaveFormatEx();
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->wBitsPerSample, 16);
    EXPECT_EQ(wave->nSamplesPerSec, 44100u);
    EXPECT_EQ(wave->nChannels, 2);

    EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    c->ReleaseGraph();
    const auto mp3 = root() / "out.mp3";
    test::WriteFileBytes(mp3, DataChunk(test::ReadFileBytes(output)));
    const auto decoded = test::DecodeWithFfmpeg(mp3);
    EXPECT_EQ(decoded.codec, "mp3float");
    EXPECT_EQ(decoded.audio.sampleRate, 44100);
    EXPECT_NEAR(decoded.audio.seconds(), 1.0, 0.08);  // encoder delay and padding
    EXPECT_NEAR(test::RmsDb(decoded.audio, 0, 4410), test::RmsDb(tone, 0), 1.0);
}

TEST_F(ConverterMp3Test, Mp3SettingsReachTheEncoder) {
    Mp3Settings mp3;
    mp3.cbrBitrate = 96;
    mp3.sampleRate = 32000;
    mp3.channelMode = 0;  // mono: LAME mode 3
    mp3.constantBitrate = 0;
    mp3.crc = 1;
    ASSERT_TRUE(SettingsStore().WriteMp3Settings(mp3));
    const auto source = WriteSource("tone.wav", test::MakeSine(32000, 1, 0.3, 440, 0.5));
    auto c = MakeConverter();
    SetTarget(*c, kFormatMp3, 32000, 1, 16);
    PrepareFor(*c, source, kFormatWav);
    ASSERT_EQ(c->BuildGraph(), S_OK);
    IBaseFilter* encoder = nullptr;
    ASSERT_EQ(c->Graph()->FindFilterByName(names::kMp3Compressor, &encoder), S_OK);
    auto* props = Query<IMP3AudioEncProperties>(encoder);
    ASSERT_NE(props, nullptr);
    int32_t v = 0;
    props->GetBitrate(&v);
    EXPECT_EQ(v, 96);
    props->GetOutputSampleRate(&v);
    EXPECT_EQ(v, 32000);
    props->GetChannelMode(&v);
    EXPECT_EQ(v, 3);
    props->GetVbrEnabled(&v);
    EXPECT_EQ(v, 1);
    props->GetErrorProtection(&v);
    EXPECT_EQ(v, 1);
    props->GetVbrQuality(&v);
    EXPECT_EQ(v, 4);
}

TEST_F(ConverterTest, StopWhileRunningEndsPromptlyAndSilencesEvents) {
    const auto source = WriteSource("long.wav", test::MakeSine(48000, 2, 60.0, 440, 0.5));
    auto c = MakeConverter();
    SetTarget(*c, kFormatWav, 8000, 1, 8);
    PrepareFor(*c, source, kFormatWav);
    ASSERT_EQ(c->BuildGraph(), S_OK);
    ASSERT_GE(c->Run(), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GE(c->Stop(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    int before = 0;
    {
        std::lock_guard lock(notes.mutex);
        before = notes.count;
    }
    EXPECT_EQ(c->ReleaseGraph(), S_OK);
    std::lock_guard lock(notes.mutex);
    EXPECT_EQ(notes.count, before);
}

TEST_F(ConverterTest, ReusedForOneFileAfterAnother) {
    auto c = MakeConverter();
    for (int i = 0; i < 3; ++i) {
        const auto source =
            WriteSource("f" + std::to_string(i) + ".wav", test::MakeSine(16000, 1, 0.25, 300, 0.4));
        SetTarget(*c, kFormatWav, 16000, 2, 16);
        PrepareFor(*c, source, kFormatWav);
        ASSERT_EQ(c->BuildGraph(), S_OK);
        EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
        c->Stop();
        c->ReleaseGraph();
        EXPECT_NEAR(test::ReadWav(output).audio.seconds(), 0.25, 0.01);
        std::filesystem::remove(output);
    }
}

class ConverterMp3SourceTest : public ConverterMp3Test {
protected:
    void SetUp() override {
        ConverterMp3Test::SetUp();
        RegisterMpegFilters(registry);
    }
};

TEST_F(ConverterMp3SourceTest, Mp3ToWavDecodesThroughSplitterDecoderAndIntermediate) {
    const auto tone = test::MakeSine(44100, 2, 2.0, 440, 0.5);
    const auto source = workDir() / "song.mp3";
    test::WriteLameMp3(source, tone);
    auto c = MakeConverter();
    SetTarget(*c, kFormatWav, 22050, 1, 16);
    PrepareFor(*c, source, kFormatMp3);
    ASSERT_EQ(c->BuildGraph(), S_OK);
    const auto filters = c->FilterNames();
    for (const char* name :
         {names::kMusicSource, names::kSplitter, names::kDecoder, names::kIntermediate,
          names::kTsFixer, names::kWaveWriter, names::kFileWriter}) {
        EXPECT_TRUE(Contains(filters, name)) << name;
    }
    EXPECT_FALSE(Contains(filters, names::kSampleSizeConverter));
    EXPECT_FALSE(Contains(filters, names::kSampleRateConverter));
    EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    c->ReleaseGraph();
    const auto wav = test::ReadWav(output);
    EXPECT_EQ(wav.audio.sampleRate, 22050);
    EXPECT_EQ(wav.audio.channels, 1);
    EXPECT_NEAR(wav.audio.seconds(), 2.0, 0.1);  // the encoder's delay and padding
    EXPECT_NEAR(test::RmsDb(wav.audio, 0, 4410), test::RmsDb(tone, 0), 1.0);
    EXPECT_NEAR(test::EstimateFrequency(test::Slice(wav.audio, 0.2, 1.8), 0), 440.0, 1.0);
}

TEST_F(ConverterMp3SourceTest, Mp3ToMp3RunsEndToEnd) {
    const auto source = workDir() / "song.mp3";
    test::WriteLameMp3(source, test::MakeSine(44100, 1, 1.0, 440, 0.5));
    auto c = MakeConverter();
    SetTarget(*c, kFormatMp3, 44100, 2, 16);
    PrepareFor(*c, source, kFormatMp3);
    ASSERT_EQ(c->BuildGraph(), S_OK);
    EXPECT_TRUE(Contains(c->FilterNames(), names::kIntermediate));
    EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    c->ReleaseGraph();
    const auto mp3 = root() / "again.mp3";
    test::WriteFileBytes(mp3, DataChunk(test::ReadFileBytes(output)));
    EXPECT_NEAR(test::DecodeWithFfmpeg(mp3).audio.seconds(), 1.0, 0.15);
}

TEST_F(ConverterMp3SourceTest, Mp3ToWmaFeedsTheDecodedAudioStraightIntoTsFixer) {
    const auto source = workDir() / "song.mp3";
    test::WriteLameMp3(source, test::MakeSine(44100, 1, 0.5, 440, 0.5));
    auto c = MakeConverter();
    c->exportFormat = kFormatWma;
    PrepareFor(*c, source, kFormatMp3);
    ASSERT_EQ(c->BuildGraph(), S_OK);
    const auto filters = c->FilterNames();
    for (const char* name : {names::kSplitter, names::kDecoder, names::kTsFixer, names::kAsfMux}) {
        EXPECT_TRUE(Contains(filters, name)) << name;
    }
    EXPECT_FALSE(Contains(filters, names::kIntermediate));
    EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    EXPECT_EQ(c->ReleaseGraph(), S_OK);
    EXPECT_NEAR(test::DecodeWithFfmpeg(output).audio.seconds(), 0.5, 0.15);
}

}  // namespace
}  // namespace tarnel
