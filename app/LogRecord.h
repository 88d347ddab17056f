#pragma once
// One message for the log window, queued by the document and taken by the log window.
#include <cstdint>
#include <string>

namespace tarnel {

enum LogCode : int32_t {
    LOG_ERROR = 2000,
    LOG_NOTICE = 2001,
    LOG_CANCELLED = 2002,
    LOG_SELECTION = 2003,
};

struct LogRecord {
    std::string text;     // a record with empty text is never shown
    std::string remarks;  // second column for a record that is not an error
    bool isError = false;
    LogCode code = LOG_NOTICE;
    int32_t errorNumber = -1;  // shown as "Error code: %d" for errors; -1 = none
};

}  // namespace tarnel
