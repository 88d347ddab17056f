#pragma once
// Minimal filters for the Ogg fuzz targets: bytes in memory behind IAsyncReader, a source
// that pushes samples of one type, and a sink that takes everything and counts end of stream.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"
#include "framework/BaseOutputPin.h"
#include "framework/MediaSample.h"

namespace tarnel::fuzz {

class BytesFilter;

class BytesPin : public CBasePin, public IAsyncReader {
public:
    BytesPin(CBaseFilter* filter, CCritSec* lock, const std::vector<uint8_t>* bytes)
        : CBasePin("Output", filter, lock, nullptr, PINDIR_OUTPUT), bytes_(bytes) {}
    void* QueryInterface(const GUID& iid) override {
        if (iid == IAsyncReader::IID) return static_cast<IAsyncReader*>(this);
        return CBasePin::QueryInterface(iid);
    }
    HRESULT CheckMediaType(const CMediaType* type) override {
        return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position != 0) return VFW_S_NO_MORE_ITEMS;
        *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_OggStream, GUID_NULL);
        return S_OK;
    }
    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }
    HRESULT SyncRead(int64_t position, int32_t length, uint8_t* buffer) override {
        int64_t size = static_cast<int64_t>(bytes_->size());
        if (position < 0 || length < 0) return E_INVALIDARG;
        int64_t n = std::max<int64_t>(0, std::min<int64_t>(length, size - position));
        if (n > 0) std::memcpy(buffer, bytes_->data() + position, static_cast<size_t>(n));
        return n == length ? S_OK : S_FALSE;
    }
    HRESULT Length(int64_t* total, int64_t* available) override {
        if (total) *total = static_cast<int64_t>(bytes_->size());
        if (available) *available = static_cast<int64_t>(bytes_->size());
        return S_OK;
    }

private:
    const std::vector<uint8_t>* bytes_;
};

class BytesFilter : public CBaseFilter {
public:
    explicit BytesFilter(std::vector<uint8_t> bytes)
        : CBaseFilter("bytes", &lock_, GUID_NULL),
          bytes_(std::move(bytes)),
          pin_(std::make_unique<BytesPin>(this, &lock_, &bytes_)) {}
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin_.get() : nullptr; }
    BytesPin* Pin() { return pin_.get(); }

private:
    CCritSec lock_;
    std::vector<uint8_t> bytes_;
    std::unique_ptr<BytesPin> pin_;
};

class NullSink;

class NullSinkPin : public CBaseInputPin {
public:
    NullSinkPin(NullSink* sink, CCritSec* lock);
    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
    HRESULT Receive(IMediaSample* sample) override {
        HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK) return hr;
        uint8_t* data = nullptr;
        sample->GetPointer(&data);
        int32_t length = sample->GetActualDataLength();
        volatile uint8_t sum = 0;  // touch every byte delivered
        for (int32_t i = 0; i < length; ++i) sum = sum + data[i];
        return S_OK;
    }
    HRESULT EndOfStream() override;

private:
    NullSink* sink_;
};

class NullSink : public CBaseFilter {
public:
    NullSink()
        : CBaseFilter("sink", &lock_, GUID_NULL),
          pin_(std::make_unique<NullSinkPin>(this, &lock_)) {}
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin_.get() : nullptr; }
    NullSinkPin* Pin() { return pin_.get(); }
    void Ended() {
        {
            std::lock_guard lock(mutex_);
            ended_ = true;
        }
        cv_.notify_all();
    }
    bool WaitEnded(int ms) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return ended_; });
    }

private:
    CCritSec lock_;
    std::unique_ptr<NullSinkPin> pin_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool ended_ = false;
};

inline NullSinkPin::NullSinkPin(NullSink* sink, CCritSec* lock)
    : CBaseInputPin("In", sink, lock, nullptr), sink_(sink) {}
inline HRESULT NullSinkPin::EndOfStream() {
    sink_->Ended();
    return S_OK;
}

class PushPin : public CBaseOutputPin {
public:
    PushPin(CBaseFilter* filter, CCritSec* lock, CMediaType type)
        : CBaseOutputPin("Out", filter, lock, nullptr), type_(std::move(type)) {}
    HRESULT CheckMediaType(const CMediaType* type) override {
        return *type == type_ ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position != 0) return VFW_S_NO_MORE_ITEMS;
        *type = type_;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        ALLOCATOR_PROPERTIES request{std::max(props->cBuffers, 2), 70000, 1, 0}, actual;
        return alloc->SetProperties(&request, &actual);
    }
    HRESULT Push(const uint8_t* data, size_t size, REFERENCE_TIME start, bool discontinuity) {
        MediaSamplePtr sample;
        HRESULT hr = GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, 0);
        if (FAILED(hr)) return hr;
        size = std::min<size_t>(size, static_cast<size_t>(sample->GetSize()));
        uint8_t* target = nullptr;
        sample->GetPointer(&target);
        if (size) std::memcpy(target, data, size);
        sample->SetActualDataLength(static_cast<int32_t>(size));
        REFERENCE_TIME stop = start + 1;
        sample->SetTime(&start, &stop);
        sample->SetDiscontinuity(discontinuity);
        return Deliver(sample.get());
    }

private:
    CMediaType type_;
};

class PushFilter : public CBaseFilter {
public:
    explicit PushFilter(CMediaType type)
        : CBaseFilter("push", &lock_, GUID_NULL),
          pin_(std::make_unique<PushPin>(this, &lock_, std::move(type))) {}
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin_.get() : nullptr; }
    PushPin* Pin() { return pin_.get(); }

private:
    CCritSec lock_;
    std::unique_ptr<PushPin> pin_;
};

}  // namespace tarnel::fuzz
