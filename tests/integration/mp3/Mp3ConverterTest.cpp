// MP3 export and MP3 sources through the Converter: whole graphs, checked by decoding with
// libmpg123 directly and by comparing with libmpg123's own decode of a source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "engine/Converter.h"
#include "filters/mp3enc/CMP3EncFilter.h"
#include "framework/FilterRegistry.h"
#include "platform/media/SystemFilters.h"
#include "platform/media/compressors/AudioCompressorFilter.h"
#include "platform/media/mpeg/MpegSplitterRegistration.h"
#include "settings/SettingsStore.h"
#include "tests/filters/mp3enc/Mpg123Reference.h"
#include "tests/filters/mp3enc/TestSignals.h"
#include "tests/platform/mpeg/MpegTestStreams.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel {
namespace {

// Encoder delay and decoder delay of a LAME stream without an info frame, plus one frame.
constexpr size_t kDelayPlusFrame = 576 + 529 + 1152;

class Mp3Conversion : public test::IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        RegisterSystemFilters(registry);
        media::RegisterAudioCompressors(registry);
        RegisterMpegFilters(registry);
        FilterRegistration mp3;
        mp3.clsid = CLSID_MP3EncFilter;
        mp3.name = "MP3 Encoder";
        mp3.merit = MERIT_DO_NOT_USE;
        mp3.create = [] { return std::shared_ptr<IBaseFilter>(std::make_shared<CMP3EncFilter>()); };
        registry.Register(std::move(mp3));
        std::filesystem::create_directories(workDir());
        output = root() / "out.tmp";
    }

    // Builds and runs one conversion; the BuildGraph result (the run must complete).
    HRESULT Convert(const std::filesystem::path& source, int32_t sourceFormat, int32_t exportFormat,
                    uint32_t rate, uint16_t channels) {
        Converter c(ConverterServices{&registry, {}, {}});
        c.exportFormat = exportFormat;
        c.targetFormat = WAVEFORMATEX{};
        c.targetFormat.nSamplesPerSec = rate;
        c.targetFormat.nChannels = channels;
        c.targetFormat.wBitsPerSample = 16;
        c.Prepare(
            source, output, sourceFormat, [](int32_t, IGraphBuilder*) {}, 1632);
        HRESULT hr = c.BuildGraph();
        filters = c.FilterNames();
        if (FAILED(hr)) {
            c.ReleaseGraph();
            return hr;
        }
        EXPECT_GE(c.Run(), 0);
        int32_t code = 0;
        EXPECT_EQ(c.Events()->WaitForCompletion(60000, &code), S_OK);
        EXPECT_EQ(code, EC_COMPLETE);
        c.ReleaseGraph();
        return hr;
    }

    std::filesystem::path WavSource(const std::string& name, const test::PcmAudio& audio) {
        auto path = workDir() / name;
        test::WriteWav(path, audio);
        return path;
    }

    // The MPEG stream inside the RIFF file the wave writer made, after checking the header.
    std::vector<uint8_t> Mp3Payload() {
        const auto riff = test::ReadFileBytes(output);
        EXPECT_GE(riff.size(), 68u);
        if (riff.size() < 68) return {};
        EXPECT_EQ(std::memcmp(riff.data(), "RIFF", 4), 0);
        EXPECT_EQ(std::memcmp(riff.data() + 8, "WAVEfmt ", 8), 0);
        EXPECT_EQ(riff[16], 40) << "the 40-byte MPEG-1 wave format";
        EXPECT_EQ(riff[20] | riff[21] << 8, 0x0050);
        EXPECT_EQ(std::memcmp(riff.data() + 60, "data", 4), 0);
        const uint32_t size = riff[64] | riff[65] << 8 | riff[66] << 16 | uint32_t(riff[67]) << 24;
        EXPECT_EQ(size_t(size) + 68, riff.size());
        return {riff.begin() + 68, riff.end()};
    }

    FilterRegistry registry;
    std::filesystem::path output;
    std::vector<std::string> filters;
};

