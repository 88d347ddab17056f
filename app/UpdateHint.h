#pragma once
// Notifications from the document to its views. Views render only from these.
#include <cstdint>

#include "app/AudioData.h"

namespace tarnel {

enum UpdateHint : int32_t {
    HINT_CLEARED = 0,         // the list was emptied
    HINT_ENTRY_ADDED = 1,     // entry appended
    HINT_ENTRY_STATUS = 2,    // the entry's status changed
    HINT_ENTRY_PROGRESS = 3,  // the entry's conversion progress changed
    HINT_LOG = 4,             // one log record was queued
    HINT_STATUS_RESET = 5,    // statuses were reset
    HINT_SETTINGS = 7,        // general settings were re-read
};

// Marker carried by HINT_LOG for the two reset notices; the log window shows such a notice only
// right after a completed conversion.
inline constexpr int32_t kResetNoticeMarker = 3000;

// What comes with a hint: the entry for the entry hints, the marker (or 0) for HINT_LOG.
struct HintArgument {
    AudioDataPtr entry;
    int32_t marker = 0;
};

}  // namespace tarnel
