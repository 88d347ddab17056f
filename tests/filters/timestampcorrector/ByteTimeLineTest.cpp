#include "filters/timestampcorrector/ByteTimeLine.h"

#include <gtest/gtest.h>

namespace tarnel {
namespace {

TEST(ByteTimeLine, TimePerByteIsTruncated) {
    EXPECT_EQ(ByteTimeLine::TimePerByte(176400), 56);  // 56.69 truncated
    EXPECT_EQ(ByteTimeLine::TimePerByte(16000), 625);
    EXPECT_EQ(ByteTimeLine::TimePerByte(1), 10'000'000);
    EXPECT_EQ(ByteTimeLine::TimePerByte(10'000'000), 1);
    EXPECT_EQ(ByteTimeLine::TimePerByte(0), 0);
}

TEST(ByteTimeLine, CdQualityStereo) {
    ByteTimeLine line;
    line.Restart(176400);
    const auto first = line.Next(17640);
    EXPECT_EQ(first.start, 0);
    EXPECT_EQ(first.stop, 987840);
    EXPECT_EQ(line.nextStart(), 987896);
    const auto second = line.Next(17640);
    EXPECT_EQ(second.start, 987896);
    EXPECT_EQ(second.stop, 987896 + 987840);
}

TEST(ByteTimeLine, NarrowbandMono) {
    ByteTimeLine line;
    line.Restart(16000);
    const auto first = line.Next(1600);
    EXPECT_EQ(first.start, 0);
    EXPECT_EQ(first.stop, 1'000'000);
    EXPECT_EQ(line.Next(1600).start, 1'000'625);
}

TEST(ByteTimeLine, EmptySampleStillAdvancesByOneByte) {
    ByteTimeLine line;
    line.Restart(16000);
    const auto empty = line.Next(0);
    EXPECT_EQ(empty.start, 0);
    EXPECT_EQ(empty.stop, 0);
    EXPECT_EQ(line.nextStart(), 625);
}

TEST(ByteTimeLine, RestartAndClearReturnToZero) {
    ByteTimeLine line;
    line.Restart(176400);
    line.Next(100000);
    line.Restart(176400);
    EXPECT_EQ(line.nextStart(), 0);
    EXPECT_EQ(line.Next(10).start, 0);
    line.Clear();
    EXPECT_EQ(line.bytesPerSecond(), 0u);
    EXPECT_EQ(line.timePerByte(), 0);
    EXPECT_EQ(line.nextStart(), 0);
}

TEST(ByteTimeLine, LongStreamsDoNotOverflow) {
    // Ten hours of 8-channel 32-bit 192 kHz audio in one-second samples.
    ByteTimeLine line;
    const uint32_t rate = 192000u * 8u * 4u;
    line.Restart(rate);
    ByteTimeLine::Span last;
    for (int i = 0; i < 36000; ++i) last = line.Next(rate);
    EXPECT_GT(last.stop, last.start);
    EXPECT_EQ(last.stop, 36000LL * rate * line.timePerByte() + 35999LL * line.timePerByte());
}

}  // namespace
}  // namespace tarnel
