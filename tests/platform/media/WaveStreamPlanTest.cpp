#include "platform/media/wave/WaveStreamPlan.h"

#include <gtest/gtest.h>

#include "platform/media/pcm/PcmConverterFormats.h"

namespace tarnel::media {
namespace {

TEST(WaveStreamPlan, ChunksCoverTheDataExactlyWithContiguousTimes) {
    // 44.1 kHz stereo 16-bit, 10.5 seconds plus one odd frame.
    const uint64_t size = 176400ull * 10 + 88200 + 4;
    WaveStreamPlan plan(44, size, 176400, 4, true);
    EXPECT_EQ(plan.ChunkBytes(), 88200u);
    EXPECT_EQ(plan.Duration(), 105'000'000 + 227);  // 4 bytes = 22.68 us, rounded
    uint64_t byte = 0, chunks = 0;
    int64_t lastStop = 0;
    while (auto c = plan.ChunkAt(byte, 0, size)) {
        EXPECT_EQ(c->fileOffset, 44 + byte);
        EXPECT_EQ(c->start, lastStop);
        EXPECT_EQ(c->mediaStart, int64_t(byte / 4));
        EXPECT_EQ(c->length % 4, 0u);
        lastStop = c->stop;
        byte += c->length;
        ++chunks;
    }
    EXPECT_EQ(byte, size);
    EXPECT_EQ(chunks, 22u);
    EXPECT_EQ(lastStop, plan.Duration());
}

TEST(WaveStreamPlan, SeekLandsOnBlocksAndRestartsTimeStamps) {
    WaveStreamPlan plan(100, 176400 * 4, 176400, 4, true);
    const uint64_t at = plan.ByteOfTime(15'000'000);  // 1.5 s
    EXPECT_EQ(at, 264600u);
    EXPECT_EQ(plan.ByteOfTime(15'000'001) % 4, 0u);
    EXPECT_EQ(plan.ByteOfTime(-5), 0u);
    EXPECT_EQ(plan.ByteOfTime(INT64_MAX), 176400u * 4);
    auto c = plan.ChunkAt(at, at, plan.DataSize());
    ASSERT_TRUE(c);
    EXPECT_EQ(c->start, 0);
    EXPECT_EQ(c->mediaStart, 66150);
    // A stop position ends the segment early.
    const uint64_t stop = plan.ByteOfTime(20'000'000);
    uint64_t byte = at;
    while (auto next = plan.ChunkAt(byte, at, stop)) byte += next->length;
    EXPECT_EQ(byte, stop);
}

TEST(WaveStreamPlan, CompressedFormatsUseBytesAsMediaTimeAndWholeBlocks) {
    // IMA ADPCM mono 8 kHz: 256-byte blocks, 4055 bytes per second.
    WaveStreamPlan plan(60, 256 * 100, 4055, 256, false);
    EXPECT_EQ(plan.ChunkBytes(), 4096u);
    auto c = plan.ChunkAt(256 * 98, 0, plan.DataSize());
    ASSERT_TRUE(c);
    EXPECT_EQ(c->length, 512u);
    EXPECT_EQ(c->mediaStart, 256 * 98);
    // Huge blocks still make one block per sample.
    WaveStreamPlan big(0, 60000 * 3, 1000, 60000, false);
    EXPECT_EQ(big.ChunkBytes(), 60000u);
}

TEST(MulDivRound, RoundsAndDoesNotOverflow) {
    EXPECT_EQ(MulDivRound(3, 1, 2), 1);  // an exact half rounds toward zero
    EXPECT_EQ(MulDivRound(-3, 1, 2), -1);
    EXPECT_EQ(MulDivRound(0xFFFFFFFFll * 4, 10'000'000, 1), 0xFFFFFFFFll * 40'000'000);
    EXPECT_EQ(MulDivRound(INT64_MAX, 10, 1), INT64_MAX);
    EXPECT_EQ(MulDivRound(5, 5, 0), 0);
}

TEST(PcmConverterFormats, OffersTheInputShapeFirstAndOnlyValidBlocks) {
    auto in = MakeExtensibleWaveFormat(96000, 2, 24, 24, 3);
    auto offers = ProposedPcmOutputs(&in);
    ASSERT_GE(offers.size(), 3u);
    EXPECT_EQ(offers[0], MakePcmWaveFormat(96000, 2, 16));
    EXPECT_EQ(offers[1], MakePcmWaveFormat(96000, 2, 24));
    EXPECT_EQ(offers[2], MakePcmWaveFormat(44100, 2, 16));
    for (const auto& o : offers) EXPECT_TRUE(IsPcmConverterOutput(o));
    // No duplicates when the input is itself a common format.
    auto cd = MakePcmWaveFormat(44100, 2, 16);
    auto cdOffers = ProposedPcmOutputs(&cd);
    EXPECT_EQ(cdOffers.size(), ProposedPcmOutputs(nullptr).size());

    EXPECT_TRUE(IsPcmConverterInput(MakePcmWaveFormat(8000, 1, 8)));
    EXPECT_TRUE(IsPcmConverterInput(MakePcmWaveFormat(8000, 1, 32, true)));
    auto adpcm = MakePcmWaveFormat(8000, 1, 4);
    adpcm[0] = 0x11;
    EXPECT_FALSE(IsPcmConverterInput(adpcm));
    EXPECT_FALSE(IsPcmConverterInput(std::vector<uint8_t>(10)));
}

}  // namespace
}  // namespace tarnel::media
