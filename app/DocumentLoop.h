#pragma once
// The event loop of the thread a document lives on: the queued calls that stand in for posted
// window messages, the document's timer (PROGRESS_TIMER) and PumpMessages. The desktop program
// and the tests use Qt's loop of the thread (MakeQtDocumentLoop); tarnel-convert brings its
// own, so that a conversion does not load Qt.
#include <functional>
#include <memory>

namespace tarnel {

// A repeating timer of a DocumentLoop; it ticks on the loop's thread and is made stopped.
class DocumentTimer {
public:
    virtual ~DocumentTimer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
};

class DocumentLoop {
public:
    virtual ~DocumentLoop() = default;
    // From any thread: runs `call` later on the loop's thread. Calls still queued when the loop
    // is destroyed are dropped.
    virtual void Post(std::function<void()> call) = 0;
    // Handles what is waiting (queued calls, due timers) until nothing is left or `milliseconds`
    // have passed.
    virtual void Pump(int milliseconds) = 0;
    // Handles events as they come for `milliseconds`, waiting for them.
    virtual void RunFor(int milliseconds) = 0;
    virtual std::unique_ptr<DocumentTimer> MakeTimer(int intervalMs,
                                                     std::function<void()> tick) = 0;
};

// Qt's event loop of the calling thread (app/QtDocumentLoop.cpp).
std::shared_ptr<DocumentLoop> MakeQtDocumentLoop();

}  // namespace tarnel
