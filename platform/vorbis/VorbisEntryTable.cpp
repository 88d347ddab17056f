// libtarnel-vorbis.so: links libogg, libvorbis and libvorbisenc and hands out the addresses of its
// functions. Loaded with dlopen by platform/codecs on the first call (an Ogg file probed or played,
// or an Ogg Vorbis export).
#include "platform/vorbis/VorbisEntries.h"

extern "C" __attribute__((visibility("default"))) const void* tarnel_vorbis_entries() {
    static const tarnel::vorbis::Entries entries{sizeof(tarnel::vorbis::Entries),
                                                 TARNEL_VORBIS_FUNCTIONS(TARNEL_MODULE_ADDRESS)};
    return &entries;
}
