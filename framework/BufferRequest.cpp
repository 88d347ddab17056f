#include "framework/BufferRequest.h"

#include <algorithm>

namespace tarnel {

HRESULT RequestBuffers(IMemAllocator* alloc, const ALLOCATOR_PROPERTIES* wishes,
                       const BufferRequest& want) {
    if (!alloc || !wishes) return E_POINTER;
    ALLOCATOR_PROPERTIES request;
    request.cBuffers = want.exact ? want.buffers : std::max(wishes->cBuffers, want.buffers);
    request.cbBuffer = want.exact ? want.bytes : std::max(wishes->cbBuffer, want.bytes);
    request.cbAlign = want.align > 0 ? want.align : std::max(wishes->cbAlign, 1);
    request.cbPrefix = want.keepPrefix ? wishes->cbPrefix : 0;
    ALLOCATOR_PROPERTIES actual;
    HRESULT hr = alloc->SetProperties(&request, &actual);
    if (FAILED(hr)) return hr;
    const int32_t needBuffers = want.needAsked ? request.cBuffers : want.needBuffers;
    const int32_t needBytes = want.needAsked ? request.cbBuffer : want.needBytes;
    if (actual.cBuffers < needBuffers || actual.cbBuffer < needBytes) return want.shortfall;
    return hr;
}

}  // namespace tarnel
