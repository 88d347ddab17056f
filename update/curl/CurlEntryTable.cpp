// libtarnel-curl.so: links libcurl and hands out the addresses of its functions. Opened with
// dlopen by the update check on its first libcurl call.
#include "update/curl/CurlEntries.h"

// Typed as the loader calls it (a function returning const void*): calling a function through a
// pointer of another type is undefined, and clang's sanitizer stops on it.
extern "C" __attribute__((visibility("default"))) const void* tarnel_curl_entries() {
    static const tarnel::curl::Entries entries{
        sizeof(tarnel::curl::Entries),
        TARNEL_CURL_FUNCTIONS(TARNEL_MODULE_ADDRESS) & ::curl_easy_setopt};
    return &entries;
}
