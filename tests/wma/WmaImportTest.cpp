// WMA sources through the Converter: probing, WMA to WAV against FFmpeg's own decode, WMA to
// WMA without a PCM converter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/Converter.h"
#include "engine/SourceProbe.h"
#include "framework/FilterRegistry.h"
#include "platform/media/SystemFilters.h"
#include "settings/SettingsStore.h"
#include "tests/platform/asf/AsfTestKit.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

class WmaImportTest : public test::IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        std::filesystem::create_directories(workDir());
        RegisterSystemFilters(registry);
        source = workDir() / "song.wma";
        sine = test::MakeSine(44100, 2, 4.0, 880, 0.5);
        test::WriteAsfWithFfmpeg(source, sine, "wmav2", 128000);
    }

    std::unique_ptr<Converter> Make(int32_t exportFormat, const std::filesystem::path& output) {
        auto c = std::make_unique<Converter>(ConverterServices{&registry, {}, {}});
        c->exportFormat = exportFormat;
        c->targetFormat.nSamplesPerSec = 44100;
        c->targetFormat.nChannels = 2;
        c->targetFormat.wBitsPerSample = 16;
        c->Prepare(source, output, kFormatWma, {}, 1632);
        return c;
    }

    int32_t RunToEnd(Converter& c) {
        EXPECT_GE(c.Run(), 0);
        int32_t code = 0;
        EXPECT_EQ(c.Events()->WaitForCompletion(60000, &code), S_OK);
        return code;
    }

    static bool Has(const std::vector<std::string>& names, const char* name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    FilterRegistry registry;
    std::filesystem::path source;
    test::PcmAudio sine;
};

TEST_F(WmaImportTest, WmaFilesProbeAsWmaWithTheirDurationAndPcmInAsfIsRefused) {
    const ProbeResult probed = ProbeFile(source, registry);
    EXPECT_EQ(probed.result, S_OK);
    EXPECT_EQ(probed.formatName, "WMA");
    EXPECT_NEAR(probed.seconds, 4.0, 0.1);

    const auto pcm = workDir() / "pcm.wma";
    test::WriteAsfWithFfmpeg(pcm, test::MakeSine(44100, 2, 1.0, 440, 0.5), "pcm_s16le", 0);
    double seconds = 0;
    EXPECT_EQ(ProbeWma(pcm, &seconds, registry), NS_E_INVALID_INPUT_FORMAT);
    EXPECT_EQ(seconds, -1.0);

    const auto broken = workDir() / "broken.wma";
    auto bytes = test::ReadFileBytes(source);
    bytes.resize(200);
    test::WriteFileBytes(broken, bytes);
    EXPECT_FALSE(ProbeFile(broken, registry).formatName == "WMA");
}

TEST_F(WmaImportTest, WmaToWavGivesWhatFfmpegDecodes) {
    const auto output = workDir() / "out.wav";
    auto c = Make(kFormatWav, output);
    ASSERT_EQ(c->BuildGraph(), S_OK);
    const auto names = c->FilterNames();
    EXPECT_TRUE(Has(names, "WMA Decoder"));
    EXPECT_TRUE(Has(names, "Intermediate"));
    c->durationSeconds = 4.0;
    EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    EXPECT_GE(c->GetProgressPercent(), 99);  // the packets end within the last frame
    c->ReleaseGraph();

    const auto ours = test::ReadWav(output).audio;
    const auto reference = test::DecodeWithFfmpeg(source).audio;
    ASSERT_EQ(ours.channels, 2);
    EXPECT_EQ(ours.sampleRate, 44100);
    EXPECT_EQ(ours.frames(), reference.frames());
    double worst = 0;
    const size_t n = std::min(ours.samples.size(), reference.samples.size());
    for (size_t i = 0; i < n; ++i) {
        worst = std::max(worst,
                         std::abs(ours.samples[i] - std::clamp(reference.samples[i], -1.0, 1.0)));
    }
    EXPECT_LT(worst, 2.0 / 32768);
    EXPECT_NEAR(test::RmsDb(ours, 0, 4096), test::RmsDb(sine, 0), 1.0);
}

TEST_F(WmaImportTest, WmaToWmaDecodesAndEncodesWithoutAPcmConverter) {
    const auto output = workDir() / "again.wma";
    SettingsStore().EnsureDefaults();
    auto c = Make(kFormatWma, output);
    c->wmaCodecIndex = 1;  // re-encoded with the other codec
    c->wmaFormatIndex = 24;
    ASSERT_EQ(c->BuildGraph(), S_OK);
    const auto names = c->FilterNames();
    EXPECT_TRUE(Has(names, "WMA Decoder")) << "inserted between the source and TS Fixer";
    EXPECT_FALSE(Has(names, "Intermediate"));
    EXPECT_FALSE(Has(names, "Samp Rate Conveter"));
    EXPECT_EQ(RunToEnd(*c), EC_COMPLETE);
    c->ReleaseGraph();
    const auto decoded = test::DecodeWithFfmpeg(output);
    EXPECT_EQ(decoded.codecName, "wmav1");
    EXPECT_NEAR(decoded.audio.seconds(), 4.0, 0.15);
    EXPECT_NEAR(test::RmsDb(decoded.audio, 0, 8192), test::RmsDb(sine, 0), 1.0);
    EXPECT_NEAR(test::EstimateFrequency(decoded.audio, 0, 8192), 880.0, 8.0);
}

}  // namespace
}  // namespace tarnel
