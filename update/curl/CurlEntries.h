#pragma once
// The libcurl functions the update check calls, as one table of entry points handed out by the
// module libtarnel-curl.so (which links libcurl and its TLS stack). update/CurlModule.cpp
// defines each function as a call through the table and opens the module on the first call, so
// only a run that checks for an update loads libcurl. A function used for the first time is
// added to TARNEL_CURL_FUNCTIONS with its number of parameters (the link fails until it is).
#include <cstdint>

#include "framework/ModuleForwarding.h"

#include <curl/curl.h>

// curl_easy_setopt takes a variable argument and is forwarded by hand.
// clang-format off
#define TARNEL_CURL_FUNCTIONS(X)                                                           \
    X(curl_global_init, 1) X(curl_easy_init, 0) X(curl_easy_cleanup, 1)                    \
    X(curl_slist_append, 2) X(curl_slist_free_all, 1) X(curl_multi_init, 0)                \
    X(curl_multi_add_handle, 2) X(curl_multi_remove_handle, 2) X(curl_multi_cleanup, 1)    \
    X(curl_multi_perform, 2) X(curl_multi_poll, 5) X(curl_multi_info_read, 2)              \
    X(curl_multi_wakeup, 1)
// clang-format on

namespace tarnel::curl {

struct Entries {
    uint32_t size;  // sizeof(Entries) of the module's build
    TARNEL_CURL_FUNCTIONS(TARNEL_MODULE_ENTRY)
    decltype(&::curl_easy_setopt) easySetopt;
};

// The module's one exported symbol: extern "C" const void* tarnel_curl_entries(), the address of
// its Entries.
inline constexpr const char* kEntrySymbol = "tarnel_curl_entries";

}  // namespace tarnel::curl
