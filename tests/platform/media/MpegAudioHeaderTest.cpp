#include "platform/media/mpeg/MpegAudioFrame.h"

#include <gtest/gtest.h>

#include <array>

namespace tarnel::media {
namespace {

std::optional<MpegAudioFrame> Parse(uint32_t word) {
    const std::array<uint8_t, 4> bytes = {uint8_t(word >> 24), uint8_t(word >> 16),
                                          uint8_t(word >> 8), uint8_t(word)};
    return ParseMpegAudioHeader(bytes);
}

// A header word: version id (3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5), layer id (1 = III, 3 = I).
uint32_t Word(unsigned versionId, unsigned layerId, unsigned bitrateIndex, unsigned rateIndex,
              bool padding) {
    return 0xFFE00000u | versionId << 19 | layerId << 17 | 1u << 16 | bitrateIndex << 12 |
           rateIndex << 10 | unsigned(padding) << 9 | 1u << 6;
}

TEST(MpegAudioHeaderTest, DecodesACommonHeader) {
    // MPEG-1 Layer III, no CRC, 128 kbit/s, 44100 Hz, joint stereo.
    auto f = Parse(0xFFFB9064u);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->version, 1);
    EXPECT_EQ(f->layer, 3);
    EXPECT_EQ(f->bitrate, 128000);
    EXPECT_EQ(f->sampleRate, 44100);
    EXPECT_EQ(f->channels, 2);
    EXPECT_FALSE(f->crc);
    EXPECT_EQ(f->samplesPerFrame, 1152);
    EXPECT_EQ(f->frameBytes, 417);
    EXPECT_EQ(Parse(0xFFFB9264u)->frameBytes, 418);  // with the padding slot
}

TEST(MpegAudioHeaderTest, SamplesPerFrameFollowVersionAndLayer) {
    struct Case {
        unsigned versionId, layerId;
        int samples, rate;
    };
    const Case cases[] = {
        {3, 1, 1152, 44100}, {3, 2, 1152, 44100}, {3, 3, 384, 44100},
        {2, 1, 576, 22050},  {2, 2, 1152, 22050}, {2, 3, 384, 22050},
        {0, 1, 576, 11025},  {0, 2, 1152, 11025}, {0, 3, 384, 11025},
    };
    for (const auto& c : cases) {
        auto f = Parse(Word(c.versionId, c.layerId, 4, 0, false));
        SCOPED_TRACE(testing::Message() << "version " << c.versionId << " layer " << c.layerId);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->samplesPerFrame, c.samples);
        EXPECT_EQ(f->sampleRate, c.rate);
    }
}

TEST(MpegAudioHeaderTest, FrameLengthsOfOtherVersionsAndLayers) {
    // MPEG-2.5 Layer III, 8 kbit/s at 8000 Hz: 72 x 8000 / 8000.
    auto f = Parse(Word(0, 1, 1, 2, false));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->bitrate, 8000);
    EXPECT_EQ(f->sampleRate, 8000);
    EXPECT_EQ(f->frameBytes, 72);
    // MPEG-1 Layer I, 32 kbit/s at 48000 Hz, padded: (12 x 32000 / 48000 + 1) x 4.
    EXPECT_EQ(Parse(Word(3, 3, 1, 1, true))->frameBytes, 36);
    // MPEG-2 Layer II, 160 kbit/s at 24000 Hz: 144 x 160000 / 24000.
    f = Parse(Word(2, 2, 14, 1, false));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->bitrate, 160000);
    EXPECT_EQ(f->frameBytes, 960);
}

TEST(MpegAudioHeaderTest, RejectsReservedAndUnusableFields) {
    const uint32_t good = 0xFFFB9064u;
    EXPECT_TRUE(Parse(good));
    EXPECT_FALSE(Parse(good & ~(1u << 21)));               // sync bit
    EXPECT_FALSE(Parse((good & ~(3u << 19)) | 1u << 19));  // reserved version
    EXPECT_FALSE(Parse(good & ~(3u << 17)));               // reserved layer
    EXPECT_FALSE(Parse(good & ~(0xFu << 12)));             // free format
    EXPECT_FALSE(Parse(good | 0xFu << 12));                // bitrate index 15
    EXPECT_FALSE(Parse(good | 3u << 10));                  // reserved rate
    EXPECT_FALSE(Parse(good | 2u));                        // reserved emphasis
    EXPECT_TRUE(Parse(good | 1u));
    EXPECT_TRUE(Parse(good | 3u));
    const std::array<uint8_t, 3> shortInput = {0xFF, 0xFB, 0x90};
    EXPECT_FALSE(ParseMpegAudioHeader(shortInput));
}

TEST(MpegAudioHeaderTest, Id3v2TagSizeTrustsOnlyWellFormedHeaders) {
    std::array<uint8_t, 10> tag = {'I', 'D', '3', 4, 0, 0, 0, 0, 0x02, 0x01};
    EXPECT_EQ(Id3v2TagSize(tag), 10u + 257u);
    tag[5] = 0x10;  // footer present
    EXPECT_EQ(Id3v2TagSize(tag), 20u + 257u);
    tag[8] = 0x80;  // not sync-safe
    EXPECT_EQ(Id3v2TagSize(tag), 0u);
    tag[8] = 0x02;
    tag[3] = 0xFF;  // impossible version
    EXPECT_EQ(Id3v2TagSize(tag), 0u);
    EXPECT_EQ(Id3v2TagSize(std::span<const uint8_t>(tag).first(9)), 0u);
}

}  // namespace
}  // namespace tarnel::media
