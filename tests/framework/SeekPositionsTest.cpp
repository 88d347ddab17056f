#include <gtest/gtest.h>

#include "framework/SeekPositions.h"

namespace tarnel {
namespace {

TEST(SeekPositions, RefusesMissingValuesAndAnIncrementalStart) {
    int64_t value = 5;
    EXPECT_EQ(CheckSeekArguments(nullptr, AM_SEEKING_AbsolutePositioning, nullptr, 0), E_POINTER);
    EXPECT_EQ(CheckSeekArguments(&value, AM_SEEKING_AbsolutePositioning, nullptr,
                                 AM_SEEKING_RelativePositioning),
              E_POINTER);
    // A null pointer is refused before the flags are looked at.
    EXPECT_EQ(CheckSeekArguments(nullptr, AM_SEEKING_IncrementalPositioning, nullptr, 0),
              E_POINTER);
    EXPECT_EQ(CheckSeekArguments(&value, AM_SEEKING_IncrementalPositioning, nullptr, 0),
              E_INVALIDARG);
    // Only the low two bits position; the others are options.
    EXPECT_EQ(CheckSeekArguments(nullptr, AM_SEEKING_ReturnTime, &value,
                                 AM_SEEKING_IncrementalPositioning | AM_SEEKING_ReturnTime),
              S_OK);
}

TEST(SeekPositions, ResolvesEveryModeFromTheOldPositions) {
    const int64_t current = 300, stop = 40;
    struct Case {
        uint32_t currentFlags, stopFlags;
        int64_t start, end;
        bool movesStart, movesStop;
    } cases[] = {
        {AM_SEEKING_NoPositioning, AM_SEEKING_NoPositioning, 1000, 5000, false, false},
        {AM_SEEKING_AbsolutePositioning, AM_SEEKING_NoPositioning, 300, 5000, true, false},
        {AM_SEEKING_RelativePositioning | AM_SEEKING_ReturnTime, AM_SEEKING_AbsolutePositioning,
         1300, 40, true, true},
        {AM_SEEKING_NoPositioning, AM_SEEKING_RelativePositioning, 1000, 5040, false, true},
        // An incremental stop counts from the new start.
        {AM_SEEKING_AbsolutePositioning, AM_SEEKING_IncrementalPositioning, 300, 340, true, true},
        {AM_SEEKING_NoPositioning, AM_SEEKING_IncrementalPositioning, 1000, 1040, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.currentFlags << "/" << c.stopFlags);
        const SeekPositions p =
            ResolveSeekPositions(1000, 5000, &current, c.currentFlags, &stop, c.stopFlags);
        EXPECT_EQ(p.start, c.start);
        EXPECT_EQ(p.stop, c.end);
        EXPECT_EQ(p.movesStart, c.movesStart);
        EXPECT_EQ(p.movesStop, c.movesStop);
    }
    // Nothing is clamped: a relative start may go below zero for the filter to fit.
    const int64_t back = -2000;
    EXPECT_EQ(
        ResolveSeekPositions(1000, 5000, &back, AM_SEEKING_RelativePositioning, nullptr, 0).start,
        -1000);
}

TEST(SeekPositions, ReturnsTimesOnlyWhereAsked) {
    int64_t current = 1, stop = 2;
    ReturnSeekTimes(10, 20, &current, AM_SEEKING_ReturnTime, &stop, AM_SEEKING_AbsolutePositioning);
    EXPECT_EQ(current, 10);
    EXPECT_EQ(stop, 2);
    ReturnSeekTimes(10, 20, nullptr, AM_SEEKING_ReturnTime, &stop, AM_SEEKING_ReturnTime);
    EXPECT_EQ(stop, 20);
}

}  // namespace
}  // namespace tarnel
