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
// positions are atomics (seeks are serialised by the pin's seek lock and stop the thread before
// moving the start).
#include <atomic>
#include <optional>

#include "framework/ParserOutputPin.h"
#include "framework/PullParser.h"
#include "platform/media/wave/RiffWaveLayout.h"
#include "platform/media/wave/WaveStreamPlan.h"

namespace tarnel::media {

class CWaveParser;

class CWaveParserOutputPin final : public CParserOutputPin {
public:
    CWaveParserOutputPin(CWaveParser* filter, CCritSec* lock, HRESULT* hr);
    ~CWaveParserOutputPin() override;

    // IMediaSeeking: the positions (CParserOutputPin answers the rest).
    HRESULT GetDuration(int64_t* duration) override;
    HRESULT GetStopPosition(int64_t* stop) override;
    HRESULT GetCurrentPosition(int64_t* current) override;

    // Called by the filter when a file was parsed or forgotten (stopped, unconnected).
    void ResetPositions();

private:
    std::vector<CMediaType> OutputTypes() const override;
    std::optional<BufferNeed> BufferNeeds() const override;
    HRESULT StartSegment(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT FillSample(IMediaSample* sample) override;
    HRESULT SeekReference(REFERENCE_TIME* current, REFERENCE_TIME* stop) override;
    void MoveSegment(const SeekPositions& to, REFERENCE_TIME* start, REFERENCE_TIME* stop) override;

    const WaveStreamPlan* Plan() const;

    CWaveParser* parser_;
    std::atomic<uint64_t> startByte_{0};  // segment start within the data chunk
    std::atomic<uint64_t> stopByte_{0};   // segment end within the data chunk
    std::atomic<uint64_t> nextByte_{0};   // next byte to deliver (streaming thread writes)
};

class CWaveParser final : public CPullParser {
public:
    CWaveParser();
    ~CWaveParser() override;

    // The parsed file while the input is connected.
    const std::optional<RiffWaveLayout>& Layout() const { return layout_; }
    const std::optional<WaveStreamPlan>& StreamPlan() const { return plan_; }
    CWaveParserOutputPin* OutputPin() const { return output_; }

private:
    HRESULT ReadFile(AsyncReaderByteSource& source) override;
    void ForgetFile() override;

    CWaveParserOutputPin* output_;  // owned by CPullParser
    // Written at input connection (application thread, stopped); read by streaming.
    std::optional<RiffWaveLayout> layout_;
    std::optional<WaveStreamPlan> plan_;
};

}  // namespace tarnel::media
