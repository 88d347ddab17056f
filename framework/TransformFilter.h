#pragma once
// CTransformFilter: one input pin, one output pin, a sample in gives a sample out.
//
// What a subclass provides (the hooks, in this order):
//   Transform(in, out)         fill the output sample from the input; S_OK delivers it, S_FALSE
//                              drops it (one EC_QUALITY_CHANGE per run of drops), a failure
//                              aborts the stream (EC_ERRORABORT with the result as param1)
//   CheckInputType(in)         S_OK accepts an input type; anything else refuses it
//   CheckTransform(in, out)    S_OK when this output type fits this input type
//   DecideBufferSize(a, props) set the output allocator's properties
//   GetMediaType(pos, out)     output types offered, positions 0.. until VFW_S_NO_MORE_ITEMS
//   StartStreaming/StopStreaming   pause from stopped / stop
//   AlterQuality, SetMediaType, CheckConnect, BreakConnect, CompleteConnect
//   Receive, EndOfStream, BeginFlush, EndFlush, NewSegment  (the base passes them downstream)
//
// Receive rules: a sample whose stream id is not AM_STREAM_MEDIA goes downstream untouched.
// Otherwise an output sample comes from the output allocator with the input's times, media
// times, sync point, preroll and discontinuity, Transform fills it and S_OK delivers it.
//
// Threading: Receive, EndOfStream and NewSegment run on the upstream streaming thread under
// m_csReceive; the state changes and connection calls on the control thread under m_csFilter.
// Stop deactivates the pins first (waking a thread blocked on a buffer), then takes
// m_csReceive, so StopStreaming never runs concurrently with Transform.

#include <memory>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"
#include "framework/BaseOutputPin.h"
#include "framework/PosPassThru.h"

namespace tarnel {

class CTransformFilter;

class CTransformInputPin : public CBaseInputPin {
public:
    CTransformInputPin(std::string name, CTransformFilter* filter, HRESULT* hr);

    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    // CheckInputType, and CheckTransform against the output type when the output is connected.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

protected:
    CTransformFilter* m_pTransformFilter;
};

class CTransformOutputPin : public CBaseOutputPin {
public:
    CTransformOutputPin(std::string name, CTransformFilter* filter, HRESULT* hr);
    ~CTransformOutputPin() override;

    // Adds IMediaSeeking (a CPosPassThru to the filter's input pin).
    void* QueryInterface(const GUID& iid) override;

    HRESULT CheckConnect(IPin* pin) override;  // the input must be connected first
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT CheckMediaType(const CMediaType* type) override;  // the filter's CheckTransform
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;  // the filter's GetMediaType

protected:
    CTransformFilter* m_pTransformFilter;
    std::unique_ptr<CPosPassThru> m_pPosition;  // made on first query
};

class CTransformFilter : public CBaseFilter {
public:
    // Creates the default pins "XForm In" and "XForm Out"; a subclass may replace them in its
    // constructor with SetInputPin/SetOutputPin.
    CTransformFilter(std::string name, const GUID& clsid);
    ~CTransformFilter() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int index) override;
    HRESULT FindPin(std::string_view id, IPin** pin) override;

    HRESULT Stop() override;
    HRESULT Pause() override;

    // The hooks, in their traditional order.
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);  // E_UNEXPECTED by default
    virtual HRESULT CheckInputType(const CMediaType* in) = 0;
    virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) = 0;
    virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;
    virtual HRESULT StartStreaming();
    virtual HRESULT StopStreaming();
    virtual HRESULT AlterQuality(Quality quality);  // S_FALSE: not handled
    virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type);
    virtual HRESULT CheckConnect(PIN_DIRECTION direction, IPin* pin);
    virtual HRESULT BreakConnect(PIN_DIRECTION direction);
    virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin);
    virtual HRESULT Receive(IMediaSample* sample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    CTransformInputPin* InputPin() const { return m_pInput; }
    CTransformOutputPin* OutputPin() const { return m_pOutput; }

protected:
    // Gets an output buffer and carries the input's properties over to it: times, media times,
    // sync point, preroll and discontinuity (also after dropped samples). E_UNEXPECTED for an
    // input that answers a flag query with neither S_OK nor S_FALSE.
    virtual HRESULT InitializeOutputSample(IMediaSample* in, IMediaSample** out);
    void SetInputPin(std::unique_ptr<CTransformInputPin> pin);
    void SetOutputPin(std::unique_ptr<CTransformOutputPin> pin);
    // Reports a streaming failure once: EC_ERRORABORT unless the filter is stopping/flushing.
    void AbortStream(HRESULT hr);

    CCritSec m_csFilter;   // state lock (m_pLock points here)
    CCritSec m_csReceive;  // held for the whole of every Receive/EndOfStream/NewSegment
    CTransformInputPin* m_pInput = nullptr;
    CTransformOutputPin* m_pOutput = nullptr;
    bool m_bEOSDelivered = false;    // streaming thread
    bool m_bSampleSkipped = false;   // in a run of dropped samples (streaming thread)
    bool m_bQualityChanged = false;  // EC_QUALITY_CHANGE sent for the current run

private:
    std::unique_ptr<CTransformInputPin> inputOwner_;
    std::unique_ptr<CTransformOutputPin> outputOwner_;
    friend class CTransformInputPin;
    friend class CTransformOutputPin;
};

}  // namespace tarnel
