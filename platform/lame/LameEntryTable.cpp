// libtarnel-lame.so: links LAME and hands out the addresses of its functions. Loaded with dlopen by
// platform/codecs on the first call (an MP3 export).
#include "platform/lame/LameEntries.h"

extern "C" __attribute__((visibility("default"))) const void* tarnel_lame_entries() {
    static const tarnel::lame::Entries entries{sizeof(tarnel::lame::Entries),
                                               TARNEL_LAME_FUNCTIONS(TARNEL_MODULE_ADDRESS)};
    return &entries;
}
