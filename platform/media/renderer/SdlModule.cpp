// Definitions of the SDL2 functions the program calls, each forwarding to the function of the
// same name in libtarnel-sdl.so, which is opened on the first call. When the module cannot be
// opened every call fails the way SDL reports failures (a negative result, a device id of 0),
// so a preview ends with an error instead of a crash.
#include "platform/media/renderer/SdlModule.h"

// Everything SDL's headers pull in from the C library keeps its default visibility.
#include <inttypes.h>
#include <math.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "framework/LazyModule.h"
#include "framework/ModuleForwarding.h"

// SDL declares its functions with default visibility explicitly; the forwarders must stay
// hidden so that no shared library binds to them.
#define DECLSPEC
#pragma GCC visibility push(hidden)
#include "platform/sdl/SdlEntries.h"

#ifndef TARNEL_SDL_MODULE_BUILD_PATH
#define TARNEL_SDL_MODULE_BUILD_PATH ""
#endif

namespace tarnel::media {
namespace {

LazyModule& Module() {
    static LazyModule module("libtarnel-sdl.so", TARNEL_SDL_MODULE_BUILD_PATH, sdl::kEntrySymbol);
    return module;
}

const sdl::Entries* Table() {
    static const sdl::Entries* const table = CheckedEntries<sdl::Entries>(Module().Entries());
    return table;
}

}  // namespace

bool SdlModuleLoaded() {
    return Module().Loaded();
}

}  // namespace tarnel::media

#define TARNEL_SDL_FORWARD(name, arity) \
    TARNEL_MODULE_FORWARD(tarnel::media::Table, tarnel::sdl::Entries, name, arity)
TARNEL_SDL_FUNCTIONS(TARNEL_SDL_FORWARD)

#pragma GCC visibility pop
