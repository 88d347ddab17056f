// Definitions of the libogg, libvorbis and libvorbisenc functions the program calls, each
// forwarding to the function of the same name in libtarnel-vorbis.so, which is opened on the first
// call. When the module cannot be opened every call fails the way the library reports failures (a
// null pointer or a negative result), so a job ends with an error instead of a crash.
#include "platform/codecs/CodecModules.h"

// Everything the library headers pull in from the C library keeps its default visibility.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>

#include "framework/LazyModule.h"
#include "framework/ModuleForwarding.h"

// The forwarders stay hidden so that no shared library binds to them.
#pragma GCC visibility push(hidden)
#include "platform/vorbis/VorbisEntries.h"

#ifndef TARNEL_VORBIS_MODULE_BUILD_PATH
#define TARNEL_VORBIS_MODULE_BUILD_PATH ""
#endif

namespace tarnel::codecs {
namespace {

LazyModule& VorbisModule() {
    static LazyModule module("libtarnel-vorbis.so", TARNEL_VORBIS_MODULE_BUILD_PATH,
                             vorbis::kEntrySymbol);
    return module;
}

const vorbis::Entries* VorbisTable() {
    static const vorbis::Entries* const table =
        CheckedEntries<vorbis::Entries>(VorbisModule().Entries());
    return table;
}

}  // namespace

bool VorbisModuleLoaded() {
    return VorbisModule().Loaded();
}

}  // namespace tarnel::codecs

#define TARNEL_VORBIS_FORWARD(name, arity) \
    TARNEL_MODULE_FORWARD(tarnel::codecs::VorbisTable, tarnel::vorbis::Entries, name, arity)
TARNEL_VORBIS_FUNCTIONS(TARNEL_VORBIS_FORWARD)

#pragma GCC visibility pop
