// The start-up pass and the update-check decision it takes.
#include <limits>

#include "platform/registry/RegistryKey.h"
#include "settings/SettingsStore.h"
#include "settings/StartupPass.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel {
namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kNow = 1'800'000'000;  // 2027-01-15

TEST(UpdateDecision, DaysSinceTheLastCheck) {
    const auto decide = [](int64_t last) {
        return DecideUpdateCheck(kNow, static_cast<uint32_t>(last), true, false);
    };
    EXPECT_EQ(decide(kNow), UpdateDecision::None);
    EXPECT_EQ(decide(kNow - 10 * kDay), UpdateDecision::None);
    EXPECT_EQ(decide(kNow - 11 * kDay + 1), UpdateDecision::None);  // 10 whole days
    EXPECT_EQ(decide(kNow - 11 * kDay), UpdateDecision::ScheduleCheck);
    EXPECT_EQ(decide(kNow - 400 * kDay), UpdateDecision::ScheduleCheck);
    EXPECT_EQ(decide(0), UpdateDecision::ScheduleCheck);
    // In the future: a negative number of whole days resets; less than a day ahead truncates
    // to 0 days and changes nothing.
    EXPECT_EQ(decide(kNow + kDay), UpdateDecision::ResetLastChecked);
    EXPECT_EQ(decide(kNow + 30 * kDay), UpdateDecision::ResetLastChecked);
    EXPECT_EQ(decide(kNow + kDay - 1), UpdateDecision::None);
}

TEST(UpdateDecision, StoredValueIsUnsignedThirtyTwoBits) {
    // A time after 2038 has the top bit set; it must not read as a date before 1970.
    const int64_t later = 0x9000'0000LL;
    EXPECT_EQ(DecideUpdateCheck(later, static_cast<uint32_t>(later - 5 * kDay), true, false),
              UpdateDecision::None);
    EXPECT_EQ(DecideUpdateCheck(kNow, std::numeric_limits<uint32_t>::max(), true, false),
              UpdateDecision::ResetLastChecked);
}

TEST(UpdateDecision, NothingOnAFirstStartOrWithoutAutoUpdate) {
    EXPECT_EQ(DecideUpdateCheck(kNow, 0u, true, true), UpdateDecision::None);
    EXPECT_EQ(DecideUpdateCheck(kNow, 0u, false, false), UpdateDecision::None);
    EXPECT_EQ(DecideUpdateCheck(kNow, static_cast<uint32_t>(kNow + 5 * kDay), false, false),
              UpdateDecision::None);
    // A known user without a readable "Last Checked" has never been checked for.
    EXPECT_EQ(DecideUpdateCheck(kNow, std::nullopt, true, false), UpdateDecision::ScheduleCheck);
}

class StartupPassTest : public test::IsolatedTest {
protected:
    uint32_t LastChecked() {
        uint32_t seconds = 0;
        EXPECT_TRUE(SettingsStore().ReadLastChecked(seconds));
        return seconds;
    }
};

TEST_F(StartupPassTest, FirstStartMarksTheUserAndSchedulesNothing) {
    const StartupOutcome first = RunStartupPass(kNow);
    EXPECT_TRUE(first.firstStart);
    EXPECT_EQ(first.decision, UpdateDecision::None);
    EXPECT_TRUE(SettingsStore().IsKnownUser());
    EXPECT_EQ(LastChecked(), static_cast<uint32_t>(kNow));
    int32_t depth = 0;
    EXPECT_TRUE(SettingsStore().ReadLoggingDepth(depth));  // the defaults were written
    EXPECT_EQ(depth, 100);

    const StartupOutcome second = RunStartupPass(kNow + kDay);
    EXPECT_FALSE(second.firstStart);
    EXPECT_EQ(second.decision, UpdateDecision::None);
    EXPECT_EQ(LastChecked(), static_cast<uint32_t>(kNow));  // only a check stores the time
}

TEST_F(StartupPassTest, ElevenDaysScheduleTheCheckTenDoNot) {
    RunStartupPass(kNow - 11 * kDay);
    EXPECT_EQ(RunStartupPass(kNow).decision, UpdateDecision::ScheduleCheck);
    EXPECT_EQ(LastChecked(), static_cast<uint32_t>(kNow - 11 * kDay));
    ASSERT_TRUE(SettingsStore().WriteLastChecked(static_cast<uint32_t>(kNow - 10 * kDay)));
    EXPECT_EQ(RunStartupPass(kNow).decision, UpdateDecision::None);
    // With "Auto Update" off nothing is scheduled however old the last check.
    ASSERT_TRUE(SettingsStore().WriteAutoUpdate(false));
    ASSERT_TRUE(SettingsStore().WriteLastChecked(0));
    EXPECT_EQ(RunStartupPass(kNow).decision, UpdateDecision::None);
}

TEST_F(StartupPassTest, ALastCheckInTheFutureIsResetToNow) {
    RunStartupPass(kNow);
    ASSERT_TRUE(SettingsStore().WriteLastChecked(static_cast<uint32_t>(kNow + 3 * kDay)));
    EXPECT_EQ(RunStartupPass(kNow).decision, UpdateDecision::ResetLastChecked);
    EXPECT_EQ(LastChecked(), static_cast<uint32_t>(kNow));
    EXPECT_EQ(RunStartupPass(kNow).decision, UpdateDecision::None);
}

TEST_F(StartupPassTest, AnUnreadableAutoUpdateIsRepairedByTheDefaults) {
    RunStartupPass(kNow - 20 * kDay);
    auto key = registry::RegistryKey::Open(SettingsStore::kKeyPath, registry::RegistryKey::kCreate);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->SetValue("Auto Update", registry::REG_SZ, registry::StringBytes("0")));
    // EnsureDefaults writes 1 before the decision reads it.
    EXPECT_EQ(RunStartupPass(kNow).decision, UpdateDecision::ScheduleCheck);
}

}  // namespace
}  // namespace tarnel
