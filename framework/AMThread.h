#pragma once
// A worker thread with a synchronous command channel: the controlling thread sends a request
// with CallWorker and waits for the worker's Reply; the worker reads requests with GetRequest
// (blocking) or CheckRequest (polling between units of work).

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "framework/CritSec.h"

namespace tarnel {

class CAMThread {
public:
    CAMThread() = default;
    // The derived class must call Close() in its destructor (ThreadProc is virtual).
    virtual ~CAMThread();
    CAMThread(const CAMThread&) = delete;
    CAMThread& operator=(const CAMThread&) = delete;

    // Starts the thread running ThreadProc; false when it already runs.
    bool Create();
    // Sends a request and waits for the reply; returns the reply value. Serialised: one caller
    // at a time (m_AccessLock). Returns 0xFFFFFFFF when no thread runs.
    uint32_t CallWorker(uint32_t request);
    // Waits for the thread to finish (after it was told to exit) and joins it.
    void Close();
    bool ThreadExists() const;

protected:
    virtual uint32_t ThreadProc() = 0;

    // For derived classes: guards the state they share with their worker (the base does not
    // take it).
    CCritSec m_WorkerLock;

    // Worker side: blocks until a request arrives.
    uint32_t GetRequest();
    // Worker side: true and the request when one is pending (it stays pending until Reply).
    bool CheckRequest(uint32_t* request);
    // Worker side: waits up to msTimeout for a request; true when one is pending.
    bool WaitRequest(uint32_t msTimeout);
    // Worker side: answers the pending request and releases the caller.
    void Reply(uint32_t value);

private:
    CCritSec m_AccessLock;  // serialises CallWorker callers
    std::jthread thread_;   // owned by the controlling thread (Create/Close)
    mutable std::mutex mutex_;
    std::condition_variable requestCv_;
    std::condition_variable replyCv_;
    std::optional<uint32_t> request_;  // guarded by mutex_
    std::optional<uint32_t> reply_;    // guarded by mutex_
    bool running_ = false;             // guarded by mutex_
};

}  // namespace tarnel
