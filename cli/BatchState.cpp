#include "cli/BatchState.h"

#include <algorithm>

namespace tarnel::cli {

BatchState::BatchState(std::vector<FileJob> jobs, int workers)
    : jobs_(std::move(jobs)), slots_(static_cast<size_t>(std::max(workers, 1))) {}

std::optional<FileJob> BatchState::NextJob() {
    std::lock_guard lock(mutex_);
    if (stopped_ || next_ >= jobs_.size()) return std::nullopt;
    return jobs_[next_++];
}

void BatchState::Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
}

bool BatchState::Stopped() const {
    std::lock_guard lock(mutex_);
    return stopped_;
}

void BatchState::BeginFile(int worker, const std::string& path) {
    std::lock_guard lock(mutex_);
    slots_.at(worker) = Slot{true, path, 0};
}

void BatchState::SetPercent(int worker, int percent) {
    std::lock_guard lock(mutex_);
    slots_.at(worker).percent = std::clamp(percent, 0, 100);
}

void BatchState::EndFile(int worker) {
    std::lock_guard lock(mutex_);
    slots_.at(worker) = Slot{};
}

std::vector<BatchState::Slot> BatchState::Slots() const {
    std::lock_guard lock(mutex_);
    return slots_;
}

}  // namespace tarnel::cli
