#pragma once
// The LAME functions the program calls, as one table of entry points.
// Only an MP3 export needs it: the module libtarnel-lame.so links the
// library and hands out this table; platform/codecs defines each function below as a call
// through the table, opening the module on the first call. A function used for the first time
// is added to TARNEL_LAME_FUNCTIONS with its number of parameters.
#include <lame/lame.h>

#include <cstdint>

#include "framework/ModuleForwarding.h"

// clang-format off
#define TARNEL_LAME_FUNCTIONS(X) \
    X(lame_close, 1) X(lame_encode_buffer, 6) X(lame_encode_buffer_interleaved, 5) \
    X(lame_encode_flush, 3) X(lame_init, 0) X(lame_init_params, 1) X(lame_set_VBR, 2) \
    X(lame_set_VBR_hard_min, 2) X(lame_set_VBR_max_bitrate_kbps, 2) \
    X(lame_set_VBR_min_bitrate_kbps, 2) X(lame_set_VBR_q, 2) X(lame_set_bWriteVbrTag, 2) \
    X(lame_set_brate, 2) X(lame_set_copyright, 2) X(lame_set_error_protection, 2) \
    X(lame_set_force_ms, 2) X(lame_set_highpassfreq, 2) X(lame_set_in_samplerate, 2) \
    X(lame_set_lowpassfreq, 2) X(lame_set_mode, 2) X(lame_set_num_channels, 2) \
    X(lame_set_original, 2) X(lame_set_out_samplerate, 2) X(lame_set_quality, 2) \
    X(lame_set_strict_ISO, 2)
// clang-format on

namespace tarnel::lame {

struct Entries {
    // sizeof(Entries) of the module's build: a module built from other headers is refused.
    uint32_t size;
    TARNEL_LAME_FUNCTIONS(TARNEL_MODULE_ENTRY)
};

// The module's one exported symbol: extern "C" const void* tarnel_lame_entries().
inline constexpr const char* kEntrySymbol = "tarnel_lame_entries";

}  // namespace tarnel::lame
