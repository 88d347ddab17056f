#include "framework/ParserOutputPin.h"

#include <utility>

#include "framework/BufferRequest.h"
#include "framework/MediaSample.h"

namespace tarnel {
namespace {

constexpr uint32_t kSeekCaps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                               AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                               AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

}  // namespace

CParserOutputPin::CParserOutputPin(std::string name, CBaseFilter* filter, CCritSec* lock,
                                   HRESULT* hr)
    : CSourceStream(std::move(name), filter, lock, hr), CMediaTimeSeeking(kSeekCaps) {}

void* CParserOutputPin::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
    return CSourceStream::QueryInterface(iid);
}

HRESULT CParserOutputPin::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    std::vector<CMediaType> types = OutputTypes();
    if (size_t(position) >= types.size()) return VFW_S_NO_MORE_ITEMS;
    *type = std::move(types[size_t(position)]);
    return S_OK;
}

HRESULT CParserOutputPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    if (!alloc || !props) return E_POINTER;
    const std::optional<BufferNeed> need = BufferNeeds();
    if (!need) return E_UNEXPECTED;
    return RequestBuffers(
        alloc, props,
        {.buffers = need->count, .bytes = need->bytes, .needBuffers = 1, .needBytes = need->bytes});
}

HRESULT CParserOutputPin::OnThreadStartPlay() {
    m_bDiscontinuity = true;
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = StartSegment(&start, &stop);
    if (FAILED(hr)) return hr;
    return DeliverNewSegment(start, stop, 1.0);
}

HRESULT CParserOutputPin::FillBuffer(IMediaSample* sample) {
    HRESULT hr = FillSample(sample);
    if (hr != S_OK) return hr;
    sample->SetSyncPoint(true);
    sample->SetDiscontinuity(m_bDiscontinuity);
    m_bDiscontinuity = false;
    return S_OK;
}

HRESULT CParserOutputPin::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                                       uint32_t stopFlags) {
    HRESULT hr = CheckSeekArguments(current, currentFlags, stop, stopFlags);
    if (FAILED(hr)) return hr;
    CAutoLock serial(&m_SeekLock);
    REFERENCE_TIME from = 0, until = 0;
    hr = SeekReference(&from, &until);
    if (FAILED(hr)) return hr;
    const SeekPositions to =
        ResolveSeekPositions(from, until, current, currentFlags, stop, stopFlags);
    REFERENCE_TIME start = 0, end = 0;
    MoveSegment(to, &start, &end);
    ReturnSeekTimes(start, end, current, currentFlags, stop, stopFlags);
    return S_OK;
}

}  // namespace tarnel
