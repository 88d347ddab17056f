#include "tests/support/HttpTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace tarnel::test {
namespace {

constexpr auto kLifetime = std::chrono::seconds(20);

int ListenOnLoopback(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("bind/listen");
    }
    port = ntohs(addr.sin_port);
    return fd;
}

int MillisLeft(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? int(left.count()) : 0;
}

}  // namespace

int ClosedPort() {
    int port = 0;
    int fd = ListenOnLoopback(port);
    ::close(fd);
    return port;
}

HttpTestServer::HttpTestServer(std::string reply, int maxRequests, bool holdReply)
    : reply_(std::move(reply)), maxRequests_(maxRequests), released_(!holdReply) {
    listenFd_ = ListenOnLoopback(port_);
    deadline_ = std::chrono::steady_clock::now() + kLifetime;
    thread_ = std::jthread([this] { Serve(); });
}

HttpTestServer::~HttpTestServer() {
    Release();
    ::shutdown(listenFd_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    ::close(listenFd_);
}

void HttpTestServer::Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

std::vector<HttpTestServer::Request> HttpTestServer::WaitForRequests(size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline_, [&] { return requests_.size() >= count; });
    return requests_;
}

void HttpTestServer::Serve() {
    for (int served = 0; served < maxRequests_; ++served) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, MillisLeft(deadline_)) <= 0) return;
        int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) return;
        ServeOne(client);
        ::close(client);
    }
}

void HttpTestServer::ServeOne(int client) {
    std::string data;
    size_t headEnd = std::string::npos;
    size_t contentLength = 0;
    char buffer[4096];
    while (true) {
        if (headEnd == std::string::npos) {
            headEnd = data.find("\r\n\r\n");
            if (headEnd != std::string::npos) {
                std::string head = data.substr(0, headEnd);
                auto at = head.find("Content-Length: ");
                if (at != std::string::npos) contentLength = std::stoul(head.substr(at + 16));
            }
        }
        if (headEnd != std::string::npos && data.size() >= headEnd + 4 + contentLength) break;
        pollfd p{client, POLLIN, 0};
        if (::poll(&p, 1, MillisLeft(deadline_)) <= 0) return;
        ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        data.append(buffer, size_t(n));
    }
    {
        std::unique_lock lock(mutex_);
        requests_.push_back({data.substr(0, headEnd + 2), data.substr(headEnd + 4, contentLength)});
        changed_.notify_all();
        changed_.wait_until(lock, deadline_, [&] { return released_; });
    }
    std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                           std::to_string(reply_.size()) + "\r\nConnection: close\r\n\r\n" + reply_;
    size_t sent = 0;
    while (sent < response.size()) {
        ssize_t n = ::send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += size_t(n);
    }
}

}  // namespace tarnel::test
