#pragma once
// The libmpg123 functions the program calls, as one table of entry points.
// Only an MP3 source needs it: the module libtarnel-mpg123.so links the
// library and hands out this table; platform/codecs defines each function below as a call
// through the table, opening the module on the first call. A function used for the first time
// is added to TARNEL_MPG123_FUNCTIONS with its number of parameters.
#include <mpg123.h>

#include <cstdint>

#include "framework/ModuleForwarding.h"

// clang-format off
#define TARNEL_MPG123_FUNCTIONS(X) \
    X(mpg123_close, 1) X(mpg123_delete, 1) X(mpg123_feed, 3) X(mpg123_format, 4) \
    X(mpg123_format_none, 1) X(mpg123_getformat, 4) X(mpg123_init, 0) X(mpg123_new, 2) \
    X(mpg123_open_feed, 1) X(mpg123_param, 4) X(mpg123_rates, 2) X(mpg123_read, 4)
// clang-format on

namespace tarnel::mpg123 {

struct Entries {
    // sizeof(Entries) of the module's build: a module built from other headers is refused.
    uint32_t size;
    TARNEL_MPG123_FUNCTIONS(TARNEL_MODULE_ENTRY)
};

// The module's one exported symbol: extern "C" const void* tarnel_mpg123_entries().
inline constexpr const char* kEntrySymbol = "tarnel_mpg123_entries";

}  // namespace tarnel::mpg123
