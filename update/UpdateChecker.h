#pragma once
// Runs one update request at a time on a worker thread and hands the reply back.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "update/UrlPost.h"

namespace tarnel {

class UpdateChecker {
public:
    // Called on the worker thread with the reply (empty when the request failed); the desktop
    // program turns it into a queued call to its frame.
    using ResultHandler = std::function<void(std::string reply)>;

    explicit UpdateChecker(ResultHandler onResult);
    // Waits at most `kCloseWait` for a running request, then aborts it.
    ~UpdateChecker();
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    static constexpr std::chrono::milliseconds kCloseWait{500};
    static constexpr uint32_t kChunkSize = 512;
    static constexpr uint32_t kNotifyCode = 2;

    // Starts a request to `host` and `path` unless one is outstanding; false when one is, or
    // when the request could not be prepared.
    bool Start(const std::string& host, const std::string& path);
    // Start with the configured server and this build's version.
    bool StartDefault();

    // The name resolution of the following requests (only while no request is outstanding).
    void SetResolver(HostResolver resolver) { post_.resolver = std::move(resolver); }

    // The owner calls this once it has handled a result; until then no new request starts,
    // even when the result is still on its way to the owner's thread.
    void ResultHandled();

    bool busy() const;
    // Waits until no request is outstanding or the time is up; true when none is.
    bool WaitIdle(std::chrono::milliseconds limit) const;

private:
    ResultHandler onResult_;
    UrlPost post_;  // used by the worker while busy_, by the caller otherwise
    mutable std::mutex mutex_;
    mutable std::condition_variable idle_;
    bool busy_ = false;           // guarded by mutex_
    bool resultPending_ = false;  // guarded by mutex_
    std::jthread worker_;
};

}  // namespace tarnel
