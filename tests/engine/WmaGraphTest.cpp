// WMA through the conversion engine with the Windows Media stand-ins: export from WAV into the
// ASF writer, WMA sources into WMA (no PCM converter) and into WAV (through the WMA decoder).
#include <gtest/gtest.h>

#include "engine/Converter.h"
#include "engine/SourceProbe.h"
#include "platform/media/asf/WmaFilterRegistration.h"
#include "settings/SettingsStore.h"
#include "tests/engine/EngineFixture.h"
#include "tests/engine/FfmpegDecode.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

namespace names = graphnames;

class WmaGraphTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        RegisterWmaFilters(registry);
        source = workDir() / "tone.wav";
        test::WriteWav(source, tone);
    }

    std::unique_ptr<Converter> Build(const std::filesystem::path& from, int32_t sourceFormat,
                                     int32_t exportFormat, const std::filesystem::path& to,
                                     HRESULT* result) {
        auto c = std::make_unique<Converter>(ConverterServices{&registry, {}, {}});
        c->exportFormat = exportFormat;
        WmaSettings wma;
        SettingsStore().ReadWmaSettings(wma);
        c->wmaCodecIndex = wma.codecIndex;
        c->wmaFormatIndex = wma.formatIndex;
        c->wmaVbr = wma.vbr;
        c->targetFormat.nSamplesPerSec = 44100;
        c->targetFormat.nChannels = 2;
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

    std::filesystem::path MakeWma() {
        const auto wma = workDir() / "made.wma";
        HRESULT hr = E_FAIL;
        auto c = Build(source, kFormatWav, kFormatWma, wma, &hr);
        EXPECT_EQ(hr, S_OK);
        RunToEnd(*c);
        c->ReleaseGraph();
        return wma;
    }

    test::PcmAudio tone = test::MakeSine(44100, 2, 1.5, 440, 0.5);
    std::filesystem::path source;
};

TEST_F(WmaGraphTest, WavToWmaGoesStraightIntoTheAsfWriter) {
    const auto wma = root() / "out.wma";
    HRESULT hr = E_FAIL;
    auto c = Build(source, kFormatWav, kFormatWma, wma, &hr);
    ASSERT_EQ(hr, S_OK);
    const auto filters = c->FilterNames();
    for (const char* name : {names::kMusicSource, names::kTsFixer, names::kAsfMux}) {
        EXPECT_TRUE(Contains(filters, name)) << name;
    }
    for (const char* name : {names::kSampleSizeConverter, names::kSampleRateConverter,
                             names::kIntermediate, names::kWaveWriter, names::kFileWriter}) {
        EXPECT_FALSE(Contains(filters, name)) << name;
    }
    RunToEnd(*c);
    c->ReleaseGraph();
    const auto decoded = test::DecodeWithFfmpeg(wma);
    EXPECT_EQ(decoded.container, "asf");
    EXPECT_NEAR(decoded.audio.seconds(), 1.5, 0.1);
    EXPECT_NEAR(test::RmsDb(test::Slice(decoded.audio, 0.2, 1.3), 0), test::RmsDb(tone, 0), 1.5);
}

TEST_F(WmaGraphTest, WmaSourcesAreProbedAndConvertedBothWays) {
    const auto wma = MakeWma();
    const auto probed = ProbeFile(wma, registry);
    EXPECT_EQ(probed.formatName, "WMA");
    EXPECT_NEAR(probed.seconds, 1.5, 0.1);

    // WMA to WMA: the source feeds "TS Fixer" (intelligent connection puts a decoder between)
    // with no PCM converter of the engine's.
    HRESULT hr = E_FAIL;
    auto again = Build(wma, kFormatWma, kFormatWma, root() / "again.wma", &hr);
    ASSERT_EQ(hr, S_OK);
    for (const char* name : {names::kSampleRateConverter, names::kIntermediate}) {
        EXPECT_FALSE(Contains(again->FilterNames(), name)) << name;
    }
    RunToEnd(*again);
    again->ReleaseGraph();
    EXPECT_NEAR(test::DecodeWithFfmpeg(root() / "again.wma").audio.seconds(), 1.5, 0.15);

    // WMA to WAV: the WMA decoder part into the PCM converter.
    auto toWav = Build(wma, kFormatWma, kFormatWav, root() / "back.wav", &hr);
    ASSERT_EQ(hr, S_OK);
    for (const char* name : {names::kWmaDecoder, names::kIntermediate, names::kTsFixer}) {
        EXPECT_TRUE(Contains(toWav->FilterNames(), name)) << name;
    }
    RunToEnd(*toWav);
    toWav->ReleaseGraph();
    const auto back = test::ReadWav(root() / "back.wav");
    EXPECT_EQ(back.audio.sampleRate, 44100);
    EXPECT_NEAR(back.audio.seconds(), 1.5, 0.15);
}

TEST_F(WmaGraphTest, CodecIndexBeyondTheListFailsTheBuild) {
    WmaSettings wma;
    wma.codecIndex = 999;
    ASSERT_TRUE(SettingsStore().WriteWmaSettings(wma));
    HRESULT hr = S_OK;
    auto c = Build(source, kFormatWav, kFormatWma, root() / "none.wma", &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    EXPECT_EQ(c->ReleaseGraph(), S_OK);
}

}  // namespace
}  // namespace tarnel
