#pragma once
// COggMuxOutputPin "Ogg Stream": delivers one Ogg page per sample (header then body), stamped
// with the page's byte range in the output (start = bytes written before it), which the file
// writer uses as the write position.
//
// Threading: WritePage runs on whichever input thread runs the page writer (serialised by the
// multiplexer's page-writer lock); the byte offset is guarded by m_offsetMutex.

#include <cstdint>
#include <mutex>

#include "filters/oggcommon/COggPageQueue.h"
#include "framework/BaseOutputPin.h"

namespace tarnel {

class COggMux;

class COggMuxOutputPin : public CBaseOutputPin {
public:
    static constexpr int32_t kMinBufferSize = 65536;  // holds any Ogg page

    COggMuxOutputPin(COggMux* filter, CCritSec* lock, HRESULT* hr);

    void* QueryInterface(const GUID& iid) override;  // IMediaSeeking: the filter's
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT Active() override;  // the output starts at byte 0

    // Delivers one page; VFW_E_BUFFER_OVERFLOW when the buffer cannot hold it.
    HRESULT WritePage(const OggPageNode& page);
    int64_t ByteOffset() const;

private:
    COggMux* m_pMux;
    mutable std::mutex m_offsetMutex;
    int64_t m_byteOffset = 0;  // guarded by m_offsetMutex
};

}  // namespace tarnel
