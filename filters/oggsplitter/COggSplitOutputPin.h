#pragma once
// COggSplitOutputPin: offers one stream of the Ogg file ("Audio 1234" ...). Its IMediaSeeking
// is the splitter's shared seeking state; CMediaTimeSeeking answers the time formats.
//
// Threading: Deliver* run on the stream's delivery thread; seeking calls come from the
// application thread and take the splitter's lock.

#include "framework/BaseOutputPin.h"
#include "framework/MediaTimeSeeking.h"

namespace tarnel {

class COggSplitter;
class COggStream;

class COggSplitOutputPin : public CBaseOutputPin, public CMediaTimeSeeking {
public:
    COggSplitOutputPin(std::string name, COggSplitter* filter, CCritSec* lock, COggStream* stream,
                       HRESULT* hr);

    void* QueryInterface(const GUID& iid) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT Active() override;

    COggStream* Stream() const { return m_stream; }

    // IMediaSeeking: the positions and the rate, answered by the splitter.
    HRESULT GetDuration(int64_t* duration) override;
    HRESULT GetStopPosition(int64_t* stop) override;
    HRESULT GetCurrentPosition(int64_t* current) override;  // E_NOTIMPL
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                         uint32_t stopFlags) override;
    HRESULT GetPositions(int64_t* current, int64_t* stop) override;
    HRESULT GetAvailable(int64_t* earliest, int64_t* latest) override;  // either may be null
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;

private:
    COggSplitter* m_splitter;
    COggStream* m_stream;
};

}  // namespace tarnel
