// Definitions of the LAME functions the program calls, each forwarding to the function of the
// same name in libtarnel-lame.so, which is opened on the first call. When the module cannot be
// opened every call fails the way the library reports failures (a null encoder or a negative
// result), so a job ends with an error instead of a crash.
#include "platform/codecs/CodecModules.h"

// Everything the library headers pull in from the C library keeps its default visibility.
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>

#include "framework/LazyModule.h"
#include "framework/ModuleForwarding.h"

// The forwarders stay hidden so that no shared library binds to them.
#pragma GCC visibility push(hidden)
#include "platform/lame/LameEntries.h"

#ifndef TARNEL_LAME_MODULE_BUILD_PATH
#define TARNEL_LAME_MODULE_BUILD_PATH ""
#endif

namespace tarnel::codecs {
namespace {

LazyModule& LameModule() {
    static LazyModule module("libtarnel-lame.so", TARNEL_LAME_MODULE_BUILD_PATH,
                             lame::kEntrySymbol);
    return module;
}

const lame::Entries* LameTable() {
    static const lame::Entries* const table = CheckedEntries<lame::Entries>(LameModule().Entries());
    return table;
}

}  // namespace

bool LameModuleLoaded() {
    return LameModule().Loaded();
}

}  // namespace tarnel::codecs

#define TARNEL_LAME_FORWARD(name, arity) \
    TARNEL_MODULE_FORWARD(tarnel::codecs::LameTable, tarnel::lame::Entries, name, arity)
TARNEL_LAME_FUNCTIONS(TARNEL_LAME_FORWARD)

#pragma GCC visibility pop
