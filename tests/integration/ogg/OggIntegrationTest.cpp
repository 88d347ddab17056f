// Ogg export, Ogg sources and Ogg probing end to end: the conversion engine's Converter over
// the system filter stand-ins and our Ogg filters, and the real tarnel-convert program. Outputs
// are checked with libvorbisfile and the independent WAV reader.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "engine/Converter.h"
#include "engine/SourceProbe.h"
#include "filters/oggmux/COggMux.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "filters/vorbisenc/CVorbisEnc.h"
#include "platform/media/SystemFilters.h"
#include "settings/SettingsStore.h"
#include "tests/filters/oggcommon/OggTestFiles.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"
#ifdef TARNEL_CONVERT_PATH
#include "tests/cli_convert/RunProcess.h"
#endif

namespace tarnel {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kOgg = 202;
constexpr int32_t kWav = 203;

#ifdef TARNEL_CONVERT_PATH
// The output path of the first "converted: SOURCE -> OUTPUT" line.
fs::path ConvertedPath(const std::string& out) {
    const std::string marker = " -> ";
    size_t line = out.find("converted: ");
    if (line == std::string::npos) return {};
    size_t arrow = out.find(marker, line);
    size_t end = out.find('\n', arrow);
    if (arrow == std::string::npos) return {};
    return out.substr(arrow + marker.size(), end - arrow - marker.size());
}
#endif

class OggIntegration : public test::IsolatedTest {
protected:
    void SetUp() override {
        test::IsolatedTest::SetUp();
        fs::create_directories(workDir());
        RegisterSystemFilters(registry_);
        RegisterOggSplitter(registry_);
        RegisterVorbisDecoder(registry_);
        RegisterVorbisEncoder(registry_);
        RegisterOggMux(registry_);
    }

    // Converts one file as the conversion run does; the BuildGraph result when it fails, else
    // the completion event's code (EC_COMPLETE on success). Progress at the end in *percent.
    HRESULT Convert(const fs::path& source, int32_t sourceFormat, int32_t exportFormat,
                    const fs::path& output, int32_t* percent = nullptr) {
        ConverterServices services;
        services.registry = &registry_;
        Converter converter(services);
        converter.exportFormat = exportFormat;
        SettingsStore store;
        if (exportFormat == kOgg) {
            OggSettings ogg;
            store.ReadOggSettings(ogg);
            converter.targetFormat.nChannels = static_cast<uint16_t>(ogg.channels);
            converter.targetFormat.nSamplesPerSec = static_cast<uint32_t>(ogg.sampleRate);
        } else {
            WavSettings wav;
            store.ReadWavSettings(wav);
            converter.targetFormat.nChannels = static_cast<uint16_t>(wav.channels);
            converter.targetFormat.nSamplesPerSec = static_cast<uint32_t>(wav.sampleRate);
        }
        converter.targetFormat.wBitsPerSample = 16;
        converter.Prepare(source, output, sourceFormat, {}, 1632);
        HRESULT hr = converter.BuildGraph();
        if (FAILED(hr)) {
            converter.ReleaseGraph();
            return hr;
        }
        auto probe = ProbeFile(source, registry_);
        converter.durationSeconds = probe.seconds;
        hr = converter.Run();
        if (FAILED(hr)) return hr;
        int32_t code = 0;
        hr = converter.Events()->WaitForCompletion(60000, &code);
        if (percent) *percent = converter.GetProgressPercent();
        converter.Stop();
        converter.ReleaseGraph();
        return FAILED(hr) ? hr : code;
    }

    FilterRegistry registry_;
};

TEST_F(OggIntegration, WavToOggIsSampleExactAtItsLevel) {
    const fs::path wav = workDir() / "tone.wav";
    auto audio = test::MakeSine(44100, 2, 5.0, 1000.0, 0.5);
    test::WriteWav(wav, audio);
    const fs::path ogg = workDir() / "tone.ogg";
    int32_t percent = 0;
    ASSERT_EQ(Convert(wav, kWav, kOgg, ogg, &percent), EC_COMPLETE);
    // The last page's time: its first packet, within the last page of audio.
    EXPECT_GE(percent, 50);
    EXPECT_LE(percent, 100);

    auto bytes = test::ReadFileBytes(ogg);
    auto pages = test::WalkOggPages(bytes);
    ASSERT_GT(pages.size(), 3u);
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_TRUE(pages[i].crcValid);
        EXPECT_EQ(pages[i].sequence, i);
    }
    auto decoded = test::DecodeWithVorbisfile(bytes);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.totalSamples, static_cast<int64_t>(audio.frames()));
    EXPECT_NEAR(test::RmsDb(decoded.audio, 0, 4410), test::RmsDb(audio, 0, 4410), 1.0);

    auto probe = ProbeFile(ogg, registry_);
    EXPECT_EQ(probe.formatName, "OGG");
    EXPECT_NEAR(probe.seconds, 5.0, 0.001);
}

