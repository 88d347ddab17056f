#include "update/HostLookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <thread>

namespace tarnel {
namespace {

std::string Canonical(std::string_view name) {
    std::string lower(name);
    if (!lower.empty() && lower.back() == '.') lower.pop_back();
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return lower;
}

bool IsUnder(const std::string& name, std::string_view domain) {
    return name == domain || (name.size() > domain.size() && name.ends_with(domain) &&
                              name[name.size() - domain.size() - 1] == '.');
}

struct AddressListFree {
    void operator()(addrinfo* list) const {
        if (list) ::freeaddrinfo(list);
    }
};

}  // namespace

bool IsUnresolvableName(std::string_view name) {
    const std::string canonical = Canonical(name);
    return IsUnder(canonical, "invalid") || IsUnder(canonical, "onion");
}

bool IsLocalhostName(std::string_view name) {
    return IsUnder(Canonical(name), "localhost");
}

bool IsNumericAddress(const std::string& name) {
    unsigned char buffer[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, name.c_str(), buffer) == 1 ||
           ::inet_pton(AF_INET6, name.c_str(), buffer) == 1;
}

std::vector<std::string> SystemResolve(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return {};
    std::unique_ptr<addrinfo, AddressListFree> list(found);
    std::vector<std::string> addresses;
    for (const addrinfo* at = list.get(); at; at = at->ai_next) {
        char text[NI_MAXHOST];
        if (::getnameinfo(at->ai_addr, at->ai_addrlen, text, sizeof text, nullptr, 0,
                          NI_NUMERICHOST) == 0 &&
            std::find(addresses.begin(), addresses.end(), text) == addresses.end()) {
            addresses.emplace_back(text);
        }
    }
    return addresses;
}

std::shared_ptr<HostLookup> HostLookup::Start(HostResolver resolver, std::string name) {
    std::shared_ptr<HostLookup> lookup(new HostLookup);
    // Detached on purpose: nothing may ever wait for a resolver that does not answer. The
    // thread owns a reference to the state it writes, so abandoning it is safe.
    std::thread([lookup, resolver = std::move(resolver), name = std::move(name)] {
        std::vector<std::string> addresses = resolver ? resolver(name) : std::vector<std::string>{};
        std::lock_guard lock(lookup->mutex_);
        lookup->addresses_ = std::move(addresses);
        lookup->answered_ = true;
        lookup->changed_.notify_all();
    }).detach();
    return lookup;
}

std::optional<std::vector<std::string>> HostLookup::Wait(
    std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [this] { return answered_ || cancelled_; });
    if (!answered_ || cancelled_) return std::nullopt;
    return addresses_;
}

void HostLookup::Cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
}

}  // namespace tarnel
