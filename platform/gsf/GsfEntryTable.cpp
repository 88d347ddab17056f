// libtarnel-gsf.so: links libgsf and hands out the addresses of its functions. Loaded with
// dlopen by platform/storage when a session file is first opened or saved.
#include "platform/gsf/GsfEntries.h"

extern "C" __attribute__((visibility("default"))) const void* tarnel_gsf_entries() {
    static const tarnel::gsf::Entries entries{sizeof(tarnel::gsf::Entries),
                                              TARNEL_GSF_FUNCTIONS(TARNEL_MODULE_ADDRESS)};
    return &entries;
}
