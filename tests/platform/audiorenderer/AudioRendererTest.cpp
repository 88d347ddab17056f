// The Audio Renderer against a scripted device: every frame reaches the device once, across a
// pause, scaled by the volume; completion waits for the device to ask after the last frame;
// device failures become error events; the volume arithmetic in every device format.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "framework/FilterGraph.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/renderer/AudioRendererSamples.h"
#include "platform/media/renderer/CAudioRenderer.h"
#include "tests/platform/audiorenderer/ScriptedOutput.h"
#include "tests/support/IsolatedTest.h"
#include "tests/support/TestAudio.h"

namespace tarnel::test {
namespace {

using media::CAudioRenderer;

// A signal with no silent frame: a sine riding on an offset.
PcmAudio OffsetSine(double seconds, int bits = 16) {
    PcmAudio audio = MakeSine(44100, 2, seconds, 440.0, 0.3, bits);
    for (double& s : audio.samples) s += 0.4;
    return audio;
}

// The file's 16-bit samples, read back by the test's own reader, scaled by the gain.
std::vector<int16_t> Expected16(const std::filesystem::path& wav, double gain) {
    std::vector<int16_t> out;
    for (double s : ReadWav(wav).audio.samples) {
        out.push_back(static_cast<int16_t>(std::lround(std::round(s * 32768.0) * gain)));
    }
    return out;
}

class AudioRendererTest : public IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        RegisterSystemFilters(registry);
        Use(std::chrono::milliseconds(60000));
    }
    void Use(std::chrono::milliseconds stallLimit) {
        CAudioRenderer::Options options;
        options.output = [d = device] { return std::make_unique<ScriptedOutput>(d); };
        options.stallLimit = stallLimit;
        media::RegisterAudioRenderer(registry, options);
    }
    CAudioRenderer* Render(const PcmAudio& audio) {
        const auto path = workDir() / "in.wav";
        WriteWav(path, audio);
        EXPECT_EQ(graph->RenderFile(path), S_OK);
        return dynamic_cast<CAudioRenderer*>(graph->FindFilter(media::kAudioRendererName));
    }
    // The first event that ends a run, with its parameter.
    std::pair<int32_t, intptr_t> EndEvent(int32_t timeoutMs) {
        int32_t code = 0;
        intptr_t p1 = 0, p2 = 0;
        while (graph->GetEvent(&code, &p1, &p2, timeoutMs) == S_OK) {
            if (code == EC_COMPLETE || code == EC_ERRORABORT) return {code, p1};
        }
        return {0, 0};
    }

    FilterRegistry registry;
    std::shared_ptr<ScriptedDevice> device = std::make_shared<ScriptedDevice>();
    std::unique_ptr<FilterGraph> graph = std::make_unique<FilterGraph>(registry);
};

