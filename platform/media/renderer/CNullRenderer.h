#pragma once
// "Null Renderer": takes any media type, discards every sample, and sends EC_COMPLETE at end
// of stream. Used to connect a source for its duration without playing it.
#include <atomic>
#include <memory>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"

namespace tarnel::media {

class CNullRenderer;

class CNullRendererInputPin final : public CBaseInputPin {
public:
    CNullRendererInputPin(CNullRenderer* filter, CCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const CMediaType* type) override;  // anything
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;
    HRESULT Active() override;

    int64_t SamplesReceived() const { return samples_.load(); }

private:
    CNullRenderer* renderer_;
    std::atomic<bool> endOfStream_{false};
    std::atomic<int64_t> samples_{0};
};

class CNullRenderer final : public CBaseFilter {
public:
    CNullRenderer();
    ~CNullRenderer() override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;
    CNullRendererInputPin* InputPin() const { return pin_.get(); }

private:
    CCritSec lock_;
    std::unique_ptr<CNullRendererInputPin> pin_;
};

}  // namespace tarnel::media
