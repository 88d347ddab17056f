#pragma once
// Test harness of the filter layer: a push source, transform subclasses and a sink, all small
// enough to reason about, with switches for the hard cases (blocking, failing, dropping).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <vector>

#include "framework/FilterGraph.h"
#include "framework/MediaSample.h"
#include "framework/MemAllocator.h"
#include "framework/SourceStream.h"
#include "framework/TransInPlaceFilter.h"
#include "framework/TransformFilter.h"

namespace tarnel::test::basefilters {

inline constexpr GUID CLSID_TestSource = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 1});
inline constexpr GUID CLSID_TestSink = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 2});
inline constexpr GUID CLSID_TestCopy = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 3});
inline constexpr GUID CLSID_TestStamp = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 4});
inline constexpr GUID CLSID_TestConverter = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 5});
inline constexpr GUID CLSID_TestFileSource = MakeGuid(0x11111111, 0, 0, {1, 0, 0, 0, 0, 0, 0, 6});

// Two subtypes of our own for negotiation tests ("X" in, "Y" out of the converter).
inline constexpr GUID SUBTYPE_X = MakeGuid(0x22222222, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0x0A});
inline constexpr GUID SUBTYPE_Y = MakeGuid(0x22222222, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0x0B});

inline CMediaType PcmType(uint16_t channels = 2, uint32_t rate = 8000, uint16_t bits = 16) {
    return MakeAudioMediaType(MakePcmFormat(channels, rate, bits));
}

// Runs f on another thread and says whether it finished within the limit (a hang guard, not a
// timing measurement).
template <class F>
bool FinishesWithin(F&& f, std::chrono::seconds limit = std::chrono::seconds(20)) {
    auto done = std::async(std::launch::async, std::forward<F>(f));
    return done.wait_for(limit) == std::future_status::ready;
}

// ---------------------------------------------------------------- source

class TestSource;

// Pushes `count` samples of `bytes` bytes (count < 0: forever). Byte i of sample n is
// (n + i) & 0xFF. Times: sample n covers [n*1000 + offset, (n+1)*1000 + offset).
class TestSourcePin : public CSourceStream, public IMediaSeeking {
public:
    TestSourcePin(TestSource* filter, CCritSec* lock);
    ~TestSourcePin() override { Close(); }

