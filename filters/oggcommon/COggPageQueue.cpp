#include "filters/oggcommon/COggPageQueue.h"

#include <algorithm>
#include <cstring>

namespace tarnel {

void COggPageQueue::PushPage(int64_t time, std::span<const uint8_t> header,
                             std::span<const uint8_t> body) {
    std::lock_guard lock(queueMutex_);
    bool grown = false;
    if (header.size() > headerCapacity_) {
        headerCapacity_ = header.size() / 128 * 128 + 128;
        grown = true;
    }
    if (body.size() > bodyCapacity_) {
        bodyCapacity_ = body.size() / 1024 * 1024 + 1024;
        grown = true;
    }
    if (grown) free_.clear();

    std::unique_ptr<OggPageNode> node;
    while (!free_.empty() && !node) {
        std::unique_ptr<OggPageNode> candidate = std::move(free_.back());
        free_.pop_back();
        if (candidate->headerCapacity >= header.size() && candidate->bodyCapacity >= body.size())
            node = std::move(candidate);
    }
    if (!node) {
        node = std::make_unique<OggPageNode>();
        node->header = std::make_unique<uint8_t[]>(headerCapacity_);
        node->headerCapacity = headerCapacity_;
        node->body = std::make_unique<uint8_t[]>(bodyCapacity_);
        node->bodyCapacity = bodyCapacity_;
    }
    node->time = time;
    if (!header.empty()) std::memcpy(node->header.get(), header.data(), header.size());
    node->headerLength = header.size();
    if (!body.empty()) std::memcpy(node->body.get(), body.data(), body.size());
    node->bodyLength = body.size();
    pages_.push_back(std::move(node));
    peakPages_ = std::max(peakPages_, pages_.size());
    pushedCv_.notify_all();
}

bool COggPageQueue::WaitForPeakPageCount(size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock lock(queueMutex_);
    return pushedCv_.wait_for(lock, limit, [&] { return peakPages_ >= count; });
}

std::unique_ptr<OggPageNode> COggPageQueue::TakePage(bool* nowEmpty) {
    std::lock_guard lock(queueMutex_);
    if (pages_.empty()) {
        if (nowEmpty) *nowEmpty = true;
        return nullptr;
    }
    std::unique_ptr<OggPageNode> node = std::move(pages_.front());
    pages_.pop_front();
    if (nowEmpty) *nowEmpty = pages_.empty();
    return node;
}

void COggPageQueue::Recycle(std::unique_ptr<OggPageNode> node) {
    if (!node) return;
    std::lock_guard lock(queueMutex_);
    if (node->headerCapacity >= headerCapacity_ && node->bodyCapacity >= bodyCapacity_)
        free_.push_back(std::move(node));
}

void COggPageQueue::ClearPages() {
    std::lock_guard lock(queueMutex_);
    while (!pages_.empty()) {
        std::unique_ptr<OggPageNode> node = std::move(pages_.front());
        pages_.pop_front();
        if (node->headerCapacity >= headerCapacity_ && node->bodyCapacity >= bodyCapacity_)
            free_.push_back(std::move(node));
    }
    peakPages_ = 0;
}

bool COggPageQueue::IsEmpty() const {
    std::lock_guard lock(queueMutex_);
    return pages_.empty();
}

size_t COggPageQueue::PageCount() const {
    std::lock_guard lock(queueMutex_);
    return pages_.size();
}

std::optional<int64_t> COggPageQueue::HeadTime() const {
    std::lock_guard lock(queueMutex_);
    if (pages_.empty()) return std::nullopt;
    return pages_.front()->time;
}

size_t COggPageQueue::HeaderCapacity() const {
    std::lock_guard lock(queueMutex_);
    return headerCapacity_;
}

size_t COggPageQueue::BodyCapacity() const {
    std::lock_guard lock(queueMutex_);
    return bodyCapacity_;
}

size_t COggPageQueue::FreeNodes() const {
    std::lock_guard lock(queueMutex_);
    return free_.size();
}

}  // namespace tarnel