// Bitrate index and sample-rate index of each frame, walking from the first byte.
std::vector<std::pair<int, int>> WalkFrames(const std::vector<uint8_t>& mp3) {
    static constexpr int kMpeg1[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                     112, 128, 160, 192, 224, 256, 320};
    static constexpr int kMpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static constexpr int kRates[2][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}};
    std::vector<std::pair<int, int>> frames;
    size_t p = 0;
    while (p + 4 <= mp3.size() && mp3[p] == 0xFF && (mp3[p + 1] & 0xE6) == 0xE2) {
        const bool mpeg1 = (mp3[p + 1] & 0x18) == 0x18;
        const int index = mp3[p + 2] >> 4, rateIndex = (mp3[p + 2] >> 2) & 3;
        if (index == 0 || index == 15 || rateIndex == 3) break;
        frames.emplace_back(index, rateIndex);
        const int rate = kRates[mpeg1 ? 0 : 1][rateIndex];
        const int kbps = (mpeg1 ? kMpeg1 : kMpeg2)[index];
        p += size_t((mpeg1 ? 144 : 72) * kbps * 1000 / rate + ((mp3[p + 2] >> 1) & 1));
    }
    return frames;
}

TEST_F(Mp3Conversion, WavToConstantBitrateMp3) {
    const auto sine = test::MakeSine(44100, 2, 3.0, 1000, 0.5);
    ASSERT_EQ(Convert(WavSource("a.wav", sine), 203, 201, 44100, 2), S_OK);
    const auto mp3 = Mp3Payload();
    ASSERT_GE(mp3.size(), 4u);
    EXPECT_EQ(mp3[0], 0xFF);
    EXPECT_EQ(mp3[1], 0xFB) << "MPEG-1 Layer III without CRC";
    const auto frames = WalkFrames(mp3);
    ASSERT_GT(frames.size(), 100u);
    for (const auto& [index, rate] : frames) ASSERT_EQ(index, 9) << "128 kbit/s";
    auto decoded = test::DecodeMp3Bytes(mp3);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->audio.sampleRate, 44100);
    EXPECT_EQ(decoded->audio.channels, 2);
    EXPECT_GE(decoded->audio.frames(), sine.frames());
    EXPECT_LE(decoded->audio.frames(), sine.frames() + kDelayPlusFrame);
    const auto middle = test::SliceFrames(decoded->audio, 4410, sine.frames());
    EXPECT_NEAR(test::RmsDb(middle, 0), test::RmsDb(sine, 0), 1.0);
    EXPECT_NEAR(test::RmsDb(middle, 1), test::RmsDb(sine, 1), 1.0);
    EXPECT_NEAR(test::EstimateFrequency(middle, 0), 1000, 2);
}

TEST_F(Mp3Conversion, WavToVariableBitrateMp3) {
    Mp3Settings s;
    s.constantBitrate = 0;
    s.minBitrate = 32;
    s.maxBitrate = 320;
    s.vbrQuality = 2;
    ASSERT_TRUE(SettingsStore().WriteMp3Settings(s));
    // Quiet, then loud and busy: a variable bitrate spends very differently on them.
    auto signal = test::MakeTwoToneStereo(44100, 3.0, 3000, 7000, 0.6);
    std::fill(signal.samples.begin(), signal.samples.begin() + long(signal.samples.size() / 3),
              0.0);
    ASSERT_EQ(Convert(WavSource("v.wav", signal), 203, 201, 44100, 2), S_OK);
    const auto mp3 = Mp3Payload();
    const auto frames = WalkFrames(mp3);
    ASSERT_GT(frames.size(), 100u);
    std::set<int> bitrates;
    for (const auto& f : frames) bitrates.insert(f.first);
    EXPECT_GE(bitrates.size(), 2u);
    auto decoded = test::DecodeMp3Bytes(mp3);
    ASSERT_TRUE(decoded);
    EXPECT_GE(decoded->audio.frames(), signal.frames());
    EXPECT_LE(decoded->audio.frames(), signal.frames() + kDelayPlusFrame);
    const auto loud = test::SliceFrames(decoded->audio, 2 * 44100, 3 * 44100);
    const auto loudIn = test::SliceFrames(signal, 2 * 44100, 3 * 44100);
    EXPECT_NEAR(test::RmsDb(loud, 0), test::RmsDb(loudIn, 0), 1.0);
}

