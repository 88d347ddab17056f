#include "filters/oggsplitter/COggStream.h"

#include <cstring>

#include "filters/oggcommon/VorbisFormatBlock.h"
#include "filters/oggsplitter/COggSplitOutputPin.h"
#include "filters/oggsplitter/COggSplitter.h"
#include "framework/MediaSample.h"
#include "framework/RefTime.h"

namespace tarnel {

COggStream::COggStream(COggSplitter* splitter, uint32_t serial)
    : m_splitter(splitter), m_serial(serial) {
    ogg_stream_init(&m_scanState, static_cast<int>(serial));
    ogg_stream_init(&m_deliveryState, static_cast<int>(serial));
    vorbis_info_init(&m_info);
    vorbis_comment_init(&m_comment);
}

COggStream::~COggStream() {
    StopDelivery();
    ogg_stream_clear(&m_scanState);
    ogg_stream_clear(&m_deliveryState);
    vorbis_comment_clear(&m_comment);
    vorbis_info_clear(&m_info);
}

std::unique_ptr<COggStream> COggStream::MakeSubtitlesOff(COggSplitter* splitter, int group) {
    auto stream = std::make_unique<COggStream>(splitter, 0xFFFF);
    stream->m_kind = kFramed;
    stream->m_parsing = false;
    stream->m_pseudo = true;
    stream->m_mediaType = CMediaType(MEDIATYPE_Text, GUID_NULL, GUID_NULL);
    stream->group = group;
    vorbis_comment_add_tag(&stream->m_comment, "LANGUAGE", "off");
    return stream;
}

bool COggStream::HeadersComplete() const {
    if (m_kind == kVorbis)
        return !m_vorbisHeaders[0].empty() && !m_vorbisHeaders[1].empty() &&
               !m_vorbisHeaders[2].empty();
    if (m_kind == kFramed) return m_commentSeen || !m_parsing;
    return !m_parsing;
}

std::string COggStream::Language() {
    const char* value = vorbis_comment_query(&m_comment, "LANGUAGE", 0);
    return value ? std::string(value) : std::string();
}

void COggStream::ParseHeaderPage(ogg_page* page) {
    if (!m_parsing) return;
    if (ogg_stream_pagein(&m_scanState, page) != 0) return;
    ogg_packet packet;
    int result;
    while (m_parsing && (result = ogg_stream_packetout(&m_scanState, &packet)) != 0) {
        if (result < 0 || packet.bytes < 1) continue;
        std::span<const uint8_t> bytes(packet.packet, static_cast<size_t>(packet.bytes));
        if (!(bytes[0] & 1)) {
            m_parsing = false;  // the first data packet ends the headers
            if (m_kind != kVorbis && m_kind != kFramed) m_kind = kUnknown;
            break;
        }
        const int type = bytes[0];
        if (type == 1 && m_kind == kUnknown && m_mediaType.majortype.IsNull()) {
            std::optional<OggStreamHeader> record;
            if (HasOldDirectShowSignature(bytes)) {
                record = ParseOldDirectShowHeader(bytes);
            } else if (bytes.size() > 8 && (std::memcmp(&bytes[1], "video", 5) == 0 ||
                                            std::memcmp(&bytes[1], "audio", 5) == 0 ||
                                            std::memcmp(&bytes[1], "text", 4) == 0)) {
                record = ParseStreamHeader(bytes.subspan(1));
            } else if (vorbis_synthesis_headerin(&m_info, &m_comment, &packet) == 0) {
                m_kind = kVorbis;
                m_vorbisHeaders[0].assign(bytes.begin(), bytes.end());
                VorbisFormatBlock block;
                block.channels = static_cast<uint16_t>(m_info.channels);
                block.samplesPerSec = static_cast<uint32_t>(m_info.rate);
                block.minBitsPerSec = static_cast<int32_t>(m_info.bitrate_lower);
                block.avgBitsPerSec = static_cast<int32_t>(m_info.bitrate_nominal);
                block.maxBitsPerSec = static_cast<int32_t>(m_info.bitrate_upper);
                block.quality = 0.0f;
                m_mediaType = MakeVorbisMediaType(block);
                m_maxPages = 32;
                m_resumeLevel = 16;
                m_bufferSize = kVorbisBufferSize;
                continue;
            } else {
                m_parsing = false;
                break;
            }
            if (!record || record->timeUnit <= 0 || record->samplesPerUnit <= 0) {
                m_parsing = false;
                break;
            }
            m_kind = kFramed;
            m_record = record;
            m_mediaType = MediaTypeForStreamHeader(*record);
            // Buffers of the size the stream asked for, within reason.
            int32_t size = std::clamp<int32_t>(record->bufferSize, 4096, 1 << 20);
            m_bufferSize = size;
            if (record->kind == OggStreamKind::Text) {
                m_maxPages = 20;
                m_resumeLevel = 10;  // below the maximum, or the reader would never resume
            } else {
                m_maxPages = std::max(2, size * 10 / 4096);
                m_resumeLevel = std::max(1, size * 10 / 8192);
            }
        } else if (type == 3) {
            if (m_kind == kVorbis) {
                if (vorbis_synthesis_headerin(&m_info, &m_comment, &packet) == 0)
                    m_vorbisHeaders[1].assign(bytes.begin(), bytes.end());
            } else if (m_kind == kFramed) {
                // A framed stream's comment packet has the Vorbis comment layout; libvorbis
                // reads it once it has a rate.
                vorbis_info any;
                vorbis_info_init(&any);
                any.rate = 1;
                vorbis_comment_clear(&m_comment);
                vorbis_comment_init(&m_comment);
                if (vorbis_synthesis_headerin(&any, &m_comment, &packet) != 0) {
                    vorbis_comment_clear(&m_comment);
                    vorbis_comment_init(&m_comment);
                }
                any.rate = 0;
                vorbis_info_clear(&any);
                m_commentSeen = true;
            }
        } else if (type == 5 && m_kind == kVorbis) {
            if (vorbis_synthesis_headerin(&m_info, &m_comment, &packet) == 0)
                m_vorbisHeaders[2].assign(bytes.begin(), bytes.end());
        }
    }
    if (m_kind == kVorbis && m_vorbisHeaders[1].size() > static_cast<size_t>(m_bufferSize) / 2)
        ShrinkCommentHeader();
}

void COggStream::ShrinkCommentHeader() {
    // A comment header too large for a delivery buffer (pictures) would be lost on the way to
    // the decoder; send one that keeps every short comment instead.
    vorbis_comment shortened;
    vorbis_comment_init(&shortened);
    for (int i = 0; i < m_comment.comments; ++i) {
        if (m_comment.comment_lengths[i] > 1024) continue;
        std::string entry(m_comment.user_comments[i], m_comment.comment_lengths[i]);
        size_t equals = entry.find('=');
        if (equals == std::string::npos) continue;
        vorbis_comment_add_tag(&shortened, entry.substr(0, equals).c_str(),
                               entry.substr(equals + 1).c_str());
    }
    ogg_packet packet;
    if (vorbis_commentheader_out(&shortened, &packet) == 0) {
        m_vorbisHeaders[1].assign(packet.packet, packet.packet + packet.bytes);
        ogg_packet_clear(&packet);
    }
    vorbis_comment_clear(&shortened);
}

int64_t COggStream::GranuleToTime(int64_t granule) const {
    if (m_kind == kVorbis) return SamplesToRefTime(granule, m_info.rate);
    if (m_kind == kFramed && m_record)
        return MulDivRound(granule, m_record->timeUnit, m_record->samplesPerUnit);
    return -1;
}

bool COggStream::TakesPages() const {
    return !m_pseudo && enabled && pin && pin->IsConnected();
}

void COggStream::WakeDelivery() {
    { std::lock_guard lock(m_waitMutex); }
    m_dataCv.notify_all();
    m_roomCv.notify_all();
}

void COggStream::QueueReadPage(const ogg_page& page, const std::atomic<bool>& stopReading) {
    if (m_firstPageAfterReset) {
        // A page that completes no packet cannot start the stream.
        if (ogg_page_packets(const_cast<ogg_page*>(&page)) == 0) return;
        m_firstPageAfterReset = false;
    }
    {
        std::unique_lock lock(m_waitMutex);
        m_roomCv.wait(lock, [&] {
            return static_cast<int>(PageCount()) < m_maxPages || stopReading || m_abort;
        });
        if (stopReading || m_abort) return;
    }
    PushPage(0, {page.header, static_cast<size_t>(page.header_len)},
             {page.body, static_cast<size_t>(page.body_len)});
    WakeDelivery();
}

bool COggStream::StartDelivery() {
    StopDelivery();
    m_abort = false;
    m_firstPageAfterReset = true;
    ClearPages();
    return Create();
}

void COggStream::StopDelivery() {
    m_abort = true;
    WakeDelivery();
    Close();
}

uint32_t COggStream::ThreadProc() {
    RunDelivery();
    return 0;
}

bool COggStream::DeliverStoredHeaders() {
    for (const auto& header : m_vorbisHeaders) {
        if (header.empty()) continue;
        MediaSamplePtr sample;
        REFERENCE_TIME zero = 0;
        if (FAILED(pin->GetDeliveryBuffer(sample.Receive(), &zero, &zero, 0))) return false;
        if (sample->GetSize() < static_cast<int32_t>(header.size())) continue;
        uint8_t* data = nullptr;
        sample->GetPointer(&data);
        std::memcpy(data, header.data(), header.size());
        sample->SetActualDataLength(static_cast<int32_t>(header.size()));
        sample->SetTime(&zero, &zero);
        sample->SetSyncPoint(true);
        if (FAILED(pin->Deliver(sample.get()))) return false;
    }
    return true;
}

bool COggStream::DeliverPayload(const uint8_t* data, size_t size, int64_t granule,
                                int64_t endGranule, bool syncPoint) {
    const REFERENCE_TIME segmentStart = m_splitter->SegmentStart();
    REFERENCE_TIME start = GranuleToTime(granule) - segmentStart;
    REFERENCE_TIME stop = GranuleToTime(endGranule) - segmentStart;
    if (start < 0 || start <= m_lastStart) return true;
    if (!syncPoint && !m_syncSeen) return true;
    if (m_kind == kVorbis && !m_headersDelivered) {
        if (!DeliverStoredHeaders()) return false;
        m_headersDelivered = true;
    }
    MediaSamplePtr sample;
    HRESULT hr = pin->GetDeliveryBuffer(sample.Receive(), &start, &stop,
                                        syncPoint ? 0 : AM_GBF_NOTASYNCPOINT);
    if (FAILED(hr)) return false;
    if (sample->GetSize() < static_cast<int32_t>(size)) {
        m_discontinuity = true;  // a packet too large for any buffer is lost; say so
        return true;
    }
    uint8_t* target = nullptr;
    sample->GetPointer(&target);
    if (size) std::memcpy(target, data, size);
    sample->SetActualDataLength(static_cast<int32_t>(size));
    sample->SetTime(&start, &stop);
    int64_t mediaStart = granule, mediaStop = endGranule;
    sample->SetMediaTime(&mediaStart, &mediaStop);
    sample->SetPreroll(false);
    sample->SetDiscontinuity(m_discontinuity);
    sample->SetSyncPoint(syncPoint);
    m_discontinuity = false;
    m_lastStart = start;
    if (syncPoint) m_syncSeen = true;
    hr = pin->Deliver(sample.get());
    return SUCCEEDED(hr);
}

void COggStream::DeliverEndOfStream() {
    (void)pin->DeliverEndOfStream();  // nothing more to do when downstream refuses it
}

void COggStream::RunDelivery() {
    ogg_stream_reset(&m_deliveryState);
    m_discontinuity = true;
    m_syncSeen = false;
    m_headersDelivered = false;
    m_lastStart = INT64_MIN;
    const REFERENCE_TIME segmentStop = m_splitter->SegmentStop() - m_splitter->SegmentStart();
    pin->DeliverNewSegment(m_splitter->SegmentStart(), m_splitter->SegmentStop(),
                           m_splitter->Rate());
    if (m_record && m_record->kind == OggStreamKind::Text) {
        MediaSamplePtr sample;
        REFERENCE_TIME start = 0, stop = 1;
        if (SUCCEEDED(pin->GetDeliveryBuffer(sample.Receive(), &start, &stop, 0))) {
            uint8_t* data = nullptr;
            sample->GetPointer(&data);
            data[0] = 0;
            sample->SetActualDataLength(1);
            sample->SetTime(&start, &stop);
            sample->SetSyncPoint(true);
            sample->SetDiscontinuity(true);
            (void)pin->Deliver(sample.get());
        }
    }

    // Granule tracking: the previous packet's position, block size (Vorbis) and duration.
    bool previousKnown = false;
    int64_t previousGranule = 0;
    long previousBlock = 0;
    int64_t previousDuration = 0;

    for (;;) {
        std::unique_ptr<OggPageNode> page;
        {
            std::unique_lock lock(m_waitMutex);
            m_dataCv.wait(lock, [&] { return m_abort || !IsEmpty() || m_splitter->EndOfFile(); });
            if (m_abort) return;
            bool nowEmpty = false;
            page = TakePage(&nowEmpty);
            if (!page) {
                // End of file and nothing queued.
                lock.unlock();
                DeliverEndOfStream();
                return;
            }
        }
        if (static_cast<int>(PageCount()) < m_resumeLevel) m_roomCv.notify_all();

        ogg_page oggPage;
        oggPage.header = page->header.get();
        oggPage.header_len = static_cast<long>(page->headerLength);
        oggPage.body = page->body.get();
        oggPage.body_len = static_cast<long>(page->bodyLength);
        int accepted = ogg_stream_pagein(&m_deliveryState, &oggPage);
        Recycle(std::move(page));
        if (accepted != 0) continue;

        ogg_packet packet;
        int result;
        while ((result = ogg_stream_packetout(&m_deliveryState, &packet)) != 0) {
            if (m_abort) return;
            if (result < 0) {
                previousKnown = false;  // a hole: positions must come from a page again
                m_discontinuity = true;
                continue;
            }
            if (packet.bytes < 1) continue;
            if (packet.packet[0] & 1) {
                // Header packets restart the position tracking at the stream's beginning.
                previousKnown = true;
                previousGranule = 0;
                previousBlock = 0;
                previousDuration = 0;
                continue;
            }
            bool endOfStream = packet.e_o_s != 0;
            bool keepGoing = true;
            int64_t granule = packet.granulepos;
            if (m_kind == kVorbis) {
                long block = vorbis_packet_blocksize(&m_info, &packet);
                if (block < 0) {
                    previousKnown = false;
                    continue;
                }
                if (granule == -1 && previousKnown)
                    granule = previousGranule + (previousBlock ? previousBlock / 4 + block / 4 : 0);
                previousKnown = granule != -1;
                previousGranule = granule;
                previousBlock = block;
                if (granule != -1)
                    keepGoing = DeliverPayload(packet.packet, static_cast<size_t>(packet.bytes),
                                               granule, granule, true);
            } else {
                auto framing =
                    ReadPacketFraming({packet.packet, static_cast<size_t>(packet.bytes)});
                if (!framing) continue;
                if (granule == -1 && previousKnown) granule = previousGranule + previousDuration;
                previousKnown = granule != -1;
                previousGranule = granule;
                previousDuration = framing->duration;
                if (granule != -1) {
                    keepGoing =
                        DeliverPayload(packet.packet + framing->headerLength,
                                       static_cast<size_t>(packet.bytes) - framing->headerLength,
                                       granule, granule + framing->duration, framing->syncPoint);
                }
            }
            if (!keepGoing) return;  // downstream refused or stopped
            bool pastStop =
                granule != -1 && GranuleToTime(granule) - m_splitter->SegmentStart() > segmentStop;
            if (endOfStream || pastStop) {
                DeliverEndOfStream();
                return;
            }
        }
    }
}

}  // namespace tarnel