TEST_F(AudioRendererTest, EveryFrameOnceAcrossAPauseAtTheVolumeThenCompletionAfterPlayOut) {
    const PcmAudio audio = OffsetSine(0.5);
    CAudioRenderer* renderer = Render(audio);
    ASSERT_NE(renderer, nullptr);
    ASSERT_EQ(graph->put_Volume(-600), S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(device->WaitRunning());

    const int64_t total = static_cast<int64_t>(audio.frames());
    std::vector<int16_t> played;
    auto pull = [&] {
        const int64_t before = renderer->FramesPlayed();
        std::vector<uint8_t> bytes = device->PullBytes(1024 * 4);
        const int64_t got = renderer->FramesPlayed() - before;
        const size_t at = played.size();
        played.resize(at + size_t(got) * 2);
        std::memcpy(played.data() + at, bytes.data(), size_t(got) * 4);
        // What follows the frames of a short pull is silence, not stale data.
        for (size_t i = size_t(got) * 4; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0);
    };
    while (renderer->FramesPlayed() < total / 2) pull();

    ASSERT_EQ(graph->Pause(), S_OK);
    const int64_t atPause = renderer->FramesPlayed();
    EXPECT_EQ(device->PullBytes(4096), std::vector<uint8_t>(4096, 0));
    EXPECT_EQ(renderer->FramesPlayed(), atPause);
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(device->WaitRunning());
    while (renderer->FramesPlayed() < total) pull();

    // Everything has been handed over, but the device has not asked again yet.
    int32_t code = 0;
    EXPECT_EQ(graph->WaitForCompletion(300, &code), E_ABORT);
    (void)device->PullBytes(4096);
    EXPECT_EQ(EndEvent(10000).first, EC_COMPLETE);

    const std::vector<int16_t> expected =
        Expected16(workDir() / "in.wav", std::pow(10.0, -600 / 2000.0));
    ASSERT_EQ(played.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_NEAR(played[i], expected[i], 1) << "sample " << i;
    }
    EXPECT_EQ(graph->Stop(), S_OK);
}

TEST_F(AudioRendererTest, DeviceFailuresAreErrorEventsAndStopReleasesAWaitingStream) {
    // Refused format: the run reports it as an event, the graph stays usable.
    device->refuse = true;
    ASSERT_NE(Render(OffsetSine(2.0)), nullptr);
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(EndEvent(10000),
              (std::pair<int32_t, intptr_t>{EC_ERRORABORT, VFW_E_NO_AUDIO_HARDWARE}));
    EXPECT_EQ(graph->Stop(), S_OK);

    // A device that goes away while playing.
    device->refuse = false;
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(device->WaitRunning());
    (void)device->PullBytes(4096);
    {
        std::lock_guard lock(device->mutex);
        device->lost = true;
    }
    EXPECT_EQ(EndEvent(10000),
              (std::pair<int32_t, intptr_t>{EC_ERRORABORT, VFW_E_NO_AUDIO_HARDWARE}));
    EXPECT_EQ(graph->Stop(), S_OK);
    device->lost = false;

    // A device that never takes anything: the streaming thread waits on the full queue, and
    // Stop releases it at once.
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(device->WaitRunning());
    EXPECT_EQ(graph->Stop(), S_OK);

    // ... and when it stays that way past the stall limit, the run fails instead of hanging.
    graph = std::make_unique<FilterGraph>(registry);
    Use(std::chrono::milliseconds(300));
    ASSERT_NE(Render(OffsetSine(2.0)), nullptr);
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(EndEvent(10000), (std::pair<int32_t, intptr_t>{EC_ERRORABORT, VFW_E_TIMEOUT}));
    EXPECT_EQ(graph->Stop(), S_OK);
}

TEST(AudioRendererSamples, GainRoundsAndClipsInEveryDeviceFormat) {
    EXPECT_DOUBLE_EQ(media::GainForVolume(0), 1.0);
    EXPECT_NEAR(media::GainForVolume(-6000), 0.001, 1e-12);  // -60 dB is quiet, not silent
    EXPECT_NEAR(media::GainForVolume(-600), 0.501187, 1e-6);

    int16_t s16[] = {1000, -1000, 32767, -32768, 3};
    media::ApplyGain(reinterpret_cast<uint8_t*>(s16), sizeof s16, media::DeviceSample::Signed16,
                     0.5);
    EXPECT_EQ(std::vector<int16_t>(s16, s16 + 5),
              (std::vector<int16_t>{500, -500, 16384, -16384, 2}));

    uint8_t u8[] = {128, 228, 28, 255};
    media::ApplyGain(u8, sizeof u8, media::DeviceSample::Unsigned8, 0.5);
    EXPECT_EQ(std::vector<uint8_t>(u8, u8 + 4), (std::vector<uint8_t>{128, 178, 78, 192}));

    int32_t s32[] = {2000000000, -2000000000};
    media::ApplyGain(reinterpret_cast<uint8_t*>(s32), sizeof s32, media::DeviceSample::Signed32,
                     0.25);
    EXPECT_EQ(s32[0], 500000000);
    EXPECT_EQ(s32[1], -500000000);

    float f32[] = {0.5f, -1.0f};
    media::ApplyGain(reinterpret_cast<uint8_t*>(f32), sizeof f32, media::DeviceSample::Float32,
                     0.5);
    EXPECT_FLOAT_EQ(f32[0], 0.25f);
    EXPECT_FLOAT_EQ(f32[1], -0.5f);

    // 24-bit PCM and compressed audio are left to a converter.
    EXPECT_FALSE(media::PlayableFormat(MakeAudioMediaType(MakePcmFormat(2, 44100, 24))));
    EXPECT_TRUE(media::PlayableFormat(MakeAudioMediaType(MakeFloatFormat(6, 48000))));
    WAVEFORMATEX adpcm = MakePcmFormat(1, 8000, 4);
    adpcm.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    EXPECT_FALSE(media::PlayableFormat(MakeAudioMediaType(adpcm)));
}

}  // namespace
}  // namespace tarnel::test
