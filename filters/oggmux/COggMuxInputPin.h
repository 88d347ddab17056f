#pragma once
// COggMuxInputPin "Stream %d": one logical Ogg stream of the multiplexer (stream serial = the
// pin's index), fed with Vorbis packets or with samples of a framed stream (video, audio, text
// "Direct Show Samples embedded in Ogg").
//
// Each sample is held back by one (look-ahead) so that the last packet can carry the
// end-of-stream flag and a framed packet's duration can end at the next sample's start. Packets
// go into libogg; finished pages queue here (COggPageQueue) until the multiplexer's page
// writer takes the earliest page of all streams. A stream whose pages wait for slower streams
// blocks in 2000 ms slices; when no stream produced a page during a whole slice it stops
// waiting for the rest of the run, so a stalled sibling cannot block it for ever.
//
// Threading: Receive and EndOfStream run on this stream's upstream thread under m_pinLock,
// which guards the libogg state and the pending packet. Flags read by the page writer and the
// other pins are atomics. Active/Inactive/flushes come from the control thread; Inactive and
// BeginFlush release a waiting Receive through m_queueEmptied.

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include "filters/oggcommon/COggPageQueue.h"
#include "filters/oggcommon/OggStreamHeader.h"
#include "framework/BaseInputPin.h"

namespace tarnel {

class COggMux;

class COggMuxInputPin : public CBaseInputPin, public COggPageQueue {
public:
    static constexpr uint32_t kWaitSliceMs = 2000;
    static constexpr size_t kFramingRoom = 8;  // bytes reserved before the payload

    COggMuxInputPin(COggMux* filter, CCritSec* lock, int index, HRESULT* hr);
    ~COggMuxInputPin() override;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT NotifyAllocator(const std::shared_ptr<IMemAllocator>& allocator,
                            bool readOnly) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // For the page writer (any input thread).
    int Index() const { return m_index; }
    // Head page time; INT64_MAX after end of stream with nothing queued; else the last page
    // time taken (INT64_MIN before the first).
    int64_t NextTime() const;
    void PageTaken(int64_t time, bool queueNowEmpty);
    bool EndOfStreamReceived() const { return m_endOfStream.load(); }
    void ClearKeptWaiting() { m_keptWaiting = false; }
    // Frees the stream's state at stop (takes m_pinLock).
    void ReleaseStreamState();

private:
    enum class Kind { Vorbis, Framed };

    HRESULT WritePacket(bool isLast);
    void QueuePages(bool flush);
    int64_t PageTime(int64_t granule, long pageNumber) const;
    void WaitForSlowerStreams();
    void SubmitHeaderPackets();

    COggMux* m_pMux;
    const int m_index;
    CCritSec m_pinLock;

    // Guarded by m_pinLock.
    ogg_stream_state m_stream{};
    bool m_streamReady = false;
    Kind m_kind = Kind::Vorbis;
    uint32_t m_rate = 0;                      // Vorbis streams
    std::optional<OggStreamHeader> m_header;  // framed streams
    vorbis_comment m_comment{};               // empty; written as every stream's comment header
    std::vector<uint8_t> m_packet;            // kFramingRoom bytes, then the payload
    size_t m_packetLength = 0;
    REFERENCE_TIME m_packetStart = 0;
    REFERENCE_TIME m_packetStop = 0;
    bool m_packetHasStop = false;
    bool m_packetSync = false;
    bool m_flushAfter = false;
    bool m_pending = false;
    int64_t m_packetCount = 0;
    bool m_headersWritten = false;

    std::atomic<int32_t> m_upstreamBufferSize{0};
    std::atomic<bool> m_endOfStream{false};
    std::atomic<bool> m_abortWaiting{false};
    std::atomic<bool> m_waitingEnabled{true};
    std::atomic<bool> m_keptWaiting{false};
    std::atomic<int64_t> m_lastPageTime{INT64_MIN};
    CAMEvent m_queueEmptied;  // auto-reset: queue ran empty, flush or deactivation
};

}  // namespace tarnel
