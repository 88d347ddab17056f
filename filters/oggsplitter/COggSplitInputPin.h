#pragma once
// COggSplitInputPin "In": takes the file source's byte stream (IAsyncReader, any subtype of
// MEDIATYPE_Stream). Connecting it scans the file (headers, chapters, groups, duration) and
// creates the output pins; while the filter runs, its reading thread reads the file in 64 KiB
// steps from the start position and hands each page to its stream.
//
// Threading: connection on the control thread under the filter lock. The reading thread runs
// between StartReading and StopReading (both control thread); m_stopReading ends it, also
// while it waits for room in a stream's queue.

#include <atomic>

#include "framework/AMThread.h"
#include "framework/PullInputPin.h"

namespace tarnel {

class COggSplitter;

class COggSplitInputPin : public CPullInputPin, public CAMThread {
public:
    static constexpr int32_t kReadSize = 65536;

    COggSplitInputPin(COggSplitter* filter, CCritSec* lock, HRESULT* hr);
    ~COggSplitInputPin() override;

    // Forwarded to the streams' output pins.
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    // Starts reading at the byte position; StopReading waits for the thread to end.
    void StartReading(int64_t position);
    void StopReading();

private:
    HRESULT OnReaderConnected(IAsyncReader* reader) override;  // scans the file
    void OnReaderDisconnected() override;
    uint32_t ThreadProc() override;

    COggSplitter* m_splitter;
    std::atomic<bool> m_stopReading{false};
    int64_t m_startPosition = 0;  // written before the thread starts
};

}  // namespace tarnel
