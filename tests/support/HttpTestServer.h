#pragma once
// A real HTTP server on 127.0.0.1 for tests: serves a bounded number of requests, each with a
// fixed reply, records what it received, and never waits longer than its deadline.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnel::test {

class HttpTestServer {
public:
    struct Request {
        std::string head;  // request line and headers, up to the blank line
        std::string body;
    };

    // `reply` is the body sent after a 200 status line; with `holdReply` the server waits until
    // Release() (or its deadline) before answering.
    explicit HttpTestServer(std::string reply, int maxRequests = 1, bool holdReply = false);
    ~HttpTestServer();

    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    void Release();
    // Waits (bounded) for the recorded requests.
    std::vector<Request> WaitForRequests(size_t count);

private:
    void Serve();
    void ServeOne(int client);

    std::string reply_;
    int maxRequests_;
    int listenFd_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_;
    std::vector<Request> requests_;
    std::chrono::steady_clock::time_point deadline_;
    std::jthread thread_;
};

// A port on 127.0.0.1 on which nothing listens.
int ClosedPort();

}  // namespace tarnel::test