TEST_F(OggIntegration, OggToWavMatchesLibvorbisfileAlsoUnderAnotherExtension) {
    auto audio = test::MakeSine(44100, 2, 3.0, 440.0, 0.5);
    auto bytes = test::EncodeOggVorbis(audio);
    auto reference = test::DecodeWithVorbisfile(bytes);
    ASSERT_TRUE(reference.ok);
    for (const char* name : {"song.ogg", "song.dat"}) {
        const fs::path source = workDir() / name;
        test::WriteFileBytes(source, bytes);
        auto probe = ProbeFile(source, registry_);
        EXPECT_EQ(probe.formatName, "OGG") << name;
        const fs::path wav = workDir() / (std::string(name) + ".wav");
        ASSERT_EQ(Convert(source, kOgg, kWav, wav), EC_COMPLETE) << name;
        test::WavInfo info = test::ReadWav(wav);
        ASSERT_EQ(info.audio.samples.size(), reference.pcm16.size()) << name;
        double worst = 0;
        for (size_t i = 0; i < reference.pcm16.size(); ++i)
            worst = std::max(worst, std::abs(info.audio.samples[i] * 32768.0 - reference.pcm16[i]));
        EXPECT_LE(worst, 2.0) << name;
    }
}

TEST_F(OggIntegration, RefusedSettingsFailTheBuildWithTheOggResult) {
    OggSettings ogg;
    ogg.qualityBased = 0;
    ogg.bitrateMode = 3;  // constant 8 kbit/s at 44.1 kHz stereo: libvorbis has no such mode
    ogg.avgBitrate = 8;
    SettingsStore().WriteOggSettings(ogg);
    const fs::path wav = workDir() / "tone.wav";
    test::WriteWav(wav, test::MakeSine(44100, 2, 0.5, 1000.0, 0.5));
    EXPECT_EQ(Convert(wav, kWav, kOgg, workDir() / "tone.ogg"), E_VORBIS_SETTINGS_REJECTED);
}

#ifdef TARNEL_CONVERT_PATH
TEST_F(OggIntegration, TarnelConvertWritesOggAndReportsRefusedSettings) {
    const fs::path wav = workDir() / "cli.wav";
    auto audio = test::MakeSine(44100, 2, 2.0, 500.0, 0.5);
    test::WriteWav(wav, audio);
    auto result = test::RunProcess(TARNEL_CONVERT_PATH, {"--format", "ogg", wav.string()}, root());
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    const fs::path ogg = ConvertedPath(result.out);
    ASSERT_EQ(ogg.extension(), ".ogg") << result.out;
    ASSERT_TRUE(fs::exists(ogg)) << result.out;
    auto decoded = test::DecodeWithVorbisfile(test::ReadFileBytes(ogg));
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.totalSamples, static_cast<int64_t>(audio.frames()));

    // Back to WAV from the Ogg file.
    fs::remove(wav);
    result =
        test::RunProcess(TARNEL_CONVERT_PATH, {"--format", "wav", ogg.string()}, root(), "back");
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    const fs::path backPath = ConvertedPath(result.out);
    ASSERT_EQ(backPath.extension(), ".wav") << result.out;
    test::WavInfo back = test::ReadWav(backPath);
    EXPECT_EQ(back.audio.frames(), audio.frames());

    // Settings libvorbis refuses: that file fails with the Ogg message, the next one converts.
    OggSettings refused;
    refused.qualityBased = 0;
    refused.bitrateMode = 3;
    refused.avgBitrate = 8;
    SettingsStore().WriteOggSettings(refused);
    const fs::path second = workDir() / "second.wav";
    test::WriteWav(second, test::MakeSine(22050, 1, 0.5, 300.0, 0.5));
    result = test::RunProcess(
        TARNEL_CONVERT_PATH, {"--format", "ogg", ogg.string(), second.string()}, root(), "refused");
    EXPECT_NE(result.exitCode, 0);
    // Both files were tried, each failing with the Ogg message.
    const std::string text = result.out + result.err;
    const std::string message =
        "The Ogg encoder could not manage to configure the current settings.";
    size_t first = text.find(message);
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_NE(text.find(message, first + 1), std::string::npos) << text;
    for (const auto& entry : fs::directory_iterator(workDir()))
        EXPECT_EQ(entry.path().filename().string().find("second-"), std::string::npos);
}
#endif

}  // namespace
}  // namespace tarnel
