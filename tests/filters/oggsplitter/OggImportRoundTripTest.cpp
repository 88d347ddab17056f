// Splitter and decoder together, as an Ogg source is converted, against libvorbisfile's
// decode of the same file.
#include <gtest/gtest.h>

#include "framework/RefTime.h"
#include "tests/filters/oggcommon/OggTestFiles.h"
#include "tests/filters/oggsplitter/SplitterRig.h"

namespace tarnel {
namespace {

std::vector<int16_t> Pcm16Of(const test::harness::CaptureSink& sink) {
    std::vector<int16_t> values;
    for (const auto& sample : sink.Samples()) {
        for (size_t i = 0; i + 1 < sample.bytes.size(); i += 2)
            values.push_back(static_cast<int16_t>(sample.bytes[i] | (sample.bytes[i + 1] << 8)));
    }
    return values;
}

void ExpectSameAsVorbisfile(const std::vector<uint8_t>& file, int channels, size_t frames) {
    test::SplitterRig rig(file, true);
    ASSERT_EQ(rig.connectResult, S_OK);
    ASSERT_EQ(rig.sinks.size(), 1u);
    ASSERT_EQ(rig.graph.RunAll(), S_OK);
    ASSERT_TRUE(rig.sinks[0]->WaitForEndOfStream(20000));
    auto ours = Pcm16Of(*rig.sinks[0]);
    rig.graph.StopAll();

    auto reference = test::DecodeWithVorbisfile(file);
    ASSERT_TRUE(reference.ok);
    EXPECT_EQ(reference.totalSamples, static_cast<int64_t>(frames));
    ASSERT_EQ(ours.size(), frames * channels);
    ASSERT_EQ(reference.pcm16.size(), ours.size());
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i)
        worst = std::max(worst, std::abs(ours[i] - reference.pcm16[i]));
    // libvorbisfile scales by 32768 and rounds; we scale by 32767 and truncate.
    EXPECT_LE(worst, 2);
}

TEST(OggImport, StereoFileDecodesLikeLibvorbisfile) {
    auto audio = test::MakeSine(44100, 2, 4.2, 700.0, 0.6);
    ExpectSameAsVorbisfile(test::EncodeOggVorbis(audio), 2, audio.frames());
}

TEST(OggImport, PacketsWithoutPagePositionsAreInterpolated) {
    // Many packets per page: only the last one of each page carries a granule position.
    auto audio = test::MakeSine(22050, 1, 2.5, 300.0, 0.5);
    test::OggEncodeOptions options;
    options.packetsPerPage = 17;
    ExpectSameAsVorbisfile(test::EncodeOggVorbis(audio, options), 1, audio.frames());
}

TEST(OggImport, SixChannelsComeOutInWaveOrder) {
    const double levels[6] = {0.02, 0.04, 0.08, 0.16, 0.32, 0.64};
    auto audio = test::MakeSine(44100, 6, 1.0, 60.0, 1.0);
    // Vorbis order FL C FR RL RR LFE.
    for (size_t i = 0; i < audio.samples.size(); ++i) audio.samples[i] *= levels[i % 6];
    test::SplitterRig rig(test::EncodeOggVorbis(audio), true);
    ASSERT_EQ(rig.connectResult, S_OK);
    ASSERT_EQ(rig.graph.RunAll(), S_OK);
    ASSERT_TRUE(rig.sinks[0]->WaitForEndOfStream(20000));
    auto values = Pcm16Of(*rig.sinks[0]);
    rig.graph.StopAll();
    test::PcmAudio decoded;
    decoded.channels = 6;
    for (int16_t v : values) decoded.samples.push_back(v / 32768.0);
    const int waveOf[6] = {0, 2, 1, 4, 5, 3};  // Vorbis channel j -> WAVE position
    for (int j = 0; j < 6; ++j) {
        EXPECT_NEAR(test::RmsDb(decoded, waveOf[j], 4410), test::RmsDb(audio, j, 4410), 2.0)
            << "Vorbis channel " << j;
    }
}

}  // namespace
}  // namespace tarnel
