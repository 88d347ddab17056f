// Definitions of the libogg, libvorbis, libvorbisenc, LAME and libmpg123 functions the program
// calls, each forwarding to the function of the same name in its module (libtarnel-vorbis.so,
// libtarnel-lame.so, libtarnel-mpg123.so), which is opened on the first call. When a module
// cannot be opened every call fails the way its library reports failures (a null pointer or a
// negative result), so a job ends with an error instead of a crash.
#include "platform/codecs/CodecModules.h"

// Everything the library headers pull in from the C library keeps its default visibility.
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>

#include <mutex>

#include "framework/LazyModule.h"
#include "framework/ModuleForwarding.h"

// The forwarders stay hidden so that no shared library binds to them.
#pragma GCC visibility push(hidden)
#include "platform/lame/LameEntries.h"
#include "platform/mpg123/Mpg123Entries.h"
#include "platform/vorbis/VorbisEntries.h"

#ifndef TARNEL_VORBIS_MODULE_BUILD_PATH
#define TARNEL_VORBIS_MODULE_BUILD_PATH ""
#endif
#ifndef TARNEL_LAME_MODULE_BUILD_PATH
#define TARNEL_LAME_MODULE_BUILD_PATH ""
#endif
#ifndef TARNEL_MPG123_MODULE_BUILD_PATH
#define TARNEL_MPG123_MODULE_BUILD_PATH ""
#endif

namespace tarnel::codecs {
namespace {

// One codec module: opened on the first call through its table.
template <class Entries>
class CodecModule {
public:
    CodecModule(const char* fileName, const char* buildPath, const char* entrySymbol)
        : module_(fileName, buildPath, entrySymbol) {}
    const Entries* Table() {
        std::call_once(once_, [this] { table_ = CheckedEntries<Entries>(module_.Entries()); });
        return table_;
    }
    bool Loaded() const { return module_.Loaded(); }

private:
    LazyModule module_;
    std::once_flag once_;
    const Entries* table_ = nullptr;  // written once under once_
};

CodecModule<vorbis::Entries>& Vorbis() {
    static CodecModule<vorbis::Entries> module(
        "libtarnel-vorbis.so", TARNEL_VORBIS_MODULE_BUILD_PATH, vorbis::kEntrySymbol);
    return module;
}
CodecModule<lame::Entries>& Lame() {
    static CodecModule<lame::Entries> module("libtarnel-lame.so", TARNEL_LAME_MODULE_BUILD_PATH,
                                             lame::kEntrySymbol);
    return module;
}
CodecModule<mpg123::Entries>& Mpg123() {
    static CodecModule<mpg123::Entries> module(
        "libtarnel-mpg123.so", TARNEL_MPG123_MODULE_BUILD_PATH, mpg123::kEntrySymbol);
    return module;
}

const vorbis::Entries* VorbisTable() {
    return Vorbis().Table();
}
const lame::Entries* LameTable() {
    return Lame().Table();
}
const mpg123::Entries* Mpg123Table() {
    return Mpg123().Table();
}

}  // namespace

bool VorbisModuleLoaded() {
    return Vorbis().Loaded();
}
bool LameModuleLoaded() {
    return Lame().Loaded();
}
bool Mpg123ModuleLoaded() {
    return Mpg123().Loaded();
}

}  // namespace tarnel::codecs

#define TARNEL_VORBIS_FORWARD(name, arity) \
    TARNEL_MODULE_FORWARD(tarnel::codecs::VorbisTable, tarnel::vorbis::Entries, name, arity)
TARNEL_VORBIS_FUNCTIONS(TARNEL_VORBIS_FORWARD)
#define TARNEL_LAME_FORWARD(name, arity) \
    TARNEL_MODULE_FORWARD(tarnel::codecs::LameTable, tarnel::lame::Entries, name, arity)
TARNEL_LAME_FUNCTIONS(TARNEL_LAME_FORWARD)
#define TARNEL_MPG123_FORWARD(name, arity) \
    TARNEL_MODULE_FORWARD(tarnel::codecs::Mpg123Table, tarnel::mpg123::Entries, name, arity)
TARNEL_MPG123_FUNCTIONS(TARNEL_MPG123_FORWARD)

#pragma GCC visibility pop
