#include "cli/ThreadLoop.h"

#include <algorithm>

namespace tarnel::cli {

class ThreadLoop::Timer final : public DocumentTimer {
public:
    explicit Timer(std::shared_ptr<TimerState> state) : state_(std::move(state)) {}
    ~Timer() override { state_->active = false; }  // even when destroyed by its own tick
    void Start() override {
        state_->active = true;
        state_->due = Clock::now() + state_->interval;
    }
    void Stop() override { state_->active = false; }
    bool IsActive() const override { return state_->active; }

private:
    std::shared_ptr<TimerState> state_;
};

void ThreadLoop::Post(std::function<void()> call) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(call));
    }
    wake_.notify_one();
}

void ThreadLoop::Pump(int milliseconds) {
    // No time limit at all for 0, as Qt's processEvents without one.
    Run(Until::Idle, milliseconds > 0 ? Clock::now() + std::chrono::milliseconds(milliseconds)
                                      : Clock::time_point::max());
}

void ThreadLoop::RunFor(int milliseconds) {
    Run(Until::Deadline, Clock::now() + std::chrono::milliseconds(milliseconds));
}

std::unique_ptr<DocumentTimer> ThreadLoop::MakeTimer(int intervalMs, std::function<void()> tick) {
    auto state = std::make_shared<TimerState>();
    state->interval = std::chrono::milliseconds(intervalMs);
    state->tick = std::move(tick);
    std::erase_if(timers_, [](const std::weak_ptr<TimerState>& t) { return t.expired(); });
    timers_.push_back(state);
    return std::make_unique<Timer>(std::move(state));
}

void ThreadLoop::Exec() {
    {
        std::lock_guard lock(mutex_);
        quit_ = false;
    }
    Run(Until::Quit, Clock::time_point::max());
}

void ThreadLoop::Quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
}

ThreadLoop::Clock::time_point ThreadLoop::TickTimers() {
    Clock::time_point next = Clock::time_point::max();
    // A tick may stop, start or destroy timers, or make new ones: walk owning copies.
    std::vector<std::shared_ptr<TimerState>> timers;
    for (const auto& weak : timers_) {
        if (auto timer = weak.lock()) timers.push_back(std::move(timer));
    }
    for (const auto& timer : timers) {
        if (!timer->active) continue;
        const Clock::time_point now = Clock::now();
        if (timer->due <= now) {
            timer->due = now + timer->interval;
            timer->tick();
        }
        if (timer->active) next = std::min(next, timer->due);
    }
    return next;
}

void ThreadLoop::Run(Until until, Clock::time_point deadline) {
    for (;;) {
        const Clock::time_point nextTimer = TickTimers();
        std::function<void()> call;
        {
            std::unique_lock lock(mutex_);
            if (until == Until::Quit && quit_) return;
            if (Clock::now() >= deadline) return;
            if (queue_.empty()) {
                if (until == Until::Idle) return;
                auto woken = [&] { return !queue_.empty() || (until == Until::Quit && quit_); };
                const Clock::time_point wakeAt = std::min(deadline, nextTimer);
                if (wakeAt == Clock::time_point::max()) {
                    wake_.wait(lock, woken);
                } else {
                    wake_.wait_until(lock, wakeAt, woken);
                }
            }
            if (!queue_.empty()) {
                call = std::move(queue_.front());
                queue_.pop_front();
            }
        }
        if (call) call();
    }
}

}  // namespace tarnel::cli
