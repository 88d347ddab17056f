#include "app/FileStatus.h"

namespace tarnel {

std::string_view StatusText(FileStatus status) {
    switch (status) {
        case FileStatus::Idle:
            return "Idle";
        case FileStatus::Converting:
            return "Converting";
        case FileStatus::Playing:
            return "Playing";
        case FileStatus::Paused:
            return "Paused";
        case FileStatus::Converted:
            return "Converted";
        case FileStatus::Error:
            return "Error";
        case FileStatus::NoStatus:
            break;
    }
    return {};
}

bool IsEntryStatus(int32_t code) {
    return code >= static_cast<int32_t>(FileStatus::Idle) &&
           code <= static_cast<int32_t>(FileStatus::Error);
}

}  // namespace tarnel
