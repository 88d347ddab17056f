#pragma once
// CMediaSample: the framework's sample, a view on a buffer owned by its allocator, plus
// MediaSamplePtr, the owning handle that releases a sample at scope end.

#include <atomic>
#include <memory>
#include <optional>

#include "framework/Interfaces.h"

namespace tarnel {

class CBaseAllocator;

class CMediaSample : public IMediaSample {
public:
    // buffer/size: memory owned by the allocator (or by the caller for free-standing samples,
    // allocator null; then Release at zero only clears the properties).
    CMediaSample(CBaseAllocator* allocator, uint8_t* buffer, int32_t size);

    void* QueryInterface(const GUID& iid) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT GetPointer(uint8_t** buffer) override;
    int32_t GetSize() override;
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* end) override;
    HRESULT IsSyncPoint() override;
    HRESULT SetSyncPoint(bool isSyncPoint) override;
    HRESULT IsPreroll() override;
    HRESULT SetPreroll(bool isPreroll) override;
    int32_t GetActualDataLength() override;
    HRESULT SetActualDataLength(int32_t length) override;
    HRESULT GetMediaType(CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT IsDiscontinuity() override;
    HRESULT SetDiscontinuity(bool isDiscontinuity) override;
    HRESULT GetMediaTime(int64_t* start, int64_t* end) override;
    HRESULT SetMediaTime(const int64_t* start, const int64_t* end) override;
    uint32_t GetStreamId() override;
    void SetStreamId(uint32_t id) override;

    // Clears times, flags, attached type, stream id and data length (done on return to the pool).
    void ResetProperties();
    // Used by allocators when (re)using the sample.
    void SetBuffer(uint8_t* buffer, int32_t size);
    void SetReferenceCount(uint32_t count) { refCount_.store(count); }
    // While out of the pool the sample keeps its allocator alive (set by GetBuffer).
    std::shared_ptr<CBaseAllocator> m_pAllocatorKeepAlive;

private:
    CBaseAllocator* allocator_;
    uint8_t* buffer_;
    int32_t size_;
    std::atomic<uint32_t> refCount_{0};
    // Properties: belong to the sample's current holder.
    int32_t actualLength_ = 0;
    std::optional<REFERENCE_TIME> start_, end_;
    std::optional<int64_t> mediaStart_, mediaEnd_;
    bool syncPoint_ = false;
    bool preroll_ = false;
    bool discontinuity_ = false;
    std::optional<CMediaType> mediaType_;
    uint32_t streamId_ = AM_STREAM_MEDIA;
};

// Owning handle of one sample reference (like a smart COM pointer). Move-only.
class MediaSamplePtr {
public:
    MediaSamplePtr() = default;
    // Adopts a reference the caller already holds (as GetBuffer returns it).
    explicit MediaSamplePtr(IMediaSample* sample) : sample_(sample) {}
    MediaSamplePtr(MediaSamplePtr&& other) noexcept : sample_(other.Detach()) {}
    MediaSamplePtr& operator=(MediaSamplePtr&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }
    ~MediaSamplePtr() { Reset(); }

    // Takes a new reference on the sample.
    static MediaSamplePtr Share(IMediaSample* sample) {
        if (sample) sample->AddRef();
        return MediaSamplePtr(sample);
    }

    IMediaSample* get() const { return sample_; }
    IMediaSample* operator->() const { return sample_; }
    explicit operator bool() const { return sample_ != nullptr; }
    // For out parameters: releases the current sample and exposes the slot.
    IMediaSample** Receive() {
        Reset();
        return &sample_;
    }
    IMediaSample* Detach() {
        IMediaSample* s = sample_;
        sample_ = nullptr;
        return s;
    }
    void Reset(IMediaSample* sample = nullptr) {
        if (sample_) sample_->Release();
        sample_ = sample;
    }

private:
    IMediaSample* sample_ = nullptr;
};

// Copies data bytes and every property (times, media times, flags, attached type, stream id)
// from one sample to another. VFW_E_BUFFER_OVERFLOW when the destination is too small.
HRESULT CopySample(IMediaSample* source, IMediaSample* destination);
// Copies the properties only (not the data or its length).
HRESULT CopySampleProperties(IMediaSample* source, IMediaSample* destination);

}  // namespace tarnel
