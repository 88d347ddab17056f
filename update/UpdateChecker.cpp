#include "update/UpdateChecker.h"

#include "update/UpdateServer.h"

namespace tarnel {

UpdateChecker::UpdateChecker(ResultHandler onResult) : onResult_(std::move(onResult)) {}

UpdateChecker::~UpdateChecker() {
    if (!WaitIdle(kCloseWait)) post_.Abort();
    if (worker_.joinable()) worker_.join();
}

bool UpdateChecker::Start(const std::string& host, const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        if (busy_ || resultPending_) return false;
    }
    if (worker_.joinable()) worker_.join();  // the previous worker has finished
    post_.host = host;
    post_.path = path;
    if (!post_.OpenRequest({}, kChunkSize, nullptr, kNotifyCode)) return false;
    {
        std::lock_guard lock(mutex_);
        busy_ = true;
    }
    worker_ = std::jthread([this] {
        post_.SendRequest();
        std::string reply = post_.reply;
        {
            std::lock_guard lock(mutex_);
            resultPending_ = true;
        }
        if (onResult_) onResult_(std::move(reply));
        std::lock_guard lock(mutex_);
        busy_ = false;
        idle_.notify_all();
    });
    return true;
}

bool UpdateChecker::StartDefault() {
    return Start(UpdateHost(), UpdateRequestPath(ProductVersionText()));
}

void UpdateChecker::ResultHandled() {
    std::lock_guard lock(mutex_);
    resultPending_ = false;
}

bool UpdateChecker::busy() const {
    std::lock_guard lock(mutex_);
    return busy_;
}

bool UpdateChecker::WaitIdle(std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, limit, [this] { return !busy_; });
}

}  // namespace tarnel
