#include "tests/support/filters/StreamSource.h"

#include <algorithm>
#include <cstring>

namespace tarnel::test::harness {

StreamSourcePin::StreamSourcePin(StreamSource* filter, CCritSec* lock)
    : CSourceStream("Out", filter, lock, nullptr),
      CMediaTimeSeeking(AM_SEEKING_CanGetDuration | AM_SEEKING_CanGetCurrentPos) {}

void* StreamSourcePin::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
    return CSourceStream::QueryInterface(iid);
}

int32_t StreamSourcePin::SampleCount() const {
    return blocks.empty() ? count : static_cast<int32_t>(blocks.size());
}

int32_t StreamSourcePin::BufferBytes() const {
    int32_t most = blocks.empty() ? bytes : 1;
    for (const Block& b : blocks) most = std::max(most, static_cast<int32_t>(b.bytes.size()));
    return most;
}

HRESULT StreamSourcePin::GetMediaType(int position, CMediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position >= static_cast<int>(types.size())) return VFW_S_NO_MORE_ITEMS;
    *type = types[static_cast<size_t>(position)];
    return S_OK;
}

HRESULT StreamSourcePin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    const int32_t need = BufferBytes();
    ALLOCATOR_PROPERTIES want = *props, got;
    want.cBuffers = std::max(want.cBuffers, buffers);
    want.cbBuffer = std::max(want.cbBuffer, need);
    HRESULT hr = alloc->SetProperties(&want, &got);
    if (FAILED(hr)) return hr;
    return got.cbBuffer >= need ? S_OK : E_FAIL;
}

HRESULT StreamSourcePin::OnThreadCreate() {
    produced = 0;
    return S_OK;
}

HRESULT StreamSourcePin::FillBuffer(IMediaSample* sample) {
    if (gate) {
        std::unique_lock lock(gateMutex_);
        gateCv_.wait(lock, [this] { return gateOpen_ || m_bStopRequested.load(); });
    }
    const int32_t n = produced;
    if (SampleCount() >= 0 && n >= SampleCount()) return S_FALSE;
    if (failAt >= 0 && n == failAt) return failWith;
    uint8_t* p = nullptr;
    sample->GetPointer(&p);
    REFERENCE_TIME start = n * 1000 + timeOffset, end = start + 1000;
    if (blocks.empty()) {
        for (int32_t i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(n + i);
        sample->SetActualDataLength(bytes);
        sample->SetTime(&start, &end);
    } else {
        const Block& b = blocks[static_cast<size_t>(n)];
        std::copy(b.bytes.begin(), b.bytes.end(), p);
        sample->SetActualDataLength(static_cast<int32_t>(b.bytes.size()));
        if (b.start) {
            start = *b.start;
            end = start + static_cast<REFERENCE_TIME>(b.bytes.size());
            sample->SetTime(&start, &end);
        }
    }
    sample->SetSyncPoint(true);
    if (controlAt == n) sample->SetStreamId(AM_STREAM_CONTROL);
    position = end;
    ++produced;
    return S_OK;
}

HRESULT StreamSourcePin::Inactive() {
    {
        std::lock_guard lock(gateMutex_);
        m_bStopRequested = true;
    }
    gateCv_.notify_all();
    return CSourceStream::Inactive();
}

void StreamSourcePin::OpenGate() {
    {
        std::lock_guard lock(gateMutex_);
        gateOpen_ = true;
    }
    gateCv_.notify_all();
}

HRESULT StreamSourcePin::GetDuration(int64_t* d) {
    *d = int64_t{SampleCount()} * 1000 + durationExtra;
    return S_OK;
}

HRESULT StreamSourcePin::GetCurrentPosition(int64_t* c) {
    *c = position.load();
    return S_OK;
}

HRESULT StreamSourcePin::SetPositions(int64_t* c, uint32_t, int64_t*, uint32_t) {
    seekedTo = c ? *c : -1;
    return S_OK;
}

StreamSource::StreamSource() : CSource("Test Source", CLSID_StreamSource) {
    pin =
        static_cast<StreamSourcePin*>(AddPin(std::make_unique<StreamSourcePin>(this, StateLock())));
}

}  // namespace tarnel::test::harness
