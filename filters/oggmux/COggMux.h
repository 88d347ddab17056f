#pragma once
// COggMux: writes one Ogg physical stream from one or more inputs (Vorbis packets from the
// Vorbis encoder, or framed video, audio and text). Pages of all streams are interleaved by
// time: the page writer always writes the earliest page of all streams, and holds back when
// the earliest stream has nothing queued yet. There is always one free input pin: connecting
// the last free one appends another. IMediaSeeking reports the time of the last page written
// (the conversion's progress) and forwards duration and positions upstream.
//
// At the end: when every connected input has reached end of stream, every page still queued
// is written (in time order), then end of stream goes downstream once.
//
// Threading: pins are added only while stopped, on the control thread (under m_csFilter).
// The page writer runs on whichever input thread wrote a packet, serialised by
// m_pageWriterMutex; it never holds a pin lock of another stream. The current position and
// segment start are guarded by m_positionMutex; the seeking time format by m_csFilter.

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "filters/oggmux/COggMuxInputPin.h"
#include "filters/oggmux/COggMuxOutputPin.h"
#include "framework/BaseFilter.h"
#include "framework/FilterRegistry.h"

namespace tarnel {

class COggMux : public CBaseFilter, public IMediaSeeking {
public:
    COggMux();
    ~COggMux() override;

    void* QueryInterface(const GUID& iid) override;

    // CBaseFilter: pin 0 is the output, pins 1..n the inputs.
    int GetPinCount() override;
    CBasePin* GetPin(int index) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT QueryVendorInfo(std::string* info) override { return E_NOTIMPL; }

    // IMediaSeeking
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
    HRESULT SetRate(double rate) override { return E_NOTIMPL; }
    HRESULT GetRate(double* rate) override { return E_NOTIMPL; }
    HRESULT GetPreroll(int64_t* preroll) override;

    COggMuxOutputPin* OutputPin() const { return m_output.get(); }
    int InputCount() const { return static_cast<int>(m_inputs.size()); }
    COggMuxInputPin* InputPin(int index) const;

    // Called by the input pins.
    void OnInputConnected();  // control thread, m_csFilter held
    HRESULT RunPageWriter();
    void ClearKeptWaitingAll();
    void OnInputEndOfStream();
    void SetSegmentStart(REFERENCE_TIME start);

private:
    // The upstream seekers of the connected inputs, in pin order.
    std::vector<IMediaSeeking*> UpstreamSeekers() const;

    CCritSec m_csFilter;
    std::mutex m_pageWriterMutex;
    mutable std::mutex m_positionMutex;
    REFERENCE_TIME m_currentPosition = 0;  // guarded by m_positionMutex
    REFERENCE_TIME m_segmentStart = 0;     // guarded by m_positionMutex
    GUID m_timeFormat = TIME_FORMAT_MEDIA_TIME;
    std::atomic<bool> m_endOfStreamDelivered{false};
    std::unique_ptr<COggMuxOutputPin> m_output;
    std::vector<std::unique_ptr<COggMuxInputPin>> m_inputs;
};

// Registers CLSID_OggMux, created by class identifier only.
void RegisterOggMux(FilterRegistry& registry);

}  // namespace tarnel
