// Definitions of the libcurl functions the update check calls, each forwarding to the function
// of the same name in libtarnel-curl.so, opened on the first call. Without the module every call
// fails (a null handle, an error code), and the check reports that it could not connect.
#include <limits.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <time.h>

#include "framework/LazyModule.h"
#include "framework/ModuleForwarding.h"

#pragma GCC visibility push(hidden)
#include "update/curl/CurlEntries.h"

#ifndef TARNEL_CURL_MODULE_BUILD_PATH
#define TARNEL_CURL_MODULE_BUILD_PATH ""
#endif

namespace tarnel::curl {
namespace {

const Entries* Table() {
    static LazyModule module("libtarnel-curl.so", TARNEL_CURL_MODULE_BUILD_PATH, kEntrySymbol);
    static const Entries* const table = CheckedEntries<Entries>(module.Entries());
    return table;
}

}  // namespace
}  // namespace tarnel::curl

#define TARNEL_CURL_FORWARD(name, arity) \
    TARNEL_MODULE_FORWARD(tarnel::curl::Table, tarnel::curl::Entries, name, arity)
TARNEL_CURL_FUNCTIONS(TARNEL_CURL_FORWARD)

// The option's number says the type of its argument (libcurl's CURLOPTTYPE_* ranges).
extern "C" CURLcode(curl_easy_setopt)(CURL* handle, CURLoption option, ...) {
    const tarnel::curl::Entries* table = tarnel::curl::Table();
    if (!table) return CURLE_FAILED_INIT;
    va_list arguments;
    // libcurl's header fixes the enumeration as the last named parameter; its values fit an int,
    // so the promotion clang warns about changes nothing.
#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wvarargs"
#endif
    va_start(arguments, option);
#ifdef __clang__
#pragma clang diagnostic pop
#endif
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        result = table->easySetopt(handle, option, va_arg(arguments, long));
    } else if (option < CURLOPTTYPE_FUNCTIONPOINT) {
        result = table->easySetopt(handle, option, va_arg(arguments, void*));
    } else if (option < CURLOPTTYPE_OFF_T) {
        using Function = void (*)();
        result = table->easySetopt(handle, option, va_arg(arguments, Function));
    } else if (option < CURLOPTTYPE_BLOB) {
        result = table->easySetopt(handle, option, va_arg(arguments, curl_off_t));
    } else {
        result = table->easySetopt(handle, option, va_arg(arguments, void*));
    }
    va_end(arguments);
    return result;
}

#pragma GCC visibility pop
