#include "update/InternetState.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace tarnel {
namespace {

bool HasRouteIn(const char* table, bool hasHeader, int interfaceColumn) {
    std::ifstream in(table);
    std::string line;
    bool header = hasHeader;
    while (std::getline(in, line)) {
        if (header) {
            header = false;
            continue;
        }
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i <= interfaceColumn && fields >> field; ++i) {
        }
        if (!field.empty() && field != "lo") return true;
    }
    return false;
}

bool IsLoopbackHost(const std::string& host) {
    std::string name =
        host.substr(0, host.rfind(':') == std::string::npos ? host.size() : host.rfind(':'));
    return name == "localhost" || name.starts_with("127.") || name == "[::1]";
}

}  // namespace

bool IsInternetConnected() {
    if (const char* over = std::getenv("TARNEL_UPDATE_HOST"); over && IsLoopbackHost(over)) {
        return true;
    }
    // /proc/net/route: interface is column 0; /proc/net/ipv6_route: column 9, no header.
    return HasRouteIn("/proc/net/route", true, 0) || HasRouteIn("/proc/net/ipv6_route", false, 9);
}

}  // namespace tarnel
