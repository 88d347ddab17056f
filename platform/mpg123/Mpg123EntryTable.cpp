// libtarnel-mpg123.so: links libmpg123 and hands out the addresses of its functions. Loaded with
// dlopen by platform/codecs on the first call (an MP3 file decoded).
#include "platform/mpg123/Mpg123Entries.h"

extern "C" __attribute__((visibility("default"))) const void* tarnel_mpg123_entries() {
    static const tarnel::mpg123::Entries entries{sizeof(tarnel::mpg123::Entries),
                                                 TARNEL_MPG123_FUNCTIONS(TARNEL_MODULE_ADDRESS)};
    return &entries;
}
