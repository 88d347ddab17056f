#include "platform/media/files/ContentSniffer.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/media/mpeg/MpegAudioFrame.h"
#include "tests/support/TestAudio.h"

namespace tarnel::media {
namespace {

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, stereo: 417 bytes per frame without padding.
std::vector<uint8_t> MpegFrames(int count, size_t junkBefore = 0) {
    std::vector<uint8_t> out(junkBefore, 0x00);
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> frame(417, 0x11);
        frame[0] = 0xFF;
        frame[1] = 0xFB;
        frame[2] = 0x90;
        frame[3] = 0x00;
        out.insert(out.end(), frame.begin(), frame.end());
    }
    return out;
}

TEST(MpegAudioHeader, DecodesCommonHeaders) {
    auto frame = MpegFrames(1);
    auto f = ParseMpegAudioHeader(frame);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->version, 1);
    EXPECT_EQ(f->layer, 3);
    EXPECT_EQ(f->bitrate, 128000);
    EXPECT_EQ(f->sampleRate, 44100);
    EXPECT_EQ(f->samplesPerFrame, 1152);
    EXPECT_EQ(f->frameBytes, 417);
    EXPECT_EQ(f->channels, 2);

    // MPEG-2 Layer III 64 kbit/s 22050 Hz mono with padding: 72 * 64000 / 22050 + 1 = 209.
    const uint8_t mpeg2[4] = {0xFF, 0xF3, 0x82, 0xC0};
    f = ParseMpegAudioHeader(mpeg2);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->version, 2);
    EXPECT_EQ(f->sampleRate, 22050);
    EXPECT_EQ(f->samplesPerFrame, 576);
    EXPECT_EQ(f->frameBytes, 209);
    EXPECT_EQ(f->channels, 1);

    const uint8_t freeFormat[4] = {0xFF, 0xFB, 0x00, 0x00};
    const uint8_t reservedRate[4] = {0xFF, 0xFB, 0x9C, 0x00};
    const uint8_t reservedVersion[4] = {0xFF, 0xEB, 0x90, 0x00};
    EXPECT_FALSE(ParseMpegAudioHeader(freeFormat));
    EXPECT_FALSE(ParseMpegAudioHeader(reservedRate));
    EXPECT_FALSE(ParseMpegAudioHeader(reservedVersion));
    EXPECT_FALSE(ParseMpegAudioHeader(std::span<const uint8_t>(frame.data(), 3)));
}

TEST(MpegAudioHeader, Id3v2SizeIsSyncSafe) {
    std::vector<uint8_t> tag = {'I', 'D', '3', 4, 0, 0, 0, 0, 0x02, 0x01};
    EXPECT_EQ(Id3v2TagSize(tag), 10u + 257);
    tag[5] = 0x10;  // footer present
    EXPECT_EQ(Id3v2TagSize(tag), 10u + 257 + 10);
    tag[8] = 0x80;  // not sync-safe
    EXPECT_EQ(Id3v2TagSize(tag), 0u);
}

TEST(ContentSniffer, RecognisesEachContainer) {
    auto wav = test::EncodeWav(test::MakeSine(8000, 1, 0.01, 440, 0.5));
    EXPECT_EQ(SniffContent(wav), ContentKind::Wave);

    std::vector<uint8_t> ogg = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(SniffContent(ogg), ContentKind::Ogg);
    ogg[4] = 1;  // unknown page version
    EXPECT_EQ(SniffContent(ogg), ContentKind::Unknown);

    std::vector<uint8_t> asf = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6,
                                0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C, 0};
    EXPECT_EQ(SniffContent(asf), ContentKind::Asf);

    std::vector<uint8_t> id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    EXPECT_EQ(SniffContent(id3), ContentKind::MpegAudio);
    EXPECT_EQ(SniffContent(MpegFrames(4)), ContentKind::MpegAudio);
}

TEST(ContentSniffer, MpegNeedsChainedFrames) {
    // One lone header followed by garbage is not enough.
    auto single = MpegFrames(1);
    single.resize(2000, 0x22);
    EXPECT_EQ(SniffContent(single), ContentKind::Unknown);
    // After a junk prefix, three chained frames are wanted.
    EXPECT_EQ(SniffContent(MpegFrames(3, 100)), ContentKind::MpegAudio);
    auto two = MpegFrames(2, 100);
    two.resize(two.size() + 500, 0x22);
    EXPECT_EQ(SniffContent(two), ContentKind::Unknown);
}

TEST(ContentSniffer, RandomBytesAreRarelyAudio) {
    std::mt19937 rng(7);
    int hits = 0;
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> bytes(kSniffBytes);
        for (auto& b : bytes) b = uint8_t(rng());
        if (SniffContent(bytes) != ContentKind::Unknown) ++hits;
    }
    EXPECT_EQ(hits, 0);
    EXPECT_EQ(SniffContent({}), ContentKind::Unknown);
}

TEST(ContentSniffer, ExtensionsIgnoreCase) {
    EXPECT_EQ(ContentKindFromExtension("a/b/Song.WAV"), ContentKind::Wave);
    EXPECT_EQ(ContentKindFromExtension("x.Mp3"), ContentKind::MpegAudio);
    EXPECT_EQ(ContentKindFromExtension("x.ogg"), ContentKind::Ogg);
    EXPECT_EQ(ContentKindFromExtension("x.wma"), ContentKind::Asf);
    EXPECT_EQ(ContentKindFromExtension("x.flac"), ContentKind::Unknown);
    EXPECT_EQ(ContentKindFromExtension("wav"), ContentKind::Unknown);
}

}  // namespace
}  // namespace tarnel::media