TEST_F(Mp3Conversion, MonoSettingGivesASingleChannelStream) {
    Mp3Settings s;
    s.channelMode = 0;  // mono
    s.sampleRate = 22050;
    ASSERT_TRUE(SettingsStore().WriteMp3Settings(s));
    const auto sine = test::MakeSine(44100, 2, 2.0, 440, 0.5);
    ASSERT_EQ(Convert(WavSource("m.wav", sine), 203, 201, 22050, 1), S_OK);
    auto decoded = test::DecodeMp3Bytes(Mp3Payload());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->audio.channels, 1);
    EXPECT_EQ(decoded->audio.sampleRate, 22050);
    EXPECT_NEAR(decoded->audio.seconds(), 2.0, 0.12);
}

// The MP3 settings offer 16000 Hz, which the encoder does not take at its input: the graph
// manager's intelligent connection puts a converter to a rate it takes between "TS Fixer" and
// the encoder, and LAME resamples to the configured 16000 Hz.
TEST_F(Mp3Conversion, SixteenKilohertzExport) {
    Mp3Settings s;
    s.sampleRate = 16000;
    ASSERT_TRUE(SettingsStore().WriteMp3Settings(s));
    const auto sine = test::MakeSine(44100, 2, 2.0, 440, 0.5);
    ASSERT_EQ(Convert(WavSource("s.wav", sine), 203, 201, 16000, 2), S_OK);
    EXPECT_NE(std::find(filters.begin(), filters.end(), "ACM Wrapper"), filters.end())
        << "the converter intelligent connection inserted";
    const auto mp3 = Mp3Payload();
    ASSERT_GE(mp3.size(), 4u);
    auto decoded = test::DecodeMp3Bytes(mp3);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->audio.sampleRate, 16000) << "LAME writes the configured rate";
    EXPECT_NEAR(decoded->audio.seconds(), 2.0, 0.2);
    const auto middle = test::SliceFrames(decoded->audio, 3200, 28800);
    EXPECT_NEAR(test::EstimateFrequency(middle, 0), 440, 3);
    EXPECT_NEAR(test::RmsDb(middle, 0), test::RmsDb(sine, 0), 1.0);
}

TEST_F(Mp3Conversion, Mp3ToWavIsLibmpg123sOwnDecode) {
    const auto pcm = test::MakeTwoToneStereo(44100, 2.5, 500, 2500, 0.5);
    for (bool infoTag : {false, true}) {
        SCOPED_TRACE(infoTag ? "with info frame" : "plain");
        const auto lame = test::EncodeWithLame(pcm, {.bitrate = 160, .infoTag = infoTag});
        std::vector<uint8_t> file = test::MakeId3v2(1000);
        file.insert(file.end(), lame.bytes.begin(), lame.bytes.end());
        const auto id3v1 = test::MakeId3v1();
        file.insert(file.end(), id3v1.begin(), id3v1.end());
        const auto source = workDir() / "song.mp3";
        test::WriteFileBytes(source, file);
        ASSERT_EQ(Convert(source, 201, 203, 44100, 2), S_OK);
        const auto wav = test::ReadWav(output);
        auto reference = test::DecodeMp3File(source);
        ASSERT_TRUE(reference);
        ASSERT_EQ(wav.audio.sampleRate, 44100);
        ASSERT_EQ(wav.audio.channels, 2);
        ASSERT_EQ(wav.audio.samples.size(), reference->audio.samples.size());
        double worst = 0;
        for (size_t i = 0; i < wav.audio.samples.size(); ++i) {
            worst = std::max(worst, std::abs(wav.audio.samples[i] - reference->audio.samples[i]));
        }
        EXPECT_LE(worst, 1.0 / 32768 + 1e-9) << "within one step of rounding";
        if (infoTag) {
            EXPECT_EQ(wav.audio.frames(), pcm.frames()) << "gapless";
        }
    }
}

}  // namespace
}  // namespace tarnel
