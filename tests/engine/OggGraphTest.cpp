// Ogg Vorbis through the conversion engine: export from WAV, the encoder configuration from the
// Ogg settings, the settings libvorbis refuses, and Ogg sources probed and converted.
#include <gtest/gtest.h>

#include "engine/Converter.h"
#include "engine/SourceProbe.h"
#include "filters/oggcommon/OggFilterIds.h"
#include "filters/oggmux/COggMux.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "filters/vorbisenc/CVorbisEnc.h"
#include "settings/SettingsStore.h"
#include "tests/engine/EngineFixture.h"
#include "tests/engine/FfmpegDecode.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

namespace names = graphnames;

class OggGraphTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        RegisterVorbisEncoder(registry);
        RegisterOggMux(registry);
        RegisterOggSplitter(registry);
        RegisterVorbisDecoder(registry);
        source = workDir() / "tone.wav";
        test::WriteWav(source, tone);
    }

    std::unique_ptr<Converter> Build(const std::filesystem::path& from, int32_t sourceFormat,
                                     int32_t exportFormat, const std::filesystem::path& to,
                                     HRESULT* result, uint32_t rate = 44100,
                                     uint16_t channels = 2) {
        auto c = std::make_unique<Converter>(ConverterServices{&registry, {}, {}});
        c->exportFormat = exportFormat;
        c->targetFormat.nSamplesPerSec = rate;
        c->targetFormat.nChannels = channels;
        c->targetFormat.wBitsPerSample = 16;
        c->Prepare(from, to, sourceFormat, {}, 1632);
        *result = c->BuildGraph();
        return c;
    }

    void RunToEnd(Converter& c) {
        ASSERT_GE(c.Run(), 0);
        int32_t code = 0;
        ASSERT_EQ(c.Events()->WaitForCompletion(30000, &code), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
    }

    CVorbisEnc* Encoder(Converter& c) {
        IBaseFilter* filter = nullptr;
        if (FAILED(c.Graph()->FindFilterByName(names::kOggCompressor, &filter))) return nullptr;
        return dynamic_cast<CVorbisEnc*>(filter);
    }

    // Encodes the tone to Ogg Vorbis with the stored settings; the path of the result.
    std::filesystem::path MakeOgg(const std::string& name) {
        const auto ogg = workDir() / name;
        HRESULT hr = E_FAIL;
        auto c = Build(source, kFormatWav, kFormatOgg, ogg, &hr);
        EXPECT_EQ(hr, S_OK);
        RunToEnd(*c);
        c->ReleaseGraph();
        return ogg;
    }

    test::PcmAudio tone = test::MakeSine(44100, 2, 1.5, 440, 0.5);
    std::filesystem::path source;
};

TEST_F(OggGraphTest, WavToOggEncodesTheTone) {
    const auto ogg = root() / "out.ogg";
    HRESULT hr = E_FAIL;
    auto c = Build(source, kFormatWav, kFormatOgg, ogg, &hr);
    ASSERT_EQ(hr, S_OK);
    const auto filters = c->FilterNames();
    for (const char* name :
         {names::kMusicSource, names::kSampleSizeConverter, names::kSampleRateConverter,
          names::kTsFixer, names::kOggCompressor, names::kOggMux, names::kFileWriter}) {
        EXPECT_TRUE(Contains(filters, name)) << name;
    }
    EXPECT_FALSE(Contains(filters, names::kWaveWriter));
    RunToEnd(*c);
    c->ReleaseGraph();

    const auto decoded = test::DecodeWithFfmpeg(ogg);
    EXPECT_EQ(decoded.container, "ogg");
    EXPECT_EQ(decoded.audio.sampleRate, 44100);
    EXPECT_EQ(decoded.audio.channels, 2);
    EXPECT_NEAR(decoded.audio.seconds(), 1.5, 0.05);
    const auto middle = test::Slice(decoded.audio, 0.2, 1.3);
    EXPECT_NEAR(test::RmsDb(middle, 0), test::RmsDb(tone, 0), 1.0);
    EXPECT_NEAR(test::EstimateFrequency(middle, 1), 440.0, 1.0);
}

TEST_F(OggGraphTest, ProgressFollowsThePagesTheMuxWrote) {
    // Noise fills many pages; the position is the time of the last page written, which lags
    // the end by at most a page.
    test::PcmAudio noise;
    noise.sampleRate = 44100;
    noise.channels = 2;
    uint32_t x = 99;
    for (int i = 0; i < 44100 * 2 * 6; ++i) {
        x = x * 1664525 + 1013904223;
        noise.samples.push_back((double(x >> 8) / double(1 << 24) - 0.5) * 0.8);
    }
    const auto noisy = workDir() / "noise.wav";
    test::WriteWav(noisy, noise);
    HRESULT hr = E_FAIL;
    auto c = Build(noisy, kFormatWav, kFormatOgg, root() / "noise.ogg", &hr);
    ASSERT_EQ(hr, S_OK);
    c->durationSeconds = 6.0;
    EXPECT_EQ(c->GetProgressPercent(), 0);
    RunToEnd(*c);
    const int32_t percent = c->GetProgressPercent();
    EXPECT_GE(percent, 85);
    EXPECT_LE(percent, 100);
}

