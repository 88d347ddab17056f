// The preview graph for every kind of listed file: each plays to its end through the Audio
// Renderer, with the frames the source holds; the source is chosen by content, so a WAV named
// .ogg plays through the WAVE parser and an Ogg file named .wav through our Ogg filters.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/PreviewPlayer.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "filters/vorbisdec/CVorbisDec.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/renderer/CAudioRenderer.h"
#include "tests/engine/Mp3Fixtures.h"
#include "tests/filters/oggcommon/OggTestFiles.h"
#include "tests/platform/asf/AsfTestKit.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel::test {
namespace {

class PreviewPlayerTest : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        RegisterSystemFilters(registry);
        RegisterOggSplitter(registry);
        RegisterVorbisDecoder(registry);
    }
    // Plays the file to its end; the frames that reached the device, or -1.
    int64_t PlayToEnd(const std::filesystem::path& file, std::vector<std::string>* names) {
        PreviewPlayer player(registry);
        EXPECT_GE(player.Open(file.string(), nullptr, kPreviewEventMessage), 0) << file;
        if (!player.IsOpen() || player.Run() < 0) return -1;
        *names = player.Graph()->FilterNames();
        int32_t code = 0;
        if (player.Graph()->WaitForCompletion(20000, &code) != S_OK || code != EC_COMPLETE) {
            return -1;
        }
        auto* renderer = dynamic_cast<media::CAudioRenderer*>(
            player.Graph()->FindFilter(media::kAudioRendererName));
        return renderer ? renderer->FramesPlayed() : -1;
    }
    static bool Has(const std::vector<std::string>& names, const char* name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    FilterRegistry registry;
};

TEST_F(PreviewPlayerTest, EveryListedFormatPlaysToItsEnd) {
    const PcmAudio sine = MakeSine(44100, 2, 0.3, 440.0, 0.5);
    const auto dir = workDir();
    struct Case {
        std::filesystem::path file;
        int rate;
        const char* mustHave;
        int64_t slack;  // frames a codec may add or drop at the ends
    };
    std::vector<Case> cases;

    WriteWav(dir / "pcm8.wav", MakeSine(22050, 1, 0.3, 440.0, 0.5, 8));
    cases.push_back({dir / "pcm8.wav", 22050, "Wave Parser", 0});
    WriteWav(dir / "pcm24.ogg", MakeSine(48000, 2, 0.3, 440.0, 0.5, 24));  // a WAV by content
    cases.push_back({dir / "pcm24.ogg", 48000, "ACM Wrapper", 0});
    PcmAudio floats = sine;
    floats.bitsPerSample = 32;
    floats.isFloat = true;
    WriteWav(dir / "float.wav", floats);
    cases.push_back({dir / "float.wav", 44100, "Wave Parser", 0});
    WriteLameMp3(dir / "song.mp3", sine);
    cases.push_back({dir / "song.mp3", 44100, "MPEG Layer-3 Decoder", 2304});
    WriteAsfWithFfmpeg(dir / "song.wma", sine, "wmav2", 128000);
    cases.push_back({dir / "song.wma", 44100, "WMA Decoder", 4096});
    WriteFileBytes(dir / "song.wav", EncodeOggVorbis(sine));  // an Ogg file by content
    cases.push_back({dir / "song.wav", 44100, "Splitter", 0});

    for (const Case& c : cases) {
        std::vector<std::string> names;
        const int64_t frames = PlayToEnd(c.file, &names);
        const int64_t expected = static_cast<int64_t>(0.3 * c.rate);
        EXPECT_NEAR(frames, expected, c.slack) << c.file;
        EXPECT_TRUE(Has(names, c.mustHave)) << c.file;
        EXPECT_TRUE(Has(names, media::kAudioRendererName)) << c.file;
    }
}

}  // namespace
}  // namespace tarnel::test
