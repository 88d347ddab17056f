#pragma once
// Status of one listed file, as the list's "Status" column shows it and the session file stores it.
#include <cstdint>
#include <string_view>

namespace tarnel {

enum class FileStatus : int32_t {
    Idle = 1000,
    Converting = 1001,
    Playing = 1002,
    Paused = 1003,
    Converted = 1004,
    Error = 1005,
    // Marks "no status saved" in the preview slot; never held by an entry.
    NoStatus = 1006,
};

// The text shown for a status; empty for NoStatus and for codes outside 1000..1005.
std::string_view StatusText(FileStatus status);

// True for the codes an entry may hold (1000..1005).
bool IsEntryStatus(int32_t code);

}  // namespace tarnel
