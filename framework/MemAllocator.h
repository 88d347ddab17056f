#pragma once
// Sample allocators. CBaseAllocator keeps the pool bookkeeping: committed state, free list,
// samples out, waiting GetBuffer callers. CMemAllocator owns the memory.
//
// Threading: every method may be called from any thread; one mutex guards the pool. GetBuffer
// waits on a condition variable while the pool is empty; Decommit wakes all waiters, which
// return VFW_E_NOT_COMMITTED. Memory is freed once decommitted and every sample is back.
// Create allocators with std::make_shared (samples keep theirs alive while they are out).

#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/Interfaces.h"
#include "framework/MediaSample.h"

namespace tarnel {

class CBaseAllocator : public IMemAllocator, public std::enable_shared_from_this<CBaseAllocator> {
public:
    CBaseAllocator() = default;
    ~CBaseAllocator() override;

    void* QueryInterface(const GUID& iid) override;
    HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request,
                          ALLOCATOR_PROPERTIES* actual) override;
    HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) override;
    HRESULT Commit() override;
    HRESULT Decommit() override;
    HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                      uint32_t flags) override;
    HRESULT ReleaseBuffer(IMediaSample* sample) override;

    // Test and diagnostic helpers.
    bool IsCommitted() const;
    int32_t SamplesOut() const;

protected:
    // Allocates the memory and samples for m_props (called by Commit with the lock held).
    virtual HRESULT Alloc() = 0;
    // Frees memory and samples (called with the lock held once decommitted and all are back).
    virtual void Free() = 0;

    // Guards every member below; m_freeCv wakes GetBuffer waiters when a sample comes back or
    // the allocator is decommitted.
    mutable std::mutex m_mutex;
    std::condition_variable m_freeCv;
    ALLOCATOR_PROPERTIES m_props;
    bool m_propsSet = false;
    bool m_committed = false;
    bool m_decommitPending = false;  // decommitted while samples are out
    bool m_allocated = false;
    int32_t m_samplesOut = 0;
    std::vector<std::unique_ptr<CMediaSample>> m_samples;  // every sample of the pool
    std::vector<CMediaSample*> m_free;                     // the free list
};

// Heap memory allocator: cBuffers buffers of cbBuffer bytes (plus cbPrefix bytes before each
// buffer start), aligned to cbAlign (a power of two).
class CMemAllocator : public CBaseAllocator {
public:
    CMemAllocator() = default;
    ~CMemAllocator() override;
    HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request,
                          ALLOCATOR_PROPERTIES* actual) override;

protected:
    HRESULT Alloc() override;
    void Free() override;

private:
    struct FreeMemory {
        void operator()(uint8_t* memory) const { std::free(memory); }
    };
    std::unique_ptr<uint8_t, FreeMemory> memory_;
};

// Upper bound of one allocator's memory; SetProperties asking for more fails with
// E_OUTOFMEMORY, so a hostile format cannot make the graph reserve unbounded memory.
constexpr int64_t kMaxAllocatorBytes = int64_t{256} * 1024 * 1024;

}  // namespace tarnel
