// Definitions of the libgsf and GObject functions the program calls, each forwarding to the
// function of the same name in libtarnel-gsf.so, which is opened on the first call. When the
// module cannot be opened every call fails the way libgsf reports failures (a null object, a
// negative size), so a session file fails to open or save with an error instead of a crash.
#include <errno.h>
#include <limits.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "framework/LazyModule.h"
#include "framework/ModuleForwarding.h"

// Everything the GLib headers pull in from the C library keeps its default visibility (above).
#pragma GCC visibility push(hidden)
#include "platform/gsf/GsfEntries.h"

#ifndef TARNEL_GSF_MODULE_BUILD_PATH
#define TARNEL_GSF_MODULE_BUILD_PATH ""
#endif

namespace tarnel::storage {
namespace {

const gsf::Entries* Table() {
    static LazyModule module("libtarnel-gsf.so", TARNEL_GSF_MODULE_BUILD_PATH, gsf::kEntrySymbol);
    static const gsf::Entries* const table = CheckedEntries<gsf::Entries>(module.Entries());
    return table;
}

}  // namespace
}  // namespace tarnel::storage

#define TARNEL_GSF_FORWARD(name, arity) \
    TARNEL_MODULE_FORWARD(tarnel::storage::Table, tarnel::gsf::Entries, name, arity)
TARNEL_GSF_FUNCTIONS(TARNEL_GSF_FORWARD)

#pragma GCC visibility pop
