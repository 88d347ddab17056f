#pragma once
// The request-and-check of every DecideBufferSize: buffers asked for from the downstream pin's
// wishes and our own needs, then what the allocator granted held against what we cannot do
// without.
#include "framework/Interfaces.h"

namespace tarnel {

struct BufferRequest {
    int32_t buffers = 1;     // at least this many, or exactly this many with `exact`
    int32_t bytes = 1;       // each at least this large, or exactly with `exact`
    bool exact = false;      // the downstream pin's count and size are not asked for
    int32_t align = 0;       // 0: the downstream pin's alignment, at least 1
    bool keepPrefix = true;  // the downstream pin's prefix, or none
    // What must be granted, else `shortfall`: everything asked for, or these minimums (0 takes
    // whatever the allocator gives).
    bool needAsked = false;
    int32_t needBuffers = 0;
    int32_t needBytes = 0;
    HRESULT shortfall = E_FAIL;
};

// E_POINTER for a null allocator or wishes; a SetProperties failure is returned unchanged.
HRESULT RequestBuffers(IMemAllocator* alloc, const ALLOCATOR_PROPERTIES* wishes,
                       const BufferRequest& request);

}  // namespace tarnel
