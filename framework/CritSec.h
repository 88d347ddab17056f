#pragma once
// Locks and events of the filter layer.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tarnel {

// Recursive critical section: a filter's state lock may be taken again by the same thread
// (a pin calling back into its filter during a connection).
class CCritSec {
public:
    CCritSec() = default;
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }
    bool TryLock() { return mutex_.try_lock(); }
    // For std::unique_lock / std::condition_variable_any.
    std::recursive_mutex& Native() { return mutex_; }

    // BasicLockable, so std::lock_guard<CCritSec> works too.
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }

private:
    std::recursive_mutex mutex_;
};

// Scoped lock; a null section is allowed and locks nothing.
class CAutoLock {
public:
    explicit CAutoLock(CCritSec* section) : section_(section) {
        if (section_) section_->Lock();
    }
    ~CAutoLock() {
        if (section_) section_->Unlock();
    }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCritSec* section_;
};

// Event with manual or automatic reset. Wait returns true when signalled; an auto-reset event
// releases one waiter and resets.
class CAMEvent {
public:
    explicit CAMEvent(bool manualReset = false) : manualReset_(manualReset) {}
    CAMEvent(const CAMEvent&) = delete;
    CAMEvent& operator=(const CAMEvent&) = delete;

    void Set() {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        if (manualReset_) {
            cv_.notify_all();
        } else {
            cv_.notify_one();
        }
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }
    // msTimeout 0xFFFFFFFF waits forever.
    bool Wait(uint32_t msTimeout = 0xFFFFFFFF) {
        std::unique_lock lock(mutex_);
        auto ready = [this] { return signalled_; };
        if (msTimeout == 0xFFFFFFFF) {
            cv_.wait(lock, ready);
        } else if (!cv_.wait_for(lock, std::chrono::milliseconds(msTimeout), ready)) {
            return false;
        }
        if (!manualReset_) signalled_ = false;
        return true;
    }
    bool Check() { return Wait(0); }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
    const bool manualReset_;
};

}  // namespace tarnel
