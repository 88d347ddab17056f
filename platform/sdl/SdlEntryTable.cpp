// libtarnel-sdl.so: links SDL2 and hands out the addresses of its functions. Loaded with dlopen
// by platform/media/renderer on the first SDL call (a preview or a sound alert).
#include "platform/sdl/SdlEntries.h"

extern "C" __attribute__((visibility("default"))) const void* tarnel_sdl_entries() {
    static const tarnel::sdl::Entries entries{sizeof(tarnel::sdl::Entries),
                                              TARNEL_SDL_FUNCTIONS(TARNEL_MODULE_ADDRESS)};
    return &entries;
}
