#pragma once
// CSourceStream: an output pin with its own streaming thread that produces samples (a push
// source or a parser's output). The thread starts when the filter pauses from stopped and
// loops: GetDeliveryBuffer, FillBuffer, Deliver.
//   FillBuffer S_OK   -> the sample is delivered
//   FillBuffer S_FALSE -> end of stream is delivered and the thread waits for the stop
//   FillBuffer failure -> EC_ERRORABORT (the result as param1) and end of stream
//   Deliver S_FALSE    -> downstream wants no more: end of stream, wait for the stop
//   Deliver failure    -> EC_ERRORABORT unless the filter is stopping; the thread waits
// A seek made through SeekAndRestart flushes downstream, which refuses samples on purpose: the
// loop then leaves at once without end of stream or event, and the seek restarts it.
// Inactive (filter stop) decommits the allocator first, so a thread blocked in
// GetDeliveryBuffer returns at once, then stops and joins the thread.
//
// The pin's owning filter can be any CBaseFilter (CSource below, or a parser with an input pin).
// The streaming-thread hooks must not take the filter's state lock: Stop holds it while it
// waits for this thread. Guard shared state with a lock of its own (m_WorkerLock).

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "framework/AMThread.h"
#include "framework/BaseFilter.h"
#include "framework/BaseOutputPin.h"

namespace tarnel {

class CSourceStream : public CBaseOutputPin, public CAMThread {
public:
    CSourceStream(std::string name, CBaseFilter* filter, CCritSec* lock, HRESULT* hr);
    ~CSourceStream() override;

    HRESULT Active() override;    // starts the thread
    HRESULT Inactive() override;  // decommits, stops and joins the thread

    // Streaming-thread hooks.
    // Fills one sample: S_OK deliver, S_FALSE end of stream, failure aborts.
    virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
    virtual HRESULT OnThreadCreate() { return S_OK; }
    virtual HRESULT OnThreadDestroy() { return S_OK; }
    virtual HRESULT OnThreadStartPlay() { return S_OK; }

    // The default CheckMediaType accepts exactly the types of GetMediaType.
    HRESULT CheckMediaType(const CMediaType* type) override;

protected:
    enum Command : uint32_t { CMD_INIT, CMD_PAUSE, CMD_RUN, CMD_STOP, CMD_EXIT };
    uint32_t ThreadProc() override;
    virtual HRESULT DoBufferProcessingLoop();
    // True while the thread should keep pushing (no stop/exit request pending).
    bool ShouldContinue();
    // True when a failure now comes from the stop (not to be reported).
    bool Stopping() const;
    // Moves the stream (application thread; the caller serialises seeks). With a thread and a
    // connection it flushes downstream, stops the thread, calls move to set the new position,
    // ends the flush and starts the thread again; otherwise it only calls move.
    void SeekAndRestart(const std::function<void()>& move);
    // Ends and joins the streaming thread at once, if it runs. A pin whose hooks use its own
    // members calls this from its destructor, while those members still exist.
    void EndThreadNow();

    std::atomic<bool> m_bStopRequested{false};
    bool m_bEndOfStream = false;  // end of stream delivered this run (streaming thread)
    std::atomic<bool> m_bSeekFlushing{false};  // SeekAndRestart is flushing downstream
};

// A filter with only CSourceStream output pins (owned here).
class CSource : public CBaseFilter {
public:
    CSource(std::string name, const GUID& clsid);
    ~CSource() override;

    int GetPinCount() override;
    CBasePin* GetPin(int index) override;
    // Adds an output pin; returns it.
    CSourceStream* AddPin(std::unique_ptr<CSourceStream> pin);

    CCritSec* StateLock() { return &m_cStateLock; }

protected:
    CCritSec m_cStateLock;
    std::vector<std::unique_ptr<CSourceStream>> m_paStreams;
};

}  // namespace tarnel
