#pragma once
// COggStream: one logical stream of an Ogg file in the splitter. At connection it parses the
// stream's header packets (Vorbis through libvorbis, or a framed stream's header record);
// while running, the reading thread queues the stream's pages (COggPageQueue) and the
// stream's own delivery thread turns them into samples on its output pin.
//
// Delivery: packets get their granule position from the page or, when the page gives none,
// from the previous packet (Vorbis: previous granule + previous block / 4 + this block / 4;
// framed: previous granule + previous duration); a packet whose position cannot be derived
// (the first ones after a seek) is dropped. Times are relative to the segment start; a sample
// is delivered only when its start is not negative and later than the last one. Vorbis streams
// send their three header packets again before the first sample after every start.
//
// Threading: the header state is written at connection (control thread, filter lock) and read
// only afterwards. While running, the reading thread calls QueueReadPage and the delivery
// thread owns the libogg delivery state; they meet at the page queue and at m_waitMutex /
// m_dataCv (new data, abort, end of file).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include "filters/oggcommon/COggPageQueue.h"
#include "filters/oggcommon/OggStreamHeader.h"
#include "framework/AMThread.h"
#include "framework/Interfaces.h"
#include "framework/MediaType.h"

namespace tarnel {

class COggSplitter;
class COggSplitOutputPin;

class COggStream : public CAMThread, public COggPageQueue {
public:
    enum Kind : int { kVorbis = 0, kFramed = 1, kUnknown = 255 };
    // Vorbis packets rarely exceed a few kilobytes; this leaves room for many channels at
    // high quality.
    static constexpr int32_t kVorbisBufferSize = 65536;

    COggStream(COggSplitter* splitter, uint32_t serial);
    ~COggStream() override;

    // ---- connection (control thread) ----
    // Feeds one page of the header scan; stops parsing at the first data packet.
    void ParseHeaderPage(ogg_page* page);
    // Vorbis: all three headers; framed: header and comment; unrecognised: always.
    bool HeadersComplete() const;
    // An extra text stream with LANGUAGE=off that switches subtitles off.
    static std::unique_ptr<COggStream> MakeSubtitlesOff(COggSplitter* splitter, int group);

    uint32_t Serial() const { return m_serial; }
    int Kind() const { return m_kind; }
    const CMediaType& MediaType() const { return m_mediaType; }
    bool IsPseudo() const { return m_pseudo; }
    int32_t BufferSize() const { return m_bufferSize; }
    // The queue length at which the reading thread waits for the delivery thread.
    int MaxPages() const { return m_maxPages; }
    vorbis_comment* Comment() { return &m_comment; }
    std::string Language();
    // Granule position to 100 ns; -1 for an unrecognised stream.
    int64_t GranuleToTime(int64_t granule) const;

    int group = 0;                      // set at connection
    std::atomic<bool> enabled{false};   // IAMStreamSelect, any thread
    COggSplitOutputPin* pin = nullptr;  // set when the pin is made; owned by the splitter

    // ---- streaming ----
    // True when pages for this stream should be read (enabled and connected).
    bool TakesPages() const;
    // Reading thread: queues a page (after a start, pages that complete no packet are left
    // out) and wakes the delivery thread; waits while the queue is full (until stop).
    void QueueReadPage(const ogg_page& page, const std::atomic<bool>& stopReading);
    void WakeDelivery();
    bool StartDelivery();
    void StopDelivery();  // sets abort, wakes and joins the thread

private:
    uint32_t ThreadProc() override;
    void RunDelivery();
    // Delivers a payload as a sample; false when delivery must end.
    bool DeliverPayload(const uint8_t* data, size_t size, int64_t granule, int64_t endGranule,
                        bool syncPoint);
    bool DeliverStoredHeaders();
    void ShrinkCommentHeader();
    void DeliverEndOfStream();

    COggSplitter* m_splitter;
    const uint32_t m_serial;
    // Header state: written at connection (control thread, filter lock), read-only afterwards.
    int m_kind = kUnknown;
    bool m_parsing = true;  // header parser still running
    bool m_pseudo = false;
    ogg_stream_state m_scanState{};
    vorbis_info m_info{};
    vorbis_comment m_comment{};
    std::vector<uint8_t> m_vorbisHeaders[3];
    std::optional<OggStreamHeader> m_record;
    bool m_commentSeen = false;
    CMediaType m_mediaType;
    int m_maxPages = 32;
    int m_resumeLevel = 16;
    int32_t m_bufferSize = kVorbisBufferSize;

    // Delivery thread state: owned by the delivery thread, which resets it when it starts.
    ogg_stream_state m_deliveryState{};
    bool m_discontinuity = false;
    bool m_syncSeen = false;
    bool m_headersDelivered = false;
    REFERENCE_TIME m_lastStart = INT64_MIN;

    // Shared between the reading and delivery threads.
    std::mutex m_waitMutex;
    std::condition_variable m_dataCv;
    std::condition_variable m_roomCv;
    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_firstPageAfterReset{true};
};

}  // namespace tarnel
