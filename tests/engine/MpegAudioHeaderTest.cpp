#include "engine/MpegAudioHeader.h"

#include <gtest/gtest.h>

#include "tests/engine/Mp3Fixtures.h"

namespace tarnel {
namespace {

using test::MpegFrameSpec;

TEST(MpegAudioHeader, DecodesEveryFieldOfACommonHeader) {
    // MPEG-1 Layer III, no CRC, 128 kbit/s, 44100 Hz, joint stereo, mode extension 2, original.
    const auto h = MpegAudioHeader::Decode(0xFFFB9064u);
    EXPECT_TRUE(h.IsValid());
    EXPECT_EQ(h.sync, 0x7FF);
    EXPECT_EQ(h.Version(), MpegVersion::Mpeg1);
    EXPECT_EQ(h.Layer(), 3);
    EXPECT_EQ(h.protection, 1);
    EXPECT_EQ(h.BitrateKbps(), 128);
    EXPECT_EQ(h.SampleRate(), 44100);
    EXPECT_EQ(h.padding, 0);
    EXPECT_EQ(h.channelMode, 1);
    EXPECT_EQ(h.modeExtension, 2);
    EXPECT_EQ(h.copyright, 0);
    EXPECT_EQ(h.original, 1);
    EXPECT_EQ(h.emphasis, 0);
    EXPECT_EQ(h.SamplesPerFrame(), 1152);
    EXPECT_EQ(h.FrameLength(), 417);

    const uint8_t bytes[4] = {0xFF, 0xFB, 0x92, 0x64};  // the same with padding
    const auto padded = MpegAudioHeader::Decode(std::span<const uint8_t, 4>(bytes));
    EXPECT_EQ(padded.padding, 1);
    EXPECT_EQ(padded.FrameLength(), 418);
}

TEST(MpegAudioHeader, SamplesPerFrameFollowVersionAndLayer) {
    struct Case {
        int versionId, layerId, expectedSamples, expectedRate;
    };
    const Case cases[] = {
        {3, 1, 1152, 44100}, {3, 2, 1152, 44100}, {3, 3, 384, 44100},
        {2, 1, 576, 22050},  {2, 2, 1152, 22050}, {2, 3, 384, 22050},
        {0, 1, 576, 11025},  {0, 2, 1152, 11025}, {0, 3, 384, 11025},
    };
    for (const auto& c : cases) {
        MpegFrameSpec spec;
        spec.versionId = c.versionId;
        spec.layerId = c.layerId;
        spec.bitrateIndex = 4;
        const auto h = MpegAudioHeader::Decode(test::MpegHeaderWord(spec, false));
        SCOPED_TRACE(testing::Message() << "version " << c.versionId << " layer " << c.layerId);
        ASSERT_TRUE(h.IsValid());
        EXPECT_EQ(h.SamplesPerFrame(), c.expectedSamples);
        EXPECT_EQ(h.SampleRate(), c.expectedRate);
    }
}

TEST(MpegAudioHeader, FrameLengthsOfOtherVersionsAndLayers) {
    MpegFrameSpec mpeg25;  // MPEG 2.5 Layer III, 8 kbit/s at 8000 Hz: 576 / 8 × 8000 / 8000
    mpeg25.versionId = 0;
    mpeg25.bitrateIndex = 1;
    mpeg25.sampleRateIndex = 2;
    auto h = MpegAudioHeader::Decode(test::MpegHeaderWord(mpeg25, false));
    EXPECT_EQ(h.BitrateKbps(), 8);
    EXPECT_EQ(h.SampleRate(), 8000);
    EXPECT_EQ(h.FrameLength(), 72);

    MpegFrameSpec layer1;  // MPEG-1 Layer I, 32 kbit/s at 48000 Hz: (12 × 32000 / 48000 + 1) × 4
    layer1.layerId = 3;
    layer1.bitrateIndex = 1;
    layer1.sampleRateIndex = 1;
    h = MpegAudioHeader::Decode(test::MpegHeaderWord(layer1, true));
    EXPECT_EQ(h.FrameLength(), 36);

    MpegFrameSpec layer2;  // MPEG-2 Layer II, 160 kbit/s at 24000 Hz: 144 × 160000 / 24000
    layer2.versionId = 2;
    layer2.layerId = 2;
    layer2.bitrateIndex = 14;
    layer2.sampleRateIndex = 1;
    h = MpegAudioHeader::Decode(test::MpegHeaderWord(layer2, false));
    EXPECT_EQ(h.BitrateKbps(), 160);
    EXPECT_EQ(h.FrameLength(), 960);
}

TEST(MpegAudioHeader, RejectsReservedAndUnusableFields) {
    const uint32_t good = 0xFFFB9064u;
    EXPECT_TRUE(MpegAudioHeader::Decode(good).IsValid());
    EXPECT_FALSE(MpegAudioHeader::Decode(good & ~(1u << 21)).IsValid());               // sync bit
    EXPECT_FALSE(MpegAudioHeader::Decode((good & ~(3u << 19)) | 1u << 19).IsValid());  // version 1
    EXPECT_FALSE(MpegAudioHeader::Decode(good & ~(3u << 17)).IsValid());               // layer 0
    EXPECT_FALSE(MpegAudioHeader::Decode(good & ~(0xFu << 12)).IsValid());  // free format
    EXPECT_FALSE(MpegAudioHeader::Decode(good | 0xFu << 12).IsValid());     // bitrate 15
    EXPECT_FALSE(MpegAudioHeader::Decode(good | 3u << 10).IsValid());       // rate 3
    EXPECT_FALSE(MpegAudioHeader::Decode(good | 2u).IsValid());             // emphasis 2
    EXPECT_TRUE(MpegAudioHeader::Decode(good | 1u).IsValid());              // 50/15 µs
    EXPECT_TRUE(MpegAudioHeader::Decode(good | 3u).IsValid());              // CCITT J.17
}

}  // namespace
}  // namespace tarnel
