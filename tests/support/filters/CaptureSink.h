#pragma once
// A sink filter whose input pin records every sample, end of stream, flush and new segment.
// Switches, set before streaming, cover what the tests need of a renderer or a file writer:
// which types it takes and offers, whether end of stream completes the graph, a hook on every
// sample (to fail or block Receive), holding Receive until released, keeping the samples (to
// exhaust an allocator), laying samples out as a file by their start times, and IStream over
// that file as the File Writer offers it. What arrived sits behind the sink's own mutex: any
// thread may read it while samples stream.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <type_traits>
#include <vector>

#include "framework/BaseFilter.h"
#include "framework/BaseInputPin.h"
#include "framework/MediaSample.h"

namespace tarnel::test::harness {

struct CapturedSample {
    std::vector<uint8_t> bytes;
    HRESULT timeResult = VFW_E_SAMPLE_TIME_NOT_SET;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    HRESULT mediaTimeResult = VFW_E_MEDIA_TIME_NOT_SET;
    int64_t mediaStart = 0;
    int64_t mediaStop = 0;
    bool syncPoint = false;
    bool preroll = false;
    bool discontinuity = false;
    uint32_t streamId = AM_STREAM_MEDIA;
    int32_t bufferSize = 0;
    std::optional<CMediaType> attachedType;

    bool HasTime() const { return SUCCEEDED(timeResult); }
    std::optional<REFERENCE_TIME> Start() const {
        return HasTime() ? std::optional(start) : std::nullopt;
    }
    std::optional<REFERENCE_TIME> Stop() const {
        return HasTime() ? std::optional(stop) : std::nullopt;
    }
    bool HasMediaTime() const { return mediaTimeResult == S_OK; }
};

// Type tests for CaptureSink::accept.
inline bool IsAudio(const CMediaType& type) {
    return type.majortype == MEDIATYPE_Audio;
}
std::function<bool(const CMediaType&)> AcceptPartial(std::vector<CMediaType> partial);

class CaptureSink;

class CapturePin : public CBaseInputPin, public IStream {
public:
    CapturePin(CaptureSink* sink, CCritSec* lock);

    void* QueryInterface(const GUID& iid) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    // IStream over the sink's file bytes (answered only with offerStream).
    HRESULT Read(void* buffer, uint32_t count, uint32_t* read) override;
    HRESULT Write(const void* buffer, uint32_t count, uint32_t* written) override;
    HRESULT Seek(int64_t move, uint32_t origin, uint64_t* newPosition) override;

private:
    CaptureSink* sink_;
};

class CaptureSink : public CBaseFilter {
public:
    // accept: which types the pin takes (all when empty).
    explicit CaptureSink(std::function<bool(const CMediaType&)> accept = {});
    ~CaptureSink() override { (void)CBaseFilter::Stop(); }
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }
    CapturePin* Pin() { return &pin_; }

    // ---- switches (set before streaming)
    std::function<bool(const CMediaType&)> accept;
    std::vector<CMediaType> offer;      // what the pin enumerates
    bool completeOnEndOfStream = true;  // end of stream sends EC_COMPLETE to the graph
    bool keepSamples = false;           // hold every sample until stopped (exhausts allocators)
    bool keepBytes = true;              // false: read every byte but record only the properties
    bool writeAtStartTime = false;      // place samples in File() at their start time
    // Called for every sample before it is recorded, with the number recorded so far, on the
    // delivering thread; anything but S_OK is returned from Receive and the sample is dropped.
    std::function<HRESULT(const CapturedSample&, size_t)> onSample;
    // IStream, as the File Writer offers it.
    bool offerStream = false;
    HRESULT seekResult = S_OK;
    HRESULT writeResult = S_OK;
    std::optional<uint32_t> shortWrite;  // report fewer bytes written than asked

    // Holding: Receive blocks before recording until Release(); a flush or a stop ends the
    // wait with S_FALSE and drops the sample.
    void Hold();
    void Release();
    bool WaitHeld(int milliseconds = 20000) {
        return WaitUntil(milliseconds, [this] { return held_; });
    }

    // ---- what arrived
    std::vector<CapturedSample> Samples() const {
        return Locked([this] { return samples_; });
    }
    std::vector<uint8_t> Bytes() const;  // the samples' bytes back to back
    // Written by start time or through IStream.
    std::vector<uint8_t> File() const {
        return Locked([this] { return file_; });
    }
    uint64_t FilePosition() const {
        return Locked([this] { return filePosition_; });
    }
    int StreamWrites() const {
        return Locked([this] { return streamWrites_; });
    }
    int EndOfStreamCount() const {
        return Locked([this] { return endOfStreams_; });
    }
    int FlushCount() const {
        return Locked([this] { return flushes_; });
    }
    // Since the last flush began.
    size_t SamplesSinceFlush() const {
        return Locked([this] { return samples_.size() - samplesAtFlush_; });
    }
    // Before the first end of stream.
    size_t SamplesBeforeEndOfStream() const {
        return Locked([this] { return samplesAtEndOfStream_; });
    }
    std::vector<REFERENCE_TIME> SegmentStarts() const {
        return Locked([this] { return segments_; });
    }
    bool WaitForSamples(size_t count, int milliseconds = 20000) const {
        return WaitUntil(milliseconds, [&] { return samples_.size() >= count; });
    }
    bool WaitForEndOfStream(int milliseconds = 20000, int count = 1) const {
        return WaitUntil(milliseconds, [&] { return endOfStreams_ >= count; });
    }
    // Forgets the samples (not the counts), or the file.
    void ClearSamples();
    void ClearFile();

private:
    friend class CapturePin;
    template <class Read>
    std::invoke_result_t<Read> Locked(Read read) const {
        std::lock_guard lock(mutex_);
        return read();
    }
    template <class Done>
    bool WaitUntil(int milliseconds, Done done) const {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::milliseconds(milliseconds), done);
    }
    void WriteAt(uint64_t offset, const uint8_t* bytes, size_t count);  // needs mutex_

    CCritSec lock_;
    CapturePin pin_;
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    // Guarded by mutex_.
    std::vector<CapturedSample> samples_;
    std::vector<MediaSamplePtr> kept_;
    std::vector<uint8_t> file_;
    uint64_t filePosition_ = 0;
    int streamWrites_ = 0;
    int endOfStreams_ = 0;
    int flushes_ = 0;
    size_t samplesAtFlush_ = 0;
    size_t samplesAtEndOfStream_ = 0;
    std::vector<REFERENCE_TIME> segments_;
    bool holding_ = false;
    bool held_ = false;
    bool wake_ = false;  // a flush or a stop ends a held Receive
};

}  // namespace tarnel::test::harness
