#include "update/UpdateServer.h"

#include <cstdlib>

#ifndef TARNEL_UPDATE_DEFAULT_HOST
// A name reserved never to resolve: the request refuses it before any look-up, so no build
// sends anything anywhere until the maker runs a real server.
#define TARNEL_UPDATE_DEFAULT_HOST "update.tarnel-audio.invalid"
#endif

namespace tarnel {

std::string ProductVersionText() {
    return TARNEL_VERSION_TEXT;
}

std::string UpdateHost() {
    const char* over = std::getenv("TARNEL_UPDATE_HOST");
    if (over && *over) return over;
    return TARNEL_UPDATE_DEFAULT_HOST;
}

std::string UpdateRequestPath(const std::string& version) {
    return "/cgi-bin/qz_vemora_upcln.pyg?ver=" + version;
}

}  // namespace tarnel
