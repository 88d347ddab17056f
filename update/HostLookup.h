#pragma once
// Name resolution for the update request, done apart from libcurl so that closing never waits
// for a slow name server: the lookup runs on a thread of its own, which the request abandons
// when it is aborted or times out (the thread finishes whenever the resolver returns, holding
// the only other reference to the lookup's state).
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnel {

// Turns a host name into numeric addresses ("192.0.2.1", "2001:db8::1"); empty when unknown.
// It may block for as long as the name service takes.
using HostResolver = std::function<std::vector<std::string>(const std::string& name)>;

// getaddrinfo.
std::vector<std::string> SystemResolve(const std::string& name);

// Names that must never reach a name server: "invalid" and everything under it (RFC 6761) and
// "onion" with everything under it (RFC 7686). Letter case and a final dot do not matter.
bool IsUnresolvableName(std::string_view name);

// "localhost" and names under it, which RFC 6761 has answered with the loopback addresses
// without asking a name server.
bool IsLocalhostName(std::string_view name);

// A numeric IPv4 or IPv6 address (without brackets).
bool IsNumericAddress(const std::string& name);

class HostLookup {
public:
    // Starts resolving `name` on a new thread.
    static std::shared_ptr<HostLookup> Start(HostResolver resolver, std::string name);

    // The addresses once the resolver has answered; nothing when `deadline` passed or the
    // lookup was cancelled first.
    std::optional<std::vector<std::string>> Wait(std::chrono::steady_clock::time_point deadline);
    // Any thread: makes Wait return at once; the resolver's thread is left to finish alone.
    void Cancel();

private:
    HostLookup() = default;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool answered_ = false;   // guarded by mutex_
    bool cancelled_ = false;  // guarded by mutex_
    std::vector<std::string> addresses_;
};

}  // namespace tarnel
