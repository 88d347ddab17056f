#pragma once
// The event loop of one thread of tarnel-convert, in place of Qt's: queued calls from any
// thread, repeating timers, and Exec until Quit. The main thread runs one for the report, the
// progress line and signals; each worker runs one for its document.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "app/DocumentLoop.h"

namespace tarnel::cli {

class ThreadLoop final : public DocumentLoop {
public:
    void Post(std::function<void()> call) override;
    void Pump(int milliseconds) override;
    void RunFor(int milliseconds) override;
    // Timers are started, stopped and destroyed on the loop's thread only.
    std::unique_ptr<DocumentTimer> MakeTimer(int intervalMs, std::function<void()> tick) override;

    // Handles events until Quit is called (from a handled event or any thread).
    void Exec();
    void Quit();

private:
    using Clock = std::chrono::steady_clock;
    struct TimerState {
        Clock::duration interval;
        std::function<void()> tick;
        bool active = false;
        Clock::time_point due;
    };
    class Timer;
    enum class Until { Idle, Deadline, Quit };

    void Run(Until until, Clock::time_point deadline);
    // Ticks the due timers; the earliest next due time of the active ones.
    Clock::time_point TickTimers();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;        // guarded by mutex_
    bool quit_ = false;                              // guarded by mutex_
    std::vector<std::weak_ptr<TimerState>> timers_;  // loop thread only
};

}  // namespace tarnel::cli
