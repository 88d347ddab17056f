// Definitions of the libmpg123 functions the program calls, each forwarding to the function of the
// same name in libtarnel-mpg123.so, which is opened on the first call. When the module cannot be
// opened every call fails the way the library reports failures (a null handle or a negative
// result), so a job ends with an error instead of a crash.
#include "platform/codecs/CodecModules.h"

// Everything the library headers pull in from the C library keeps its default visibility.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/types.h>

#include "framework/LazyModule.h"
#include "framework/ModuleForwarding.h"

// The forwarders stay hidden so that no shared library binds to them.
#pragma GCC visibility push(hidden)
#include "platform/mpg123/Mpg123Entries.h"

#ifndef TARNEL_MPG123_MODULE_BUILD_PATH
#define TARNEL_MPG123_MODULE_BUILD_PATH ""
#endif

namespace tarnel::codecs {
namespace {

LazyModule& Mpg123Module() {
    static LazyModule module("libtarnel-mpg123.so", TARNEL_MPG123_MODULE_BUILD_PATH,
                             mpg123::kEntrySymbol);
    return module;
}

const mpg123::Entries* Mpg123Table() {
    static const mpg123::Entries* const table =
        CheckedEntries<mpg123::Entries>(Mpg123Module().Entries());
    return table;
}

}  // namespace

bool Mpg123ModuleLoaded() {
    return Mpg123Module().Loaded();
}

}  // namespace tarnel::codecs

#define TARNEL_MPG123_FORWARD(name, arity) \
    TARNEL_MODULE_FORWARD(tarnel::codecs::Mpg123Table, tarnel::mpg123::Entries, name, arity)
TARNEL_MPG123_FUNCTIONS(TARNEL_MPG123_FORWARD)

#pragma GCC visibility pop
