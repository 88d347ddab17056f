#pragma once
// "Wave Parser": reads a RIFF WAVE file from the File Source's IAsyncReader and delivers its
// audio. The input pin parses the file when it connects (a broken file fails the connection
// with VFW_E_INVALID_FILE_FORMAT, a failed read with the reader's result); the output pin
// offers the format block as stored (see WaveMediaTypes.h) and pushes samples of about half a
// second from its own thread, stamped relative to the current segment, then end of stream.
// IMediaSeeking on the output pin gives the duration (data size / average bytes per second)
// and moves the start and stop positions, also while running (flush and restart).
//
// Threads: connection and seeking calls on the application thread; FillBuffer on the pin's
// streaming thread. The layout is written only while stopped and unconnected-downstream; the
// positions are atomics (seeks are serialised by seekLock_ and stop the thread before moving
// the start).
#include <atomic>
#include <memory>
#include <optional>

#include "framework/BaseFilter.h"
#include "framework/BasePin.h"
#include "framework/MediaTimeSeeking.h"
#include "framework/PullInputPin.h"
#include "framework/SourceStream.h"
#include "platform/media/wave/RiffWaveLayout.h"
#include "platform/media/wave/WaveStreamPlan.h"

namespace tarnel::media {

class CWaveParser;

class CWaveParserInputPin final : public CPullInputPin {
public:
    CWaveParserInputPin(CWaveParser* filter, CCritSec* lock, HRESULT* hr);

protected:
    HRESULT OnReaderConnected(IAsyncReader* reader) override;
    void OnReaderDisconnected() override;

private:
    CWaveParser* parser_;
};

class CWaveParserOutputPin final : public CSourceStream, public CMediaTimeSeeking {
public:
    CWaveParserOutputPin(CWaveParser* filter, CCritSec* lock, HRESULT* hr);
    ~CWaveParserOutputPin() override;

    void* QueryInterface(const GUID& iid) override;

    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) override;
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadStartPlay() override;

    // IMediaSeeking: the positions (CMediaTimeSeeking answers the rest).
    HRESULT GetDuration(int64_t* duration) override;
    HRESULT GetStopPosition(int64_t* stop) override;
    HRESULT GetCurrentPosition(int64_t* current) override;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                         uint32_t stopFlags) override;

    // Called by the filter when a file was parsed or forgotten (stopped, unconnected).
    void ResetPositions();

private:
    const WaveStreamPlan* Plan() const;

    CWaveParser* parser_;
    CCritSec seekLock_;                   // serialises SetPositions
    std::atomic<uint64_t> startByte_{0};  // segment start within the data chunk
    std::atomic<uint64_t> stopByte_{0};   // segment end within the data chunk
    std::atomic<uint64_t> nextByte_{0};   // next byte to deliver (streaming thread writes)
    bool discontinuity_ = true;           // streaming thread
};

class CWaveParser final : public CBaseFilter {
public:
    CWaveParser();
    ~CWaveParser() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int index) override;

    // The parsed file while the input is connected.
    const std::optional<RiffWaveLayout>& Layout() const { return layout_; }
    const std::optional<WaveStreamPlan>& StreamPlan() const { return plan_; }
    CWaveParserInputPin* InputPin() const { return input_.get(); }
    CWaveParserOutputPin* OutputPin() const { return output_.get(); }

private:
    friend class CWaveParserInputPin;
    // Parses through the reader: S_OK or the failure that refuses the connection.
    HRESULT ParseFile(IAsyncReader* reader);
    void ForgetFile();

    CCritSec lock_;
    std::unique_ptr<CWaveParserInputPin> input_;
    std::unique_ptr<CWaveParserOutputPin> output_;
    // Written at input connection (application thread, stopped); read by streaming.
    std::optional<RiffWaveLayout> layout_;
    std::optional<WaveStreamPlan> plan_;
};

}  // namespace tarnel::media
