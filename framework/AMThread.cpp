#include "framework/AMThread.h"

#include "framework/VectorState.h"

namespace tarnel {

CAMThread::~CAMThread() {
    Close();
}

bool CAMThread::Create() {
    std::unique_lock lock(mutex_);
    if (running_) return false;
    if (thread_.joinable()) {
        lock.unlock();
        thread_.join();
        lock.lock();
    }
    running_ = true;
    request_.reset();
    reply_.reset();
    thread_ = std::jthread([this] {
        // Streaming threads run codec code; they must not inherit dirty AVX state.
        ClearUpperVectorState();
        ThreadProc();
        {
            std::lock_guard done(mutex_);
            running_ = false;
            request_.reset();
        }
        // A caller still waiting for a reply gets one (0xFFFFFFFF) instead of hanging.
        replyCv_.notify_all();
    });
    return true;
}

uint32_t CAMThread::CallWorker(uint32_t request) {
    CAutoLock access(&m_AccessLock);
    std::unique_lock lock(mutex_);
    if (!running_) return 0xFFFFFFFF;
    request_ = request;
    reply_.reset();
    requestCv_.notify_all();
    replyCv_.wait(lock, [this] { return reply_.has_value() || !running_; });
    if (!reply_) return 0xFFFFFFFF;
    uint32_t value = *reply_;
    reply_.reset();
    return value;
}

void CAMThread::Close() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool CAMThread::ThreadExists() const {
    std::lock_guard lock(mutex_);
    return running_;
}

uint32_t CAMThread::GetRequest() {
    std::unique_lock lock(mutex_);
    requestCv_.wait(lock, [this] { return request_.has_value(); });
    return *request_;
}

bool CAMThread::CheckRequest(uint32_t* request) {
    std::lock_guard lock(mutex_);
    if (!request_) return false;
    if (request) *request = *request_;
    return true;
}

bool CAMThread::WaitRequest(uint32_t msTimeout) {
    std::unique_lock lock(mutex_);
    auto pending = [this] { return request_.has_value(); };
    if (msTimeout == 0xFFFFFFFF) {
        requestCv_.wait(lock, pending);
        return true;
    }
    return requestCv_.wait_for(lock, std::chrono::milliseconds(msTimeout), pending);
}

void CAMThread::Reply(uint32_t value) {
    {
        std::lock_guard lock(mutex_);
        request_.reset();
        reply_ = value;
    }
    replyCv_.notify_all();
}

}  // namespace tarnel
