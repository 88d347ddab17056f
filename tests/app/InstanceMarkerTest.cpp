#include "app/InstanceMarker.h"

#include <gtest/gtest.h>

#include "tests/support/IsolatedTest.h"

namespace tarnel {
namespace {

class InstanceMarkerTest : public test::IsolatedTest {
protected:
    void SetUp() override {
        IsolatedTest::SetUp();
        setEnv("XDG_RUNTIME_DIR", root().string());
    }
};

TEST_F(InstanceMarkerTest, SecondInstanceFindsTheMarkerHeld) {
    InstanceMarker first;
    EXPECT_TRUE(first.Acquire());
    EXPECT_TRUE(first.Held());
    {
        InstanceMarker second;
        EXPECT_FALSE(second.Acquire());
        EXPECT_FALSE(second.Held());
    }
    EXPECT_EQ(InstanceMarker::MarkerPath().parent_path(), root());
    EXPECT_NE(InstanceMarker::MarkerPath().filename().string().find(kInstanceMarkerName),
              std::string::npos);
}

TEST_F(InstanceMarkerTest, MarkerIsFreeAgainAfterTheFirstInstanceEnds) {
    {
        InstanceMarker first;
        ASSERT_TRUE(first.Acquire());
    }
    InstanceMarker next;
    EXPECT_TRUE(next.Acquire());
}

}  // namespace
}  // namespace tarnel
