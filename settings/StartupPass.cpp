#include "settings/StartupPass.h"

#include "settings/SettingsStore.h"

namespace tarnel {

namespace {
constexpr int64_t kSecondsPerDay = 86400;
}  // namespace

UpdateDecision DecideUpdateCheck(int64_t now, std::optional<uint32_t> lastChecked, bool autoUpdate,
                                 bool firstStart) {
    if (firstStart || !autoUpdate) return UpdateDecision::None;
    if (!lastChecked) return UpdateDecision::ScheduleCheck;
    // The stored value is unsigned: widened without sign, it stays right until 2106.
    const int64_t days = (now - static_cast<int64_t>(*lastChecked)) / kSecondsPerDay;
    if (days < 0) return UpdateDecision::ResetLastChecked;
    if (days > kUpdateCheckIntervalDays) return UpdateDecision::ScheduleCheck;
    return UpdateDecision::None;
}

StartupOutcome RunStartupPass(int64_t now) {
    StartupOutcome outcome;
    // Only the low 32 bits of the time are stored.
    const auto stamp = static_cast<uint32_t>(now);
    SettingsStore().EnsureDefaults();
    if (!SettingsStore().IsKnownUser()) {
        outcome.firstStart = true;
        (void)SettingsStore().MarkKnownUser();  // a failed write only repeats the first start
        (void)SettingsStore().WriteLastChecked(stamp);
    }
    bool autoUpdate = false;
    (void)SettingsStore().ReadAutoUpdate(autoUpdate);  // unreadable reads as off
    uint32_t stored = 0;
    std::optional<uint32_t> lastChecked;
    if (SettingsStore().ReadLastChecked(stored)) lastChecked = stored;
    outcome.decision = DecideUpdateCheck(now, lastChecked, autoUpdate, outcome.firstStart);
    if (outcome.decision == UpdateDecision::ResetLastChecked) {
        (void)SettingsStore().WriteLastChecked(stamp);
    }
    return outcome;
}

}  // namespace tarnel