    void* QueryInterface(const GUID& iid) override {
        if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
        return CSourceStream::QueryInterface(iid);
    }

    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (position >= static_cast<int>(types.size())) return VFW_S_NO_MORE_ITEMS;
        *type = types[static_cast<size_t>(position)];
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        ALLOCATOR_PROPERTIES want = *props, got;
        want.cBuffers = std::max(want.cBuffers, buffers);
        want.cbBuffer = std::max(want.cbBuffer, bytes);
        HRESULT hr = alloc->SetProperties(&want, &got);
        if (FAILED(hr)) return hr;
        return got.cbBuffer >= bytes ? S_OK : E_FAIL;
    }
    HRESULT OnThreadCreate() override {
        produced = 0;
        return S_OK;
    }
    HRESULT FillBuffer(IMediaSample* sample) override {
        if (gate) {
            std::unique_lock lock(gateMutex);
            gateCv.wait(lock, [this] { return gateOpen || m_bStopRequested.load(); });
        }
        if (count >= 0 && produced >= count) return S_FALSE;
        if (failAt >= 0 && produced == failAt) return failWith;
        uint8_t* p = nullptr;
        sample->GetPointer(&p);
        for (int32_t i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(produced + i);
        sample->SetActualDataLength(bytes);
        REFERENCE_TIME start = produced * 1000 + timeOffset, end = start + 1000;
        sample->SetTime(&start, &end);
        sample->SetSyncPoint(true);
        if (controlAt == produced) sample->SetStreamId(AM_STREAM_CONTROL);
        position = end;
        ++produced;
        return S_OK;
    }
    HRESULT Inactive() override {
        {
            std::lock_guard lock(gateMutex);
            m_bStopRequested = true;
        }
        gateCv.notify_all();
        return CSourceStream::Inactive();
    }
    void OpenGate() {
        {
            std::lock_guard lock(gateMutex);
            gateOpen = true;
        }
        gateCv.notify_all();
    }

    // IMediaSeeking: duration from the sample count, position = end of the last sample.
    HRESULT GetCapabilities(uint32_t* c) override {
        *c = AM_SEEKING_CanGetDuration | AM_SEEKING_CanGetCurrentPos;
        return S_OK;
    }
    HRESULT CheckCapabilities(uint32_t* c) override { return S_OK; }
    HRESULT IsFormatSupported(const GUID* f) override {
        return *f == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
    }
    HRESULT QueryPreferredFormat(GUID* f) override {
        *f = TIME_FORMAT_MEDIA_TIME;
        return S_OK;
    }
    HRESULT GetTimeFormat(GUID* f) override { return QueryPreferredFormat(f); }
    HRESULT IsUsingTimeFormat(const GUID* f) override { return IsFormatSupported(f); }
    HRESULT SetTimeFormat(const GUID* f) override { return IsFormatSupported(f); }
    HRESULT GetDuration(int64_t* d) override {
        *d = int64_t{count} * 1000 + durationExtra;
        return S_OK;
    }
    HRESULT GetStopPosition(int64_t* s) override { return GetDuration(s); }
    HRESULT GetCurrentPosition(int64_t* c) override {
        *c = position.load();
        return S_OK;
    }
    HRESULT ConvertTimeFormat(int64_t*, const GUID*, int64_t, const GUID*) override {
        return E_NOTIMPL;
    }
    HRESULT SetPositions(int64_t* c, uint32_t, int64_t*, uint32_t) override {
        seekedTo = c ? *c : -1;
        return S_OK;
    }
    HRESULT GetPositions(int64_t* c, int64_t* s) override { return E_NOTIMPL; }
    HRESULT GetAvailable(int64_t*, int64_t*) override { return E_NOTIMPL; }
    HRESULT SetRate(double) override { return E_NOTIMPL; }
    HRESULT GetRate(double*) override { return E_NOTIMPL; }
    HRESULT GetPreroll(int64_t*) override { return E_NOTIMPL; }

    // Configuration (set before running).
    std::vector<CMediaType> types{PcmType()};
    int32_t count = 8;
    int32_t bytes = 400;
    int32_t buffers = 2;
    int32_t failAt = -1;
    HRESULT failWith = E_FAIL;
    int32_t controlAt = -1;
    REFERENCE_TIME timeOffset = 0;
    int64_t durationExtra = 0;
    bool gate = false;

    // Observations.
    std::atomic<int32_t> produced{0};
    std::atomic<int64_t> position{0};
    int64_t seekedTo = -2;

private:
    std::mutex gateMutex;
    std::condition_variable gateCv;
    bool gateOpen = false;
};

class TestSource : public CSource {
public:
    TestSource() : CSource("Test Source", CLSID_TestSource) {
        pin =
            static_cast<TestSourcePin*>(AddPin(std::make_unique<TestSourcePin>(this, StateLock())));
    }
    ~TestSource() override { (void)CBaseFilter::Stop(); }
    TestSourcePin* pin;
};

inline TestSourcePin::TestSourcePin(TestSource* filter, CCritSec* lock)
    : CSourceStream("Out", filter, lock, nullptr) {}

// ---------------------------------------------------------------- sink

struct ReceivedSample {
    std::vector<uint8_t> data;
    REFERENCE_TIME start = -1, end = -1;
    bool hasTime = false;
    bool discontinuity = false;
    uint32_t streamId = 0;
};

class TestSink;

class TestSinkPin : public CBaseInputPin {
public:
    TestSinkPin(TestSink* filter, CCritSec* lock);

