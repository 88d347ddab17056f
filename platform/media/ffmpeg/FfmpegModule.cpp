// Definitions of the FFmpeg functions the program calls, each forwarding to the function of the
// same name in libtarnel-ffmpeg.so, which is opened on the first call. When the module cannot
// be opened every call fails the way FFmpeg reports failures (a null pointer, a negative error
// code), so a job ends with an error instead of a crash.
#include "platform/media/ffmpeg/FfmpegModule.h"

// Everything the FFmpeg headers pull in from the C library keeps its default visibility.
#include <errno.h>
#include <inttypes.h>
#include <limits.h>
#include <math.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "framework/LazyModule.h"
#include "framework/ModuleForwarding.h"

#pragma GCC visibility push(hidden)
#include "platform/ffmpeg/FfmpegEntries.h"

#ifndef TARNEL_FFMPEG_MODULE_BUILD_PATH
#define TARNEL_FFMPEG_MODULE_BUILD_PATH ""
#endif

namespace tarnel::media {
namespace {

LazyModule& Module() {
    static LazyModule module("libtarnel-ffmpeg.so", TARNEL_FFMPEG_MODULE_BUILD_PATH,
                             ffmpeg::kEntrySymbol);
    return module;
}

const ffmpeg::Entries* Table() {
    static const ffmpeg::Entries* const table = CheckedEntries<ffmpeg::Entries>(Module().Entries());
    return table;
}

}  // namespace

bool FfmpegModuleLoaded() {
    return Module().Loaded();
}

}  // namespace tarnel::media

#define TARNEL_FFMPEG_FORWARD(name, arity) \
    TARNEL_MODULE_FORWARD(tarnel::media::Table, tarnel::ffmpeg::Entries, name, arity)
TARNEL_FFMPEG_FUNCTIONS(TARNEL_FFMPEG_FORWARD)

#pragma GCC visibility pop
