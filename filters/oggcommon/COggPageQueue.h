#pragma once
// COggPageQueue: the finished Ogg pages of one logical stream, oldest first, each with a time
// stamp (100 ns units). The multiplexer queues pages per input until the page writer takes them;
// the splitter queues pages per stream until its delivery thread takes them.
//
// Nodes are recycled: a taken node goes back to a free list when its buffers still hold the
// current capacities (header capacity grows in steps of 128 bytes from 128, body capacity in
// steps of 1024 from 5120), so steady streaming allocates nothing. Any growth empties the free
// list.
//
// Thread-safety: every method takes the queue's own lock; nodes taken out belong to the taker
// until handed back with Recycle.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace tarnel {

struct OggPageNode {
    int64_t time = 0;
    std::unique_ptr<uint8_t[]> header;
    size_t headerLength = 0;
    size_t headerCapacity = 0;
    std::unique_ptr<uint8_t[]> body;
    size_t bodyLength = 0;
    size_t bodyCapacity = 0;

    std::span<const uint8_t> Header() const { return {header.get(), headerLength}; }
    std::span<const uint8_t> Body() const { return {body.get(), bodyLength}; }
    size_t Size() const { return headerLength + bodyLength; }
};

class COggPageQueue {
public:
    static constexpr size_t kInitialHeaderCapacity = 128;
    static constexpr size_t kInitialBodyCapacity = 5120;

    COggPageQueue() = default;
    virtual ~COggPageQueue() = default;
    COggPageQueue(const COggPageQueue&) = delete;
    COggPageQueue& operator=(const COggPageQueue&) = delete;

    // Copies the page in at the tail.
    void PushPage(int64_t time, std::span<const uint8_t> header, std::span<const uint8_t> body);
    // The head page, or null when the queue is empty; nowEmpty tells whether it was the last.
    std::unique_ptr<OggPageNode> TakePage(bool* nowEmpty = nullptr);
    // Hands a taken node back for reuse (freed when its buffers are smaller than current).
    void Recycle(std::unique_ptr<OggPageNode> node);
    // Drops every queued page (the nodes go to the free list).
    void ClearPages();

    bool IsEmpty() const;
    size_t PageCount() const;
    std::optional<int64_t> HeadTime() const;
    // Waits until at least count pages were queued at once since the queue was last cleared;
    // false when the limit passed first.
    bool WaitForPeakPageCount(size_t count, std::chrono::milliseconds limit) const;

    size_t HeaderCapacity() const;
    size_t BodyCapacity() const;
    size_t FreeNodes() const;

private:
    mutable std::mutex queueMutex_;
    mutable std::condition_variable pushedCv_;  // notified with queueMutex_ held on every push
    std::deque<std::unique_ptr<OggPageNode>> pages_;  // guarded by queueMutex_
    std::vector<std::unique_ptr<OggPageNode>> free_;  // guarded by queueMutex_
    size_t headerCapacity_ = kInitialHeaderCapacity;  // guarded by queueMutex_
    size_t bodyCapacity_ = kInitialBodyCapacity;      // guarded by queueMutex_
    size_t peakPages_ = 0;                            // guarded by queueMutex_
};

}  // namespace tarnel