    HRESULT CheckMediaType(const CMediaType* type) override {
        if (accept.empty()) return type->majortype == MEDIATYPE_Audio ? S_OK : S_FALSE;
        for (const auto& a : accept) {
            if (type->MatchesPartial(a)) return S_OK;
        }
        return S_FALSE;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0 || position >= static_cast<int>(offer.size())) return VFW_S_NO_MORE_ITEMS;
        *type = offer[static_cast<size_t>(position)];
        return S_OK;
    }
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT Active() override {
        std::lock_guard lock(mutex);
        released = false;
        return CBaseInputPin::Active();
    }
    HRESULT Inactive() override {
        {
            std::lock_guard lock(mutex);
            released = true;
            held.clear();  // give back every kept sample
        }
        cv.notify_all();
        return CBaseInputPin::Inactive();
    }
    HRESULT BeginFlush() override {
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        cv.notify_all();
        return CBaseInputPin::BeginFlush();
    }

    std::vector<CMediaType> accept;  // partial types; empty = any audio
    std::vector<CMediaType> offer;   // preferred types offered to the output pin
    bool hold = false;               // keep every sample until stopped (exhausts allocators)
    bool blockInReceive = false;     // block inside Receive until stopped or flushed
    HRESULT answer = S_OK;           // what Receive returns after recording

    std::mutex mutex;
    std::condition_variable cv;
    std::vector<ReceivedSample> samples;  // guarded by mutex
    std::vector<MediaSamplePtr> held;     // guarded by mutex
    int endOfStreams = 0;                 // guarded by mutex
    bool released = false;
    bool inReceive = false;

    // Waits until n samples arrived (or the limit passes).
    bool WaitForSamples(size_t n, std::chrono::seconds limit = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, limit, [&] { return samples.size() >= n; });
    }
    bool WaitForBlocked(std::chrono::seconds limit = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, limit, [&] { return inReceive; });
    }
};

class TestSink : public CBaseFilter {
public:
    TestSink() : CBaseFilter("Test Sink", &lock_, CLSID_TestSink) {
        pin = std::make_unique<TestSinkPin>(this, &lock_);
    }
    ~TestSink() override { (void)CBaseFilter::Stop(); }
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? pin.get() : nullptr; }
    std::unique_ptr<TestSinkPin> pin;

private:
    CCritSec lock_;
};

inline TestSinkPin::TestSinkPin(TestSink* filter, CCritSec* lock)
    : CBaseInputPin("In", filter, lock, nullptr) {}

inline HRESULT TestSinkPin::Receive(IMediaSample* sample) {
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    ReceivedSample r;
    uint8_t* p = nullptr;
    sample->GetPointer(&p);
    r.data.assign(p, p + sample->GetActualDataLength());
    REFERENCE_TIME s = 0, e = 0;
    r.hasTime = SUCCEEDED(sample->GetTime(&s, &e));
    r.start = s;
    r.end = e;
    r.discontinuity = sample->IsDiscontinuity() == S_OK;
    r.streamId = sample->GetStreamId();
    {
        std::unique_lock lock(mutex);
        samples.push_back(std::move(r));
        if (hold) held.push_back(MediaSamplePtr::Share(sample));
        if (blockInReceive) {
            inReceive = true;
            cv.notify_all();
            cv.wait(lock, [this] { return released; });
            inReceive = false;
            return VFW_E_WRONG_STATE;
        }
    }
    cv.notify_all();
    return answer;
}

inline HRESULT TestSinkPin::EndOfStream() {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    {
        std::lock_guard lock(mutex);
        ++endOfStreams;
    }
    cv.notify_all();
    return m_pFilter->NotifyEvent(EC_COMPLETE, S_OK, 0);
}

// ---------------------------------------------------------------- transforms