TEST_F(OggGraphTest, OggSettingsReachTheEncoder) {
    struct Case {
        int32_t qualityBased, bitrateMode;
        double quality;
        VorbisFormatBlock expected;
        bool managed;
    };
    const Case cases[] = {
        {1, 0, 50.0, {2, 44100, 64000, 112000, 128000, 0.45f}, false},
        {0, 0, 0.5, {2, 44100, 64000, 112000, 128000, -1.0f}, false},
        {0, 1, 0.5, {2, 44100, -1, 112000, -1, -1.0f}, true},
        {0, 2, 0.5, {2, 44100, -1, 112000, -1, -1.0f}, false},
        {0, 3, 0.5, {2, 44100, 112000, 112000, 112000, -1.0f}, false},
        {0, 9, 0.5, {2, 44100, -1, 112000, -1, -1.0f}, false},  // unknown: like ABR
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message()
                     << "quality based " << k.qualityBased << " mode " << k.bitrateMode);
        OggSettings settings;
        settings.qualityBased = k.qualityBased;
        settings.bitrateMode = k.bitrateMode;
        settings.quality = k.quality;
        ASSERT_TRUE(SettingsStore().WriteOggSettings(settings));
        HRESULT hr = E_FAIL;
        auto c = Build(source, kFormatWav, kFormatOgg, root() / "x.ogg", &hr);
        ASSERT_EQ(hr, S_OK);
        CVorbisEnc* encoder = Encoder(*c);
        ASSERT_NE(encoder, nullptr);
        const VorbisFormatBlock stored = encoder->StoredSettings();
        EXPECT_EQ(stored.minBitsPerSec, k.expected.minBitsPerSec);
        EXPECT_EQ(stored.avgBitsPerSec, k.expected.avgBitsPerSec);
        EXPECT_EQ(stored.maxBitsPerSec, k.expected.maxBitsPerSec);
        EXPECT_NEAR(stored.quality, k.expected.quality, 1e-6);
        EXPECT_EQ(encoder->ManagedVbr(), k.managed);
    }
}

TEST_F(OggGraphTest, SettingsLibvorbisRefusesFailAfterTheWholeGraphIsBuilt) {
    OggSettings settings;
    settings.qualityBased = 0;
    settings.bitrateMode = 3;  // constant 500 kbit/s at 8000 Hz mono: no such set-up
    settings.avgBitrate = 500;
    settings.sampleRate = 8000;
    settings.channels = 1;
    ASSERT_TRUE(SettingsStore().WriteOggSettings(settings));
    HRESULT hr = S_OK;
    // The owner takes rate and channels of the target from the same record.
    auto c = Build(source, kFormatWav, kFormatOgg, root() / "refused.ogg", &hr, 8000, 1);
    EXPECT_EQ(hr, E_VORBIS_SETTINGS_REJECTED);
    const auto filters = c->FilterNames();
    EXPECT_TRUE(Contains(filters, names::kOggMux));
    EXPECT_TRUE(Contains(filters, names::kFileWriter));
    EXPECT_EQ(c->ReleaseGraph(), S_OK);
}

TEST_F(OggGraphTest, ATrialStartThatFailsEndsTheBuildWithItsResult) {
    // Not a refusal of the settings (S_FALSE) but a failure of the encoder: passed up as it is.
    struct FailingTrial final : CVorbisEnc {
        HRESULT TrialStartStreaming() override { return E_OUTOFMEMORY; }
    };
    auto entry = registry.Find(CLSID_VorbisEnc);
    ASSERT_TRUE(entry);
    entry->create = [] { return std::make_shared<FailingTrial>(); };
    registry.Register(std::move(*entry));
    HRESULT hr = S_OK;
    auto c = Build(source, kFormatWav, kFormatOgg, root() / "failed.ogg", &hr);
    EXPECT_EQ(hr, E_OUTOFMEMORY);
    EXPECT_EQ(c->ReleaseGraph(), S_OK);
}

TEST_F(OggGraphTest, OggSourcesAreProbedAndConverted) {
    const auto ogg = MakeOgg("encoded.wav");  // the name says WAV; the content decides
    const auto probed = ProbeFile(ogg, registry);
    EXPECT_EQ(probed.formatName, "OGG");
    EXPECT_NEAR(probed.seconds, 1.5, 0.05);

    const auto wav = root() / "back.wav";
    HRESULT hr = E_FAIL;
    auto c = Build(ogg, kFormatOgg, kFormatWav, wav, &hr);
    ASSERT_EQ(hr, S_OK);
    const auto filters = c->FilterNames();
    for (const char* name : {names::kSplitter, names::kDecoder, names::kIntermediate}) {
        EXPECT_TRUE(Contains(filters, name)) << name;
    }
    EXPECT_FALSE(Contains(filters, names::kSampleSizeConverter));
    RunToEnd(*c);
    c->ReleaseGraph();
    const auto back = test::ReadWav(wav);
    EXPECT_NEAR(back.audio.seconds(), 1.5, 0.05);
    EXPECT_NEAR(test::RmsDb(test::Slice(back.audio, 0.2, 1.3), 0), test::RmsDb(tone, 0), 1.0);
}

}  // namespace
}  // namespace tarnel
