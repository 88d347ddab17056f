#include "engine/SourceProbe.h"

#include <gtest/gtest.h>

#include "framework/Guids.h"
#include "tests/engine/EngineFixture.h"
#include "tests/engine/Mp3Fixtures.h"
#include "tests/engine/ScriptedSource.h"
#include "tests/support/TestAudio.h"

namespace tarnel {
namespace {

class SourceProbeTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        test::RegisterScriptedSource(registry);
    }

    std::filesystem::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        auto path = workDir() / name;
        test::WriteFileBytes(path, bytes);
        return path;
    }
};

TEST_F(SourceProbeTest, WavIsRecognisedByContentWhateverItsName) {
    const auto bytes = test::EncodeWav(test::MakeSine(22050, 1, 1.5, 440, 0.5));
    for (const char* name : {"tone.wav", "tone.mp3", "tone.ogg", "tone"}) {
        const auto path = Write(name, bytes);
        const auto result = ProbeFile(path, registry);
        EXPECT_EQ(result.result, S_OK) << name;
        EXPECT_EQ(result.formatName, "WAV") << name;
        EXPECT_NEAR(result.seconds, 1.5, 1e-6) << name;
        EXPECT_EQ(test::ReadFileBytes(path), bytes) << "probing never writes";
    }
}

TEST_F(SourceProbeTest, FirstOutputTypeOfAWavFileIsAWaveStream) {
    const auto path = Write("a.wav", test::EncodeWav(test::MakeSine(8000, 2, 0.5, 440, 0.5)));
    GUID major, subtype;
    ASSERT_EQ(GetFirstOutputType(path, &major, &subtype, registry), S_OK);
    EXPECT_EQ(major, MEDIATYPE_Stream);
    EXPECT_EQ(subtype, MEDIASUBTYPE_WAVE);
    int64_t units = 0;
    ASSERT_EQ(MeasureDuration(path, false, &units, registry), S_OK);
    EXPECT_EQ(units, 5'000'000);
}

TEST_F(SourceProbeTest, WavWithoutAudioGetsTheDefaultDuration) {
    const auto path = Write("empty.wav", test::EncodeWav(test::MakeSine(44100, 2, 0.0, 440, 0.5)));
    double seconds = 0;
    ASSERT_GE(ProbeWav(path, &seconds, registry), 0);
    EXPECT_DOUBLE_EQ(seconds, 3.9);
}

TEST_F(SourceProbeTest, ConstantBitrateMp3OfNFramesLastsNTimes1152Samples) {
    const auto path = Write("song.wav", test::MakeMpegFrames({}, 1000));  // name misleads
    double seconds = 0;
    EXPECT_EQ(ProbeMp3(path, &seconds, registry), S_OK);
    EXPECT_DOUBLE_EQ(seconds, 1000 * 1152.0 / 44100.0);
    const auto result = ProbeFile(path, registry);
    EXPECT_EQ(result.formatName, "MP3");
    EXPECT_DOUBLE_EQ(result.seconds, 1000 * 1152.0 / 44100.0);
}

TEST_F(SourceProbeTest, Mp3AfterAnId3TagWithAPicture) {
    auto bytes = test::MakeId3v2Tag(20000);
    const auto audio = test::MakeMpegFrames({}, 300);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    const auto result = ProbeFile(Write("tagged.mp3", bytes), registry);
    EXPECT_EQ(result.formatName, "MP3");
    EXPECT_DOUBLE_EQ(result.seconds, 300 * 1152.0 / 44100.0);
}

TEST_F(SourceProbeTest, FewerThanTwentyFramesIsNotMp3) {
    const auto path = Write("short.mp3", test::MakeMpegFrames({}, 19));
    double seconds = 0;
    EXPECT_EQ(ProbeMp3(path, &seconds, registry), VFW_E_UNSUPPORTED_STREAM);
    EXPECT_EQ(seconds, -1.0);
    const auto result = ProbeFile(path, registry);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_TRUE(result.formatName.empty());
}

