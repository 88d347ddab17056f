// WAV to WMA through the Converter's WMA graph, checked by FFmpeg's own demuxer and decoder.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/Converter.h"
#include "framework/FilterRegistry.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/asf/AsfFileLayout.h"
#include "settings/SettingsStore.h"
#include "tests/platform/asf/AsfTestKit.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

class WmaExportTest : public test::IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        std::filesystem::create_directories(workDir());
        RegisterSystemFilters(registry);
        output = workDir() / "out.tmp";
    }

    std::unique_ptr<Converter> Make(const std::filesystem::path& source, int32_t sourceFormat,
                                    int32_t codec = 0, int32_t format = 24, uint8_t vbr = 0) {
        auto c = std::make_unique<Converter>(ConverterServices{&registry, {}, {}});
        c->exportFormat = kFormatWma;
        c->wmaCodecIndex = codec;
        c->wmaFormatIndex = format;
        c->wmaVbr = vbr;
        c->Prepare(source, output, sourceFormat, {}, 1632);
        return c;
    }

    int32_t RunToEnd(Converter& c) {
        EXPECT_GE(c.Run(), 0);
        int32_t code = 0;
        EXPECT_EQ(c.Events()->WaitForCompletion(60000, &code), S_OK);
        return code;
    }

    bool Indexed() {
        const auto bytes = test::ReadFileBytes(output);
        SpanByteSource source(bytes);
        auto layout = media::ReadAsfLayout(source);
        EXPECT_TRUE(layout.has_value());
        return layout && layout->hasSimpleIndex;
    }

    FilterRegistry registry;
    std::filesystem::path output;
};

TEST_F(WmaExportTest, WavBecomesA128KbpsWmaFileOfTheSameLengthAndLevel) {
    const auto source = workDir() / "tone.wav";
    const auto sine = test::MakeSine(44100, 2, 5.0, 1000, 0.5);
    test::WriteWav(source, sine);
    SettingsStore().EnsureDefaults();  // "Index WMA Files" = 1, as at start-up
    auto c = Make(source, kFormatWav);
    ASSERT_EQ(c->BuildGraph(), S_OK);
    const auto names = c->FilterNames();
    for (const char* name : {"Music Source", "TS Fixer", "ASF Mux"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    }
    for (const char* name : {"Samp Rate Conveter", "Intermediate", "8-16 Converter"}) {
        EXPECT_EQ(std::find(names.begin(), names.end(), name), names.end()) << name;
    }
    c->durationSeconds = 5.0;
    EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    EXPECT_EQ(c->GetProgressPercent(), 100);
    c->ReleaseGraph();

    const auto decoded = test::DecodeWithFfmpeg(output);
    EXPECT_EQ(decoded.codecName, "wmav2");
    EXPECT_EQ(decoded.bitrate, 128000);
    EXPECT_EQ(decoded.audio.sampleRate, 44100);
    EXPECT_EQ(decoded.audio.channels, 2);
    EXPECT_NEAR(decoded.audio.seconds(), 5.0, 0.1);
    EXPECT_NEAR(decoded.containerSeconds, 5.0, 0.1);
    EXPECT_NEAR(test::RmsDb(decoded.audio, 0, 8192), test::RmsDb(sine, 0), 1.0);
    EXPECT_NEAR(test::EstimateFrequency(decoded.audio, 1, 8192), 1000.0, 5.0);
    EXPECT_TRUE(Indexed());
}

TEST_F(WmaExportTest, AnEightBitMonoSourceIsWidenedAndConvertedByTheWriter) {
    const auto source = workDir() / "mono8.wav";
    const auto sine = test::MakeSine(22050, 1, 3.0, 300, 0.5, 8);
    test::WriteWav(source, sine);
    ASSERT_TRUE(SettingsStore().WriteFormat(kFormatWma));  // the key now exists without the index
    auto c = Make(source, kFormatUnknown, 1, 0);           // the second codec, its first format
    ASSERT_EQ(c->BuildGraph(), S_OK);
    EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    c->ReleaseGraph();
    const auto decoded = test::DecodeWithFfmpeg(output);
    EXPECT_EQ(decoded.codecName, "wmav1");
    EXPECT_NEAR(decoded.audio.seconds(), 3.0, 0.1);
    EXPECT_NEAR(test::RmsDb(decoded.audio, 0, 8192), test::RmsDb(sine, 0), 1.0);
    EXPECT_NEAR(test::EstimateFrequency(decoded.audio, 0, 8192), 300.0, 3.0);
    EXPECT_FALSE(Indexed()) << "a missing \"Index WMA Files\" in an existing key reads as off";
}

TEST_F(WmaExportTest, ChoicesTheRuntimeCannotServeFailTheBuild) {
    const auto source = workDir() / "tone.wav";
    test::WriteWav(source, test::MakeSine(44100, 2, 0.5, 440, 0.5));
    {
        auto c = Make(source, kFormatWav, 99);
        EXPECT_TRUE(FAILED(c->BuildGraph()));
        c->ReleaseGraph();
    }
    {
        auto c = Make(source, kFormatWav, 0, 24, 1);  // VBR: the encoders have none
        EXPECT_EQ(c->BuildGraph(), E_INVALIDARG);
        c->ReleaseGraph();
    }
    {
        auto c = Make(source, kFormatWav, 0, 999);  // past the list: the middle format
        ASSERT_EQ(c->BuildGraph(), S_OK);
        EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    }
}

}  // namespace
}  // namespace tarnel
