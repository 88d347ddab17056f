#include "framework/MemAllocator.h"

#include <cstdlib>

namespace tarnel {

CBaseAllocator::~CBaseAllocator() = default;

void* CBaseAllocator::QueryInterface(const GUID& iid) {
    if (iid == IMemAllocator::IID || iid == IUnknown::IID) return static_cast<IMemAllocator*>(this);
    return nullptr;
}

HRESULT CBaseAllocator::SetProperties(const ALLOCATOR_PROPERTIES* request,
                                      ALLOCATOR_PROPERTIES* actual) {
    if (!request || !actual) return E_POINTER;
    std::lock_guard lock(m_mutex);
    if (m_committed) return VFW_E_ALREADY_COMMITTED;
    if (m_samplesOut > 0 || m_allocated) {
        if (m_samplesOut > 0) return VFW_E_BUFFERS_OUTSTANDING;
    }
    ALLOCATOR_PROPERTIES props = *request;
    if (props.cbAlign == 0) props.cbAlign = 1;
    if (props.cbAlign < 0 || (props.cbAlign & (props.cbAlign - 1)) != 0) return VFW_E_BADALIGN;
    if (props.cBuffers < 0 || props.cbBuffer < 0 || props.cbPrefix < 0) return E_INVALIDARG;
    int64_t total =
        int64_t{props.cBuffers} * (int64_t{props.cbBuffer} + props.cbPrefix + props.cbAlign);
    if (total > kMaxAllocatorBytes) return E_OUTOFMEMORY;
    if (m_allocated) Free();  // new sizes: the old memory goes
    m_props = props;
    m_propsSet = true;
    *actual = props;
    return S_OK;
}

HRESULT CBaseAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
    if (!props) return E_POINTER;
    std::lock_guard lock(m_mutex);
    *props = m_props;
    return S_OK;
}

HRESULT CBaseAllocator::Commit() {
    std::lock_guard lock(m_mutex);
    if (m_committed) return S_OK;
    if (!m_propsSet || m_props.cBuffers <= 0 || m_props.cbBuffer <= 0) return VFW_E_SIZENOTSET;
    m_decommitPending = false;
    if (!m_allocated) {
        HRESULT hr = Alloc();
        if (FAILED(hr)) return hr;
        m_allocated = true;
    }
    m_committed = true;
    return S_OK;
}

HRESULT CBaseAllocator::Decommit() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_committed) return S_OK;
        m_committed = false;
        if (m_samplesOut == 0) {
            Free();
            m_allocated = false;
        } else {
            m_decommitPending = true;
        }
    }
    m_freeCv.notify_all();  // waiters in GetBuffer return VFW_E_NOT_COMMITTED
    return S_OK;
}

HRESULT CBaseAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                                  uint32_t flags) {
    if (!sample) return E_POINTER;
    *sample = nullptr;
    CMediaSample* taken = nullptr;
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (!m_committed) return VFW_E_NOT_COMMITTED;
            if (!m_free.empty()) break;
            if (flags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
            m_freeCv.wait(lock);
        }
        taken = m_free.back();
        m_free.pop_back();
        ++m_samplesOut;
        taken->ResetProperties();
        taken->SetReferenceCount(1);
        taken->m_pAllocatorKeepAlive = weak_from_this().lock();
    }
    if (start) taken->SetTime(start, end);
    *sample = taken;
    return S_OK;
}

HRESULT CBaseAllocator::ReleaseBuffer(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    {
        std::lock_guard lock(m_mutex);
        auto* ours = static_cast<CMediaSample*>(sample);
        m_free.push_back(ours);
        --m_samplesOut;
        if (!m_committed && m_decommitPending && m_samplesOut == 0) {
            m_decommitPending = false;
            Free();
            m_allocated = false;
        }
    }
    m_freeCv.notify_one();
    return S_OK;
}

bool CBaseAllocator::IsCommitted() const {
    std::lock_guard lock(m_mutex);
    return m_committed;
}

int32_t CBaseAllocator::SamplesOut() const {
    std::lock_guard lock(m_mutex);
    return m_samplesOut;
}

CMemAllocator::~CMemAllocator() {
    std::lock_guard lock(m_mutex);
    Free();
}

HRESULT CMemAllocator::SetProperties(const ALLOCATOR_PROPERTIES* request,
                                     ALLOCATOR_PROPERTIES* actual) {
    if (!request || !actual) return E_POINTER;
    ALLOCATOR_PROPERTIES props = *request;
    if (props.cbAlign <= 0) props.cbAlign = 1;
    return CBaseAllocator::SetProperties(&props, actual);
}

HRESULT CMemAllocator::Alloc() {
    const int64_t align = m_props.cbAlign;
    int64_t stride = m_props.cbBuffer + m_props.cbPrefix;
    stride = (stride + align - 1) / align * align;
    const int64_t total = stride * m_props.cBuffers + align;
    if (total > kMaxAllocatorBytes + align) return E_OUTOFMEMORY;
    // calloc: the buffers start zeroed, but fresh pages from the system are not written here, so
    // a graph pays only for the buffer memory its samples actually fill.
    memory_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(total), 1)));
    if (!memory_) return E_OUTOFMEMORY;
    auto base = reinterpret_cast<uintptr_t>(memory_.get());
    uintptr_t aligned = (base + m_props.cbPrefix + align - 1) / align * align - m_props.cbPrefix;
    if (aligned < base) aligned += align;
    uint8_t* first = memory_.get() + (aligned - base);
    m_samples.clear();
    m_free.clear();
    for (int32_t i = 0; i < m_props.cBuffers; ++i) {
        uint8_t* buffer = first + stride * i + m_props.cbPrefix;
        m_samples.push_back(std::make_unique<CMediaSample>(this, buffer, m_props.cbBuffer));
        m_free.push_back(m_samples.back().get());
    }
    return S_OK;
}

void CMemAllocator::Free() {
    m_free.clear();
    m_samples.clear();
    memory_.reset();
}

}  // namespace tarnel
