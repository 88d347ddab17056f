#pragma once
// COggSplitOutputPin: offers one stream of the Ogg file ("Audio 1234" ...). Its IMediaSeeking
// is the splitter's shared seeking state.
//
// Threading: Deliver* run on the stream's delivery thread; seeking calls come from the
// application thread and take the splitter's lock.

#include "framework/BaseOutputPin.h"

namespace tarnel {

class COggSplitter;
class COggStream;

class COggSplitOutputPin : public CBaseOutputPin, public IMediaSeeking {
public:
    COggSplitOutputPin(std::string name, COggSplitter* filter, CCritSec* lock, COggStream* stream,
                       HRESULT* hr);

    void* QueryInterface(const GUID& iid) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT Active() override;

    COggStream* Stream() const { return m_stream; }

    // IMediaSeeking, answered by the splitter.
    HRESULT GetCapabilities(uint32_t* capabilities) override;
    HRESULT CheckCapabilities(uint32_t* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(int64_t* duration) override;
    HRESULT GetStopPosition(int64_t* stop) override;
    HRESULT GetCurrentPosition(int64_t* current) override;
    HRESULT ConvertTimeFormat(int64_t* target, const GUID* targetFormat, int64_t source,
                              const GUID* sourceFormat) override;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                         uint32_t stopFlags) override;
    HRESULT GetPositions(int64_t* current, int64_t* stop) override;
    HRESULT GetAvailable(int64_t* earliest, int64_t* latest) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;
    HRESULT GetPreroll(int64_t* preroll) override;

private:
    COggSplitter* m_splitter;
    COggStream* m_stream;
};

}  // namespace tarnel
