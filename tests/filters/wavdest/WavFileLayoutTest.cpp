#include "filters/wavdest/WavFileLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/WaveFormat.h"

namespace tarnel {
namespace {

std::string Tag(const std::vector<uint8_t>& bytes, size_t offset) {
    return std::string(reinterpret_cast<const char*>(bytes.data() + offset), 4);
}

TEST(WavFileLayout, PcmHeaderIs46Bytes) {
    const auto block = SerializeWaveFormat(MakePcmFormat(2, 44100, 16));
    ASSERT_EQ(block.size(), 18u);
    const auto header = BuildWavHeader(block, 176400);
    ASSERT_EQ(header.size(), 46u);
    EXPECT_EQ(*WavHeaderSize(block.size()), 46u);
    EXPECT_EQ(Tag(header, 0), "RIFF");
    EXPECT_EQ(ReadLe32(&header[4]), 46u + 176400u - 8u);
    EXPECT_EQ(Tag(header, 8), "WAVE");
    EXPECT_EQ(Tag(header, 12), "fmt ");
    EXPECT_EQ(ReadLe32(&header[16]), 18u);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), header.begin() + 20));
    EXPECT_EQ(Tag(header, 38), "data");
    EXPECT_EQ(ReadLe32(&header[42]), 176400u);
}

TEST(WavFileLayout, MpegFormatBlockGives68ByteHeaderAndOddSizesGetNoPad) {
    std::vector<uint8_t> block(40);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i + 1);
    auto header = BuildWavHeader(block, 0);
    EXPECT_EQ(header.size(), 68u);
    EXPECT_EQ(ReadLe32(&header[4]), 60u);
    EXPECT_EQ(Tag(header, 60), "data");
    EXPECT_EQ(ReadLe32(&header[64]), 0u);

    // A 19-byte block and an odd data size: the data tag follows the block directly.
    std::vector<uint8_t> odd(19, 0xAB);
    header = BuildWavHeader(odd, 7);
    ASSERT_EQ(header.size(), 47u);
    EXPECT_EQ(ReadLe32(&header[16]), 19u);
    EXPECT_EQ(Tag(header, 39), "data");
    EXPECT_EQ(ReadLe32(&header[43]), 7u);
    EXPECT_EQ(ReadLe32(&header[4]), 47u + 7u - 8u);
}

TEST(WavFileLayout, HeaderSizeLimits) {
    EXPECT_EQ(WavHeaderSize(0), 28u);
    EXPECT_EQ(WavHeaderSize(UINT32_MAX - 28), UINT32_MAX);
    EXPECT_FALSE(WavHeaderSize(UINT32_MAX - 27).has_value());
}

TEST(WavFileLayout, WriteRangesFollowEachOtherAndStopBefore4GiB) {
    auto range = NextWriteRange(46, 0, 17640);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->start, 46u);
    EXPECT_EQ(range->end, 46u + 17640u);
    range = NextWriteRange(46, 17640, 100);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->start, 46u + 17640u);

    // The last byte that still fits ends exactly at 4 GiB - 1.
    const uint32_t written = UINT32_MAX - 46 - 10;
    range = NextWriteRange(46, written, 10);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->end, UINT32_MAX);
    EXPECT_FALSE(NextWriteRange(46, written, 11).has_value());
    EXPECT_FALSE(NextWriteRange(46, UINT32_MAX - 10, 0).has_value());
}

TEST(WavFileLayout, PcmMediaTime) {
    EXPECT_EQ(PcmBytesToMediaTime(17640, 176400), 1'000'000);
    EXPECT_EQ(PcmBytesToMediaTime(1, 176400), 56);  // 56.69 truncated
    EXPECT_EQ(PcmBytesToMediaTime(UINT32_MAX, 1), int64_t{UINT32_MAX} * 10'000'000);
    EXPECT_EQ(PcmBytesToMediaTime(1000, 0), 0);
}

}  // namespace
}  // namespace tarnel
