#pragma once
// Small filters for tests: a sink that records what it receives (and can hold samples to
// stand for a slow consumer), and a push source that emits given byte blocks with given times.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"
#include "framework/MediaSample.h"
#include "framework/SourceStream.h"

namespace tarnel::media::graphtest {

struct Received {
    std::vector<uint8_t> bytes;
    std::optional<REFERENCE_TIME> start, stop;
    bool discontinuity = false;
};

class CaptureSink;

class CapturePin final : public CBaseInputPin {
public:
    CapturePin(CaptureSink* sink, CCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT Active() override;
    HRESULT Inactive() override;

private:
    CaptureSink* sink_;
};

class CaptureSink final : public CBaseFilter {
public:
    CaptureSink() : CBaseFilter("Capture", &lock_, GUID{0xC0FFEE01}) {
        HRESULT hr = S_OK;
        pin_ = std::make_unique<CapturePin>(this, &lock_, &hr);
    }
    ~CaptureSink() override { (void)CBaseFilter::Stop(); }
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin_.get() : nullptr; }
    CapturePin* Pin() const { return pin_.get(); }

    // Types the pin takes (all when unset).
    std::function<bool(const CMediaType&)> accept;

    // Holding: Receive blocks until Release(), a flush or a stop.
    void Hold() {
        std::lock_guard lock(mutex_);
        holding_ = true;
        wake_ = false;
    }
    void Release() {
        std::lock_guard lock(mutex_);
        holding_ = false;
        cv_.notify_all();
    }
    // Waits until a sample is being held; false on time-out.
    bool WaitHeld(int ms) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return held_; });
    }

    std::vector<Received> Samples() {
        std::lock_guard lock(mutex_);
        return samples_;
    }
    std::vector<uint8_t> Bytes() {
        std::lock_guard lock(mutex_);
        std::vector<uint8_t> all;
        for (const auto& s : samples_) all.insert(all.end(), s.bytes.begin(), s.bytes.end());
        return all;
    }
    void ClearSamples() {
        std::lock_guard lock(mutex_);
        samples_.clear();
    }
    std::atomic<int> endOfStreams{0};
    std::atomic<int> flushes{0};

private:
    friend class CapturePin;
    CCritSec lock_;
    std::unique_ptr<CapturePin> pin_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool holding_ = false;
    bool held_ = false;
    bool wake_ = false;
    std::vector<Received> samples_;
};

inline CapturePin::CapturePin(CaptureSink* sink, CCritSec* lock, HRESULT* hr)
    : CBaseInputPin("In", sink, lock, hr), sink_(sink) {}

inline HRESULT CapturePin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    return !sink_->accept || sink_->accept(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

inline HRESULT CapturePin::Receive(IMediaSample* sample) {
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    {
        std::unique_lock lock(sink_->mutex_);
        if (sink_->holding_) {
            sink_->held_ = true;
            sink_->cv_.notify_all();
            sink_->cv_.wait(lock, [&] { return !sink_->holding_ || sink_->wake_; });
            sink_->held_ = false;
            if (sink_->wake_) return S_FALSE;  // flushed or stopped while held
        }
    }
    Received r;
    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    r.bytes.assign(data, data + sample->GetActualDataLength());
    REFERENCE_TIME start = 0, stop = 0;
    if (SUCCEEDED(sample->GetTime(&start, &stop))) {
        r.start = start;
        r.stop = stop;
    }
    r.discontinuity = sample->IsDiscontinuity() == S_OK;
    std::lock_guard lock(sink_->mutex_);
    sink_->samples_.push_back(std::move(r));
    return S_OK;
}

inline HRESULT CapturePin::EndOfStream() {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    ++sink_->endOfStreams;
    return sink_->NotifyEvent(EC_COMPLETE, S_OK, 0);
}

inline HRESULT CapturePin::BeginFlush() {
    {
        std::lock_guard lock(sink_->mutex_);
        sink_->wake_ = true;
        ++sink_->flushes;
        sink_->cv_.notify_all();
    }
    return CBaseInputPin::BeginFlush();
}

inline HRESULT CapturePin::EndFlush() {
    {
        std::lock_guard lock(sink_->mutex_);
        sink_->wake_ = false;
    }
    return CBaseInputPin::EndFlush();
}

inline HRESULT CapturePin::Active() {
    {
        std::lock_guard lock(sink_->mutex_);
        sink_->wake_ = false;
    }
    return CBaseInputPin::Active();
}

inline HRESULT CapturePin::Inactive() {
    {
        std::lock_guard lock(sink_->mutex_);
        sink_->wake_ = true;
        sink_->cv_.notify_all();
    }
    return CBaseInputPin::Inactive();
}

// Emits the given blocks in order as MEDIATYPE_Stream samples, each with its (start, stop).
class BlockSource;

class BlockPin final : public CSourceStream {
public:
    struct Block {
        std::vector<uint8_t> bytes;
        std::optional<REFERENCE_TIME> start;
    };
    BlockPin(CBaseFilter* filter, CCritSec* lock, std::vector<Block> blocks, CMediaType type)
        : CSourceStream("Out", filter, lock, &hr_),
          blocks_(std::move(blocks)),
          type_(std::move(type)) {}
    ~BlockPin() override {
        if (ThreadExists()) {
            m_bStopRequested = true;
            if (m_pAllocator) m_pAllocator->Decommit();
            CallWorker(CMD_EXIT);
        }
        Close();
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position != 0) return VFW_S_NO_MORE_ITEMS;
        *type = type_;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        ALLOCATOR_PROPERTIES want{2, 1 << 16, 1, 0}, actual;
        return alloc->SetProperties(&want, &actual);
    }
    HRESULT OnThreadStartPlay() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT FillBuffer(IMediaSample* sample) override {
        if (next_ >= blocks_.size()) return S_FALSE;
        const Block& b = blocks_[next_++];
        uint8_t* data = nullptr;
        sample->GetPointer(&data);
        std::copy(b.bytes.begin(), b.bytes.end(), data);
        sample->SetActualDataLength(int32_t(b.bytes.size()));
        if (b.start) {
            REFERENCE_TIME stop = *b.start + REFERENCE_TIME(b.bytes.size());
            sample->SetTime(&*b.start, &stop);
        }
        return S_OK;
    }

private:
    HRESULT hr_ = S_OK;
    std::vector<Block> blocks_;
    CMediaType type_;
    size_t next_ = 0;
};

class BlockSource final : public CSource {
public:
    BlockSource(std::vector<BlockPin::Block> blocks, CMediaType type)
        : CSource("Blocks", GUID{0xC0FFEE02}) {
        AddPin(std::make_unique<BlockPin>(this, StateLock(), std::move(blocks), std::move(type)));
    }
};

}  // namespace tarnel::media::graphtest
