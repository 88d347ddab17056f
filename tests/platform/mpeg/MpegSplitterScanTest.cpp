// The MPEG splitter's file scan: where the audio starts and ends, how many frames it holds,
// the info frame, resynchronisation, and hostile files.
#include "platform/media/mpeg/MpegSplitterScan.h"

#include <gtest/gtest.h>

#include "tests/platform/mpeg/MpegTestStreams.h"

namespace tarnel::media {
namespace {

using test::EncodeWithLame;

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::optional<MpegStreamLayout> Scan(const std::vector<uint8_t>& bytes) {
    SpanByteSource source(bytes);
    return ScanMpegStream(source);
}

const test::LameStream& OneSecond() {
    static const auto s = EncodeWithLame(test::MakeSine(44100, 2, 1.0, 440, 0.5));
    return s;
}

TEST(MpegSplitterScan, PlainStreamFromLame) {
    const auto& s = OneSecond();
    auto l = Scan(s.bytes);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->audioStart, 0u);
    EXPECT_EQ(l->firstAudioFrame, 0u);
    EXPECT_EQ(l->audioEnd, s.bytes.size());
    EXPECT_EQ(l->audioFrames, uint64_t(s.frames));
    EXPECT_EQ(l->resyncs, 0u);
    EXPECT_FALSE(l->info);
    EXPECT_EQ(l->format.sampleRate, 44100);
    EXPECT_EQ(l->format.channels, 2);
    EXPECT_EQ(l->format.layer, 3);
    EXPECT_EQ(l->PlayableSamples(), uint64_t(s.frames) * 1152);
    ASSERT_EQ(l->seekPoints.size(), (size_t(s.frames) + 63) / 64);
    for (size_t i = 0; i < l->seekPoints.size(); ++i) {
        const auto& p = l->seekPoints[i];
        EXPECT_EQ(p.frame, i * 64);
        ASSERT_LT(p.offset + 1, s.bytes.size());
        EXPECT_EQ(s.bytes[p.offset], 0xFF) << i;
    }
}

TEST(MpegSplitterScan, InfoFrameGivesFrameCountDelayAndPadding) {
    const auto pcm = test::MakeSine(44100, 2, 1.0, 440, 0.5);
    for (bool vbr : {false, true}) {
        const auto s = EncodeWithLame(pcm, {.bitrate = 192, .vbr = vbr, .infoTag = true});
        auto l = Scan(s.bytes);
        ASSERT_TRUE(l);
        ASSERT_TRUE(l->info) << vbr;
        EXPECT_EQ(l->info->offset, 0u);
        EXPECT_EQ(l->firstAudioFrame, l->info->bytes);
        ASSERT_TRUE(l->info->frames);
        EXPECT_EQ(*l->info->frames, l->audioFrames) << "the Xing count matches the walk";
        EXPECT_EQ(l->info->encoderDelay, uint32_t(s.encoderDelay));
        EXPECT_EQ(l->info->encoderPadding, uint32_t(s.encoderPadding));
        EXPECT_EQ(l->PlayableSamples(), pcm.frames()) << "delay and padding trimmed";
    }
}

TEST(MpegSplitterScan, Id3v2TagsAreSkippedEvenWhenFullOfFrameLookalikes) {
    const auto& s = OneSecond();
    const auto tag1 = test::MakeId3v2(5000), tag2 = test::MakeId3v2(300);
    auto l = Scan(Cat({tag1, tag2, s.bytes}));
    ASSERT_TRUE(l);
    EXPECT_EQ(l->audioStart, tag1.size() + tag2.size());
    EXPECT_EQ(l->audioFrames, uint64_t(s.frames));
    EXPECT_EQ(l->resyncs, 0u);
}

TEST(MpegSplitterScan, LeadingJunkIsSkipped) {
    const auto& s = OneSecond();
    auto junk = test::RandomBytes(3000, 7);
    auto l = Scan(Cat({junk, s.bytes}));
    ASSERT_TRUE(l);
    EXPECT_EQ(l->audioStart, junk.size());
    EXPECT_EQ(l->audioFrames, uint64_t(s.frames));
}

TEST(MpegSplitterScan, TrailingTagsAreNotAudio) {
    const auto& s = OneSecond();
    const auto ape = test::MakeApeTag(400), lyrics = test::MakeLyrics3v2(200),
               id3v1 = test::MakeId3v1();
    const auto file = Cat({s.bytes, ape, lyrics, id3v1});
    SpanByteSource source(file);
    EXPECT_EQ(TrailingTagBytes(source, file.size()), ape.size() + lyrics.size() + id3v1.size());
    auto l = Scan(file);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->audioEnd, s.bytes.size());
    EXPECT_EQ(l->audioFrames, uint64_t(s.frames));
}

