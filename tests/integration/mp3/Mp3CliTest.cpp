// tarnel-convert with MP3: export through the document's run (the RIFF container unwrapped into
// the final .mp3), MP3 sources listed with their duration and converted to WAV.
#include <gtest/gtest.h>

#include <cstdio>

#include "settings/SettingsStore.h"
#include "tests/cli_convert/RunProcess.h"
#include "tests/filters/mp3enc/Mpg123Reference.h"
#include "tests/filters/mp3enc/TestSignals.h"
#include "tests/platform/mpeg/MpegTestStreams.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel::test {
namespace {

namespace fs = std::filesystem;

class Mp3Cli : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        fs::create_directories(workDir());
    }
    ProcessResult Run(const std::vector<std::string>& args, const std::string& tag = "run") {
        return RunProcess(TARNEL_CONVERT_PATH, args, root(), tag);
    }
    std::string At(const std::string& name) const { return (workDir() / name).string(); }
};

TEST_F(Mp3Cli, WavExportIsARawMpegStream) {
    const auto sine = MakeSine(44100, 2, 2.0, 1000, 0.5);
    WriteWav(At("a.wav"), sine);
    const ProcessResult r = Run({"--quiet", "--format", "mp3", At("a.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const auto bytes = ReadFileBytes(At("a-wav-conv.mp3"));
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xFF) << "no RIFF header before the first frame";
    EXPECT_EQ(bytes[1] & 0xE0, 0xE0);
    auto decoded = DecodeMp3File(At("a-wav-conv.mp3"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->audio.sampleRate, 44100);
    EXPECT_GE(decoded->audio.frames(), sine.frames());
    EXPECT_LE(decoded->audio.frames(), sine.frames() + 576 + 529 + 1152);
    const auto middle = SliceFrames(decoded->audio, 4410, sine.frames());
    EXPECT_NEAR(RmsDb(middle, 0), RmsDb(sine, 0), 1.0);
}

TEST_F(Mp3Cli, Mp3SourcesAreListedWithTheirDuration) {
    const auto lame = EncodeWithLame(MakeSine(44100, 2, 2.0, 440, 0.5));
    WriteFileBytes(At("song.mp3"), lame.bytes);
    const ProcessResult r = Run({"--list", At("song.mp3")});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", lame.frames * 1152.0 / 44100);
    EXPECT_EQ(r.out, At("song.mp3") + "\tMP3\t" + seconds + "\n");
}

TEST_F(Mp3Cli, Mp3ToWavMatchesLibmpg123) {
    const auto lame = EncodeWithLame(MakeTwoToneStereo(44100, 2.0, 440, 3000, 0.5),
                                     {.bitrate = 192, .vbr = true, .infoTag = true});
    WriteFileBytes(At("song.mp3"), lame.bytes);
    WavSettings wav;
    wav.sampleRate = 44100;
    wav.channels = 2;
    wav.bitsPerSample = 16;
    ASSERT_TRUE(SettingsStore().WriteWavSettings(wav));
    const ProcessResult r = Run({"--quiet", "--format", "wav", At("song.mp3")});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const WavInfo out = ReadWav(At("song-mp3-conv.wav"));
    auto reference = DecodeMp3File(At("song.mp3"));
    ASSERT_TRUE(reference);
    ASSERT_EQ(out.audio.samples.size(), reference->audio.samples.size());
    for (size_t i = 0; i < out.audio.samples.size(); ++i) {
        ASSERT_NEAR(out.audio.samples[i], reference->audio.samples[i], 1.0 / 32768 + 1e-9) << i;
    }
}

}  // namespace
}  // namespace tarnel::test
