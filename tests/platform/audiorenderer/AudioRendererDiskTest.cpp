// What reached the device, observed independently: SDL's file-writing driver records every
// byte the renderer handed over, silence included. With the pause in the middle, the recording
// is the file's samples at the volume, then the silence SDL wrote while paused, then the rest:
// nothing lost, nothing repeated, no other gap.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "framework/FilterGraph.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/renderer/CAudioRenderer.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel::test {
namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class AudioRendererDisk : public IsolatedTest {};

TEST_F(AudioRendererDisk, RecordingIsTheDecodeAtTheVolumeWithOnlyThePauseBetween) {
    const auto recording = workDir() / "device.raw";
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", recording.string());

    PcmAudio audio = MakeSine(44100, 2, 0.6, 330.0, 0.3);
    for (double& s : audio.samples) s += 0.4;  // no silent frame anywhere in the signal
    const auto wav = workDir() / "in.wav";
    WriteWav(wav, audio);

    FilterRegistry registry;
    RegisterSystemFilters(registry);
    {
        FilterGraph graph(registry);
        ASSERT_EQ(graph.RenderFile(wav), S_OK);
        auto* renderer =
            dynamic_cast<media::CAudioRenderer*>(graph.FindFilter(media::kAudioRendererName));
        ASSERT_NE(renderer, nullptr);
        ASSERT_EQ(graph.put_Volume(-1000), S_OK);
        ASSERT_EQ(graph.Run(), S_OK);
        ASSERT_TRUE(renderer->WaitForFramesPlayed(8000, std::chrono::seconds(20)));
        ASSERT_EQ(graph.Pause(), S_OK);
        const int64_t atPause = renderer->FramesPlayed();
        // Paused, the device gets nothing more from the stream.
        EXPECT_FALSE(renderer->WaitForFramesPlayed(atPause + 1, std::chrono::milliseconds(150)));
        ASSERT_EQ(graph.Run(), S_OK);
        int32_t code = 0;
        ASSERT_EQ(graph.WaitForCompletion(20000, &code), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
        EXPECT_EQ(renderer->FramesPlayed(), static_cast<int64_t>(audio.frames()));
    }  // the graph closes the device, and SDL the recording

    const std::vector<uint8_t> bytes = ReadFileBytes(recording);
    std::vector<int16_t> recorded(bytes.size() / 2);
    std::memcpy(recorded.data(), bytes.data(), recorded.size() * 2);
    // Frames of the stream, and the silent runs between them.
    std::vector<int16_t> sound;
    int silentRunsInside = 0;
    bool inSilence = false;
    for (size_t f = 0; f + 1 < recorded.size(); f += 2) {
        const bool silent = recorded[f] == 0 && recorded[f + 1] == 0;
        if (silent) {
            if (!inSilence && !sound.empty()) ++silentRunsInside;
            inSilence = true;
            continue;
        }
        inSilence = false;
        sound.push_back(recorded[f]);
        sound.push_back(recorded[f + 1]);
    }
    if (inSilence) --silentRunsInside;  // the silence after the end is no gap
    EXPECT_LE(silentRunsInside, 1);

    const double gain = std::pow(10.0, -1000 / 2000.0);
    const std::vector<double> source = ReadWav(wav).audio.samples;
    ASSERT_EQ(sound.size(), source.size());
    for (size_t i = 0; i < source.size(); ++i) {
        ASSERT_NEAR(sound[i], std::round(source[i] * 32768.0) * gain, 1.0) << "sample " << i;
    }
}

}  // namespace
}  // namespace tarnel::test