// Copies input to output, optionally XORing bytes; can drop or fail chosen samples.
class TestCopy : public CTransformFilter {
public:
    TestCopy() : CTransformFilter("Test Copy", CLSID_TestCopy) {}

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
        int n = seen++;
        if (n == failAt) return failWith;
        for (int d : dropAt) {
            if (d == n) return S_FALSE;
        }
        uint8_t *src = nullptr, *dst = nullptr;
        in->GetPointer(&src);
        out->GetPointer(&dst);
        int32_t len = in->GetActualDataLength();
        if (len > out->GetSize()) return VFW_E_BUFFER_OVERFLOW;
        for (int32_t i = 0; i < len; ++i) dst[i] = src[i] ^ xorWith;
        out->SetActualDataLength(len);
        return S_OK;
    }
    HRESULT CheckInputType(const CMediaType* in) override {
        ++checkInputCalls;
        if (!acceptIn.IsValid()) return in->majortype == MEDIATYPE_Audio ? S_OK : S_FALSE;
        return in->MatchesPartial(acceptIn) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override {
        return out->majortype == MEDIATYPE_Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override {
        if (failBufferSize) return E_FAIL;
        ALLOCATOR_PROPERTIES want, got;
        want.cBuffers = outBuffers;
        want.cbBuffer = 4096;
        want.cbAlign = 1;
        return alloc->SetProperties(&want, &got);
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (position >= static_cast<int>(outTypes.size()) + 1) return VFW_S_NO_MORE_ITEMS;
        *type = position == 0 ? m_pInput->CurrentMediaType()
                              : outTypes[static_cast<size_t>(position - 1)];
        return S_OK;
    }
    HRESULT StartStreaming() override {
        ++starts;
        seen = 0;
        return S_OK;
    }
    HRESULT StopStreaming() override {
        ++stops;
        return S_OK;
    }
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override {
        (direction == PINDIR_INPUT ? inputType : outputType) = *type;
        return S_OK;
    }

    CMediaType acceptIn;  // partial type the input takes; invalid = any audio
    std::vector<CMediaType> outTypes;
    int failAt = -1;
    HRESULT failWith = E_FAIL;
    std::vector<int> dropAt;
    uint8_t xorWith = 0;
    bool failBufferSize = false;
    int outBuffers = 2;
    std::atomic<int> seen{0};
    int starts = 0, stops = 0, checkInputCalls = 0;
    CMediaType inputType, outputType;
};

// In place: stamps samples with times from 0 by byte count (a small time-line corrector) and
// increments every byte.
class TestStamp : public CTransInPlaceFilter {
public:
    TestStamp() : CTransInPlaceFilter("Test Stamp", CLSID_TestStamp, true) {}
    HRESULT CheckInputType(const CMediaType* in) override {
        return in->majortype == MEDIATYPE_Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT StartStreaming() override {
        next = 0;
        return S_OK;
    }
    HRESULT Transform(IMediaSample* sample) override {
        uint8_t* p = nullptr;
        sample->GetPointer(&p);
        int32_t n = sample->GetActualDataLength();
        for (int32_t i = 0; i < n; ++i) ++p[i];
        REFERENCE_TIME start = next, end = next + n * 10;
        sample->SetTime(&start, &end);
        next = end;
        return S_OK;
    }
    REFERENCE_TIME next = 0;
};

// Converts subtype X into subtype Y (for intelligent connection tests).
class TestConverter : public TestCopy {
public:
    TestConverter() {
        acceptIn = CMediaType(MEDIATYPE_Audio, SUBTYPE_X);
        CMediaType y = PcmType();
        y.subtype = SUBTYPE_Y;
        outTypes = {y};
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *type = outTypes[0];
        return S_OK;
    }
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override {
        return out->subtype == SUBTYPE_Y ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
};

// Helpers over pins.
inline IPin* OutputOf(IBaseFilter* f, int n = 0) {
    std::vector<IPin*> pins;
    f->EnumPins(&pins);
    for (IPin* p : pins) {
        PIN_DIRECTION d;
        p->QueryDirection(&d);
        if (d == PINDIR_OUTPUT && n-- == 0) return p;
    }
    return nullptr;
}
inline IPin* InputOf(IBaseFilter* f, int n = 0) {
    std::vector<IPin*> pins;
    f->EnumPins(&pins);
    for (IPin* p : pins) {
        PIN_DIRECTION d;
        p->QueryDirection(&d);
        if (d == PINDIR_INPUT && n-- == 0) return p;
    }
    return nullptr;
}

// Drains the queue (without waiting) and returns the codes in order.
inline std::vector<std::pair<int32_t, intptr_t>> DrainEvents(IMediaEventEx* events,
                                                             int32_t firstWaitMs = 0) {
    std::vector<std::pair<int32_t, intptr_t>> out;
    int32_t code;
    intptr_t p1, p2;
    int32_t wait = firstWaitMs;
    while (events->GetEvent(&code, &p1, &p2, wait) == S_OK) {
        out.emplace_back(code, p1);
        events->FreeEventParams(code, p1, p2);
        wait = 0;
    }
    return out;
}

}  // namespace tarnel::test::basefilters