TEST_F(SourceProbeTest, OggNeedsItsMarkerAndThenItsDecoder) {
    double seconds = 0;
    const auto notOgg = Write("a.ogg", test::EncodeWav(test::MakeSine(8000, 1, 0.2, 440, 0.5)));
    EXPECT_EQ(ProbeOgg(notOgg, &seconds, registry), E_FAIL);
    EXPECT_EQ(seconds, -1.0);

    // An Ogg page header without the Ogg splitter and Vorbis decoder installed: the probe fails
    // with the missing filter's result, and so does the whole file.
    std::vector<uint8_t> page = {'O', 'g', 'g', 'S', 0, 2};
    page.resize(4096, 0);
    const auto ogg = Write("b.ogg", page);
    const HRESULT hr = ProbeOgg(ogg, &seconds, registry);
    EXPECT_LT(hr, 0);
    EXPECT_EQ(seconds, -1.0);
    EXPECT_FALSE(ProbeFile(ogg, registry).Succeeded());
}

TEST_F(SourceProbeTest, WmaSubtypesAreAcceptedAndPcmIsRefused) {
    for (uint32_t tag : {0x0160u, 0x0161u, 0x0162u, 0x0163u, 0x0130u, 0x000Au}) {
        const auto path = workDir() / ("w" + std::to_string(tag) + ".wma");
        test::WriteScriptedSourceFile(path, tag, 125'000'000);
        double seconds = 0;
        EXPECT_EQ(ProbeWma(path, &seconds, registry), S_OK) << tag;
        EXPECT_DOUBLE_EQ(seconds, 12.5);
        const auto result = ProbeFile(path, registry);
        EXPECT_EQ(result.formatName, "WMA") << tag;
    }

    const auto pcm = workDir() / "pcm.wma";
    test::WriteScriptedSourceFile(pcm, 0x0001, 10'000'000);
    double seconds = 0;
    EXPECT_EQ(ProbeWma(pcm, &seconds, registry), NS_E_INVALID_INPUT_FORMAT);
    EXPECT_EQ(seconds, -1.0);
    // A reader that offers PCM audio is taken by the WAV probe instead.
    EXPECT_EQ(ProbeFile(pcm, registry).formatName, "WAV");

    const auto mp3InAsf = workDir() / "other.wma";
    test::WriteScriptedSourceFile(mp3InAsf, 0x0055, 10'000'000);
    EXPECT_EQ(ProbeWma(mp3InAsf, &seconds, registry), VFW_E_UNSUPPORTED_STREAM);
    EXPECT_FALSE(ProbeFile(mp3InAsf, registry).Succeeded());
}

TEST_F(SourceProbeTest, ASourceWithoutDurationGetsThreePointNineSeconds) {
    const auto path = workDir() / "zero.wma";
    test::WriteScriptedSourceFile(path, 0x0161, 0);
    const auto result = ProbeFile(path, registry);
    EXPECT_EQ(result.formatName, "WMA");
    EXPECT_DOUBLE_EQ(result.seconds, 3.9);
}

TEST_F(SourceProbeTest, FilesThatAreNoAudioAreRefusedQuietly) {
    std::vector<uint8_t> noise(50000);
    uint32_t x = 12345;
    for (auto& b : noise) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 24);
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::vector<uint8_t>>>{
             {"noise.mp3", noise},
             {"empty.wav", {}},
             {"text.ogg", {'h', 'e', 'l', 'l', 'o'}},
             {"riff.wav", {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E'}}}) {
        const auto result = ProbeFile(Write(name, bytes), registry);
        EXPECT_FALSE(result.Succeeded()) << name;
        EXPECT_EQ(result.seconds, -1.0) << name;
    }
    EXPECT_FALSE(ProbeFile(workDir() / "missing.wav", registry).Succeeded());
    EXPECT_FALSE(ProbeFile(workDir(), registry).Succeeded());
}

}  // namespace
}  // namespace tarnel
