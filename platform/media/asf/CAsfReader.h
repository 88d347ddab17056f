#pragma once
// The WM ASF Reader stand-in: the source filter the graph manager picks for ASF content
// (AddSourceFilter), whatever the file is called. Its one output pin offers MEDIATYPE_Audio with
// the audio stream's wave format as stored (WMA 0x0160..0x0163, WMA Voice 0x000A, ACELP.net
// 0x0130, PCM or anything else) and codec data, and pushes the compressed packets with their
// time stamps from its own thread. IMediaSeeking on the pin gives the duration and the position
// of the last packet delivered, and moves the start (flush and restart while running).
//
// Threads: Load, connection and seeking calls on the application thread; FillBuffer on the
// pin's streaming thread, which alone uses the demuxer while it runs (a seek stops it first).
// The positions are atomics.
#include <atomic>
#include <filesystem>
#include <memory>

#include "framework/ParserOutputPin.h"
#include "platform/media/asf/AsfDemuxer.h"

namespace tarnel::media {

class CAsfReader;

class CAsfReaderOutputPin final : public CParserOutputPin {
public:
    CAsfReaderOutputPin(CAsfReader* filter, CCritSec* lock, HRESULT* hr);
    ~CAsfReaderOutputPin() override;

    // IMediaSeeking: the positions (CParserOutputPin answers the rest).
    HRESULT GetDuration(int64_t* duration) override;
    HRESULT GetStopPosition(int64_t* stop) override;
    HRESULT GetCurrentPosition(int64_t* current) override;

    void ResetPositions(int64_t duration);
    // Raised while the thread is told to stop, so a read in progress ends at once.
    const std::atomic<bool>* InterruptFlag() const { return &m_bStopRequested; }

private:
    std::vector<CMediaType> OutputTypes() const override;
    std::optional<BufferNeed> BufferNeeds() const override;
    HRESULT StartSegment(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT FillSample(IMediaSample* sample) override;
    HRESULT SeekReference(REFERENCE_TIME* current, REFERENCE_TIME* stop) override;
    void MoveSegment(const SeekPositions& to, REFERENCE_TIME* start, REFERENCE_TIME* stop) override;

    CAsfReader* reader_;
    std::atomic<int64_t> start_{0};    // segment start, 100 ns
    std::atomic<int64_t> stop_{0};     // segment stop, 100 ns
    std::atomic<int64_t> current_{0};  // start of the last packet delivered
    bool needSeek_ = false;            // streaming thread: position the demuxer at start_ first
    bool readSinceSeek_ = false;       // streaming thread: packets were read since the last seek
    AsfPacket packet_;                 // streaming thread
};

class CAsfReader final : public CSource, public IFileSourceFilter {
public:
    CAsfReader();
    ~CAsfReader() override;

    void* QueryInterface(const GUID& iid) override;

    // IFileSourceFilter. The type is ignored: the file's own stream decides. A second Load is
    // refused while the pin is connected.
    HRESULT Load(const std::filesystem::path& file, const CMediaType* type) override;
    HRESULT GetCurFile(std::filesystem::path* file, CMediaType* type) override;

    AsfDemuxer* Demuxer() const { return demuxer_.get(); }
    CAsfReaderOutputPin* OutputPin() const { return pin_; }

private:
    CAsfReaderOutputPin* pin_ = nullptr;  // owned by CSource
    std::filesystem::path path_;
    std::unique_ptr<AsfDemuxer> demuxer_;  // set by Load while stopped and unconnected
};

}  // namespace tarnel::media