TEST(MpegSplitterScan, GarbageBetweenFramesCostsNoFrames) {
    const auto& s = OneSecond();
    // Frame 20's boundary, found by walking the headers from the start.
    uint64_t boundary = 0;
    for (int i = 0; i < 20; ++i) {
        auto h = ParseMpegAudioHeader(std::span(s.bytes).subspan(boundary));
        ASSERT_TRUE(h);
        boundary += uint64_t(h->frameBytes);
    }
    std::vector<uint8_t> head(s.bytes.begin(), s.bytes.begin() + long(boundary));
    std::vector<uint8_t> tail(s.bytes.begin() + long(boundary), s.bytes.end());
    auto l = Scan(Cat({head, test::RandomBytes(777, 3), tail}));
    ASSERT_TRUE(l);
    EXPECT_EQ(l->audioFrames, uint64_t(s.frames));
    EXPECT_EQ(l->resyncs, 1u);
}

TEST(MpegSplitterScan, TruncatedLastFrameIsDropped) {
    const auto& s = OneSecond();
    std::vector<uint8_t> cut(s.bytes.begin(), s.bytes.end() - 100);
    auto l = Scan(cut);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->audioFrames, uint64_t(s.frames) - 1);
    EXPECT_LE(l->audioEnd, cut.size());
}

TEST(MpegSplitterScan, Id3v2ClaimingMoreThanTheFileStillFindsTheAudio) {
    const auto& s = OneSecond();
    auto l = Scan(Cat({test::MakeId3v2Header(0x0FFFFFFF), s.bytes}));
    ASSERT_TRUE(l);
    EXPECT_EQ(l->audioStart, 10u);
    EXPECT_EQ(l->audioFrames, uint64_t(s.frames));
    // A tag that claims the rest of a file of nothing but itself: no audio.
    EXPECT_FALSE(Scan(test::MakeId3v2Header(0x0FFFFFFF)));
}

TEST(MpegSplitterScan, FilesWithoutAudioAreRefused) {
    EXPECT_FALSE(Scan({}));
    EXPECT_FALSE(Scan({0xFF, 0xFB}));
    EXPECT_FALSE(Scan(test::RandomBytes(100000, 11)));
    const std::string text = "This is not an MP3 file, only words.\n";
    EXPECT_FALSE(Scan(std::vector<uint8_t>(text.begin(), text.end())));
    // One lone header followed by junk is no stream.
    auto lone = test::MakeHeaderOnlyFrames(3, 1, 9, 0, 1);
    EXPECT_FALSE(Scan(Cat({test::RandomBytes(50, 1), lone, test::RandomBytes(5000, 2)})));
}

TEST(MpegSplitterScan, OtherVersionsAndLayers) {
    struct Case {
        int version, layer, bitrate, rate;
        int samples, hz;
    };
    const Case cases[] = {
        {3, 2, 10, 1, 1152, 48000},  // MPEG-1 Layer II
        {3, 3, 5, 2, 384, 32000},    // MPEG-1 Layer I
        {2, 1, 8, 0, 576, 22050},    // MPEG-2 Layer III
        {0, 1, 4, 2, 576, 8000},     // MPEG-2.5 Layer III
    };
    for (const Case& c : cases) {
        auto frames = test::MakeHeaderOnlyFrames(c.version, c.layer, c.bitrate, c.rate, 30, true);
        auto l = Scan(frames);
        ASSERT_TRUE(l) << c.version << "/" << c.layer;
        EXPECT_EQ(l->audioFrames, 30u);
        EXPECT_EQ(l->format.samplesPerFrame, c.samples);
        EXPECT_EQ(l->format.sampleRate, c.hz);
        EXPECT_EQ(l->format.channels, 1);
    }
}

TEST(MpegSplitterScan, FramesOfAnotherStreamKindInsideAreSkipped) {
    // A run of 22050 Hz frames in a 44100 Hz stream does not belong to it.
    auto a = test::MakeHeaderOnlyFrames(3, 1, 9, 0, 40);
    auto b = test::MakeHeaderOnlyFrames(2, 1, 8, 0, 10);
    auto l = Scan(Cat({a, b, a}));
    ASSERT_TRUE(l);
    EXPECT_EQ(l->audioFrames, 80u);
    EXPECT_EQ(l->format.sampleRate, 44100);
}

}  // namespace
}  // namespace tarnel::media
