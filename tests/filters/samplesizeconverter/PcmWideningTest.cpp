#include "filters/samplesizeconverter/PcmWidening.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarnel {
namespace {

int16_t ReadLe16(const std::vector<uint8_t>& bytes, size_t index) {
    return static_cast<int16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
}

TEST(PcmWidening, KnownValues) {
    EXPECT_EQ(WidenPcm8Sample(0), -32767);
    EXPECT_EQ(WidenPcm8Sample(128), 0);
    EXPECT_EQ(WidenPcm8Sample(255), 32511);
    EXPECT_EQ(WidenPcm8Sample(129), 255);
    EXPECT_EQ(WidenPcm8Sample(127), -255);
}

TEST(PcmWidening, EveryByteMatchesTheFloatingPointScaleTruncatedTowardZero) {
    for (int b = 0; b < 256; ++b) {
        const double scaled = (b - 128) * 255.9921875;
        const double expected = std::clamp(std::trunc(scaled), -32768.0, 32767.0);
        EXPECT_EQ(WidenPcm8Sample(static_cast<uint8_t>(b)), static_cast<int16_t>(expected))
            << "byte " << b;
    }
}

TEST(PcmWidening, BufferIsLittleEndianAndInOrder) {
    std::vector<uint8_t> in(1000);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>((i * 37 + 11) & 0xFF);
    std::vector<uint8_t> out(2 * in.size() + 2, 0xEE);
    WidenPcm8To16(in.data(), in.size(), out.data());
    for (size_t i = 0; i < in.size(); ++i) {
        ASSERT_EQ(ReadLe16(out, i), WidenPcm8Sample(in[i])) << "sample " << i;
    }
    // Nothing is written past 2n bytes.
    EXPECT_EQ(out[2 * in.size()], 0xEE);
    EXPECT_EQ(out[2 * in.size() + 1], 0xEE);
}

TEST(PcmWidening, WideningIsMonotonic) {
    for (int b = 1; b < 256; ++b) {
        EXPECT_GT(WidenPcm8Sample(static_cast<uint8_t>(b)),
                  WidenPcm8Sample(static_cast<uint8_t>(b - 1)));
    }
}

}  // namespace
}  // namespace tarnel
