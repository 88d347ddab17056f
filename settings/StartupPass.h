#pragma once
// What every program of the suite does with the settings when it starts: the start-up defaults,
// the first-start marking and the decision about the automatic update check. The desktop
// program schedules the check it is told to; tarnel-convert only runs the pass.
#include <cstdint>
#include <optional>

namespace tarnel {

enum class UpdateDecision {
    None,              // nothing to do
    ResetLastChecked,  // "Last Checked" lies more than a day ahead: store the current time
    ScheduleCheck,     // start the update check (timer kUpdateCheckTimerId after the delay)
};

// The main window's timer that starts the update check, and its period.
inline constexpr int kUpdateCheckTimerId = 1000;
inline constexpr int kUpdateCheckDelayMs = 13165;
// Whole days since the last check after which the next check is due (more than this).
inline constexpr int64_t kUpdateCheckIntervalDays = 10;

// Decides from the current time (seconds since 1970), the stored "Last Checked" (nothing when it
// cannot be read), "Auto Update" and whether this is the user's first start. Days are
// (now - lastChecked) / 86400 in signed 64-bit arithmetic, truncated: negative days reset, more
// than ten schedule the check. A first start, or "Auto Update" off, decides nothing. A missing
// "Last Checked" counts as never checked, so the check is scheduled.
UpdateDecision DecideUpdateCheck(int64_t now, std::optional<uint32_t> lastChecked, bool autoUpdate,
                                 bool firstStart);

struct StartupOutcome {
    bool firstStart = false;  // "Virgin" was missing and has now been written
    UpdateDecision decision = UpdateDecision::None;
};

// The start-up pass: EnsureDefaults; on a first start MarkKnownUser and "Last Checked" = now;
// then the update decision, whose "Last Checked" reset is applied here. Scheduling a check is
// left to the caller.
StartupOutcome RunStartupPass(int64_t now);

}  // namespace tarnel
