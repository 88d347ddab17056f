#include "filters/oggmux/COggMuxInputPin.h"

#include <cstring>
#include <string>

#include "filters/oggcommon/VorbisFormatBlock.h"
#include "filters/oggmux/COggMux.h"
#include "filters/oggmux/COggMuxOutputPin.h"
#include "framework/RefTime.h"

namespace tarnel {

namespace {

std::string PinName(int index) {
    return "Stream " + std::to_string(index);
}

}  // namespace

COggMuxInputPin::COggMuxInputPin(COggMux* filter, CCritSec* lock, int index, HRESULT* hr)
    : CBaseInputPin(PinName(index), filter, lock, hr), m_pMux(filter), m_index(index) {
    vorbis_comment_init(&m_comment);
}

COggMuxInputPin::~COggMuxInputPin() {
    if (m_streamReady) ogg_stream_clear(&m_stream);
    vorbis_comment_clear(&m_comment);
}

HRESULT COggMuxInputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    if (type->majortype == MEDIATYPE_Audio && type->subtype == MEDIASUBTYPE_VorbisPackets)
        return S_OK;
    if (type->majortype == MEDIATYPE_Text) return S_OK;
    if ((type->formattype == FORMAT_VideoInfo || type->formattype == FORMAT_WaveFormatEx) &&
        IsFourccSubtype(type->subtype))
        return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT COggMuxInputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
    if (FAILED(hr)) return hr;
    m_pMux->OnInputConnected();
    return S_OK;
}

HRESULT COggMuxInputPin::NotifyAllocator(const std::shared_ptr<IMemAllocator>& allocator,
                                         bool readOnly) {
    if (allocator) {
        ALLOCATOR_PROPERTIES props;
        if (SUCCEEDED(allocator->GetProperties(&props))) m_upstreamBufferSize = props.cbBuffer;
    }
    return CBaseInputPin::NotifyAllocator(allocator, readOnly);
}

HRESULT COggMuxInputPin::Active() {
    CAutoLock lock(&m_pinLock);
    if (!IsConnected()) {
        m_endOfStream = true;
        return S_OK;
    }
    m_abortWaiting = false;
    m_waitingEnabled = true;
    m_keptWaiting = false;
    m_lastPageTime = INT64_MIN;
    m_endOfStream = false;
    m_pending = false;
    m_packetCount = 0;
    m_queueEmptied.Reset();
    ClearPages();
    if (m_streamReady) ogg_stream_clear(&m_stream);
    ogg_stream_init(&m_stream, m_index);
    m_streamReady = true;
    if (auto block = VorbisBlockOf(m_mt)) {
        m_kind = Kind::Vorbis;
        m_rate = block->samplesPerSec;
        m_header.reset();
        m_headersWritten = true;  // the encoder sends the Vorbis headers itself
    } else {
        m_kind = Kind::Framed;
        m_header = StreamHeaderForMediaType(m_mt, m_upstreamBufferSize.load());
        m_headersWritten = false;
        if (!m_header) return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return CBaseInputPin::Active();
}

HRESULT COggMuxInputPin::Inactive() {
    m_abortWaiting = true;
    m_queueEmptied.Set();
    CAutoLock lock(&m_pinLock);
    return CBaseInputPin::Inactive();
}

HRESULT COggMuxInputPin::BeginFlush() {
    m_abortWaiting = true;
    m_queueEmptied.Set();
    return CBaseInputPin::BeginFlush();
}

HRESULT COggMuxInputPin::EndFlush() {
    if (!m_pMux->IsStopped()) m_abortWaiting = false;
    return CBaseInputPin::EndFlush();
}

HRESULT COggMuxInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    m_pMux->SetSegmentStart(start);
    return CBaseInputPin::NewSegment(start, stop, rate);
}

void COggMuxInputPin::ReleaseStreamState() {
    CAutoLock lock(&m_pinLock);
    ClearPages();
    m_packet.clear();
    m_packet.shrink_to_fit();
    m_pending = false;
    if (m_streamReady) {
        ogg_stream_clear(&m_stream);
        m_streamReady = false;
    }
    m_header.reset();
}

int64_t COggMuxInputPin::NextTime() const {
    if (auto head = HeadTime()) return *head;
    if (m_endOfStream) return INT64_MAX;
    return m_lastPageTime.load();
}

void COggMuxInputPin::PageTaken(int64_t time, bool queueNowEmpty) {
    m_lastPageTime = time;
    if (queueNowEmpty) m_queueEmptied.Set();
}

HRESULT COggMuxInputPin::Receive(IMediaSample* sample) {
    CAutoLock lock(&m_pinLock);
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    if (sample->GetStreamId() != AM_STREAM_MEDIA) return m_pMux->OutputPin()->Deliver(sample);
    if (!m_streamReady) return VFW_E_WRONG_STATE;

    REFERENCE_TIME start = 0, stop = 0;
    HRESULT timeResult = sample->GetTime(&start, &stop);
    if (m_pending) {
        if (SUCCEEDED(timeResult)) {
            m_packetStop = start;
            m_packetHasStop = true;
        }
        HRESULT written = WritePacket(false);
        m_pending = false;
        if (FAILED(written)) return written;
    }

    uint8_t* data = nullptr;
    sample->GetPointer(&data);
    const size_t length = static_cast<size_t>(std::max(sample->GetActualDataLength(), 0));
    if (m_packet.size() < kFramingRoom + length) m_packet.resize(kFramingRoom + length);
    if (length) std::memcpy(&m_packet[kFramingRoom], data, length);
    m_packetLength = length;
    m_packetStart = SUCCEEDED(timeResult) ? start : 0;
    m_packetStop = timeResult == S_OK ? stop : m_packetStart;
    m_packetHasStop = timeResult == S_OK;
    m_packetSync = sample->IsSyncPoint() == S_OK;

    m_flushAfter = false;
    if (m_kind == Kind::Vorbis) {
        if (length > 0 && (m_packet[kFramingRoom] & 1)) {
            m_flushAfter = true;  // each header on a page of its own
            if ((m_packet[kFramingRoom] & 7) == 3) {
                // Our own (empty) comment header replaces whatever the encoder sent.
                ogg_packet comment;
                vorbis_commentheader_out(&m_comment, &comment);
                size_t size = static_cast<size_t>(comment.bytes);
                if (m_packet.size() < kFramingRoom + size) m_packet.resize(kFramingRoom + size);
                std::memcpy(&m_packet[kFramingRoom], comment.packet, size);
                m_packetLength = size;
                ogg_packet_clear(&comment);
            }
        }
    } else if (m_header && m_header->kind == OggStreamKind::Text) {
        m_flushAfter = true;
        m_packetSync = true;
    }
    m_pending = true;
    return S_OK;
}

HRESULT COggMuxInputPin::EndOfStream() {
    {
        CAutoLock lock(&m_pinLock);
        HRESULT hr = CheckStreaming();
        if (hr != S_OK) return hr;
        if (m_pending && m_streamReady) {
            (void)WritePacket(true);  // a failure here was already reported downstream
            m_pending = false;
        }
        m_endOfStream = true;
    }
    m_pMux->OnInputEndOfStream();
    return S_OK;
}

void COggMuxInputPin::SubmitHeaderPackets() {
    std::vector<uint8_t> first = {0x01};
    std::vector<uint8_t> record = SerializeStreamHeader(*m_header);
    first.insert(first.end(), record.begin(), record.end());
    ogg_packet packet{};
    packet.packet = first.data();
    packet.bytes = static_cast<long>(first.size());
    packet.b_o_s = 1;
    packet.granulepos = 0;
    packet.packetno = m_packetCount++;
    ogg_stream_packetin(&m_stream, &packet);
    QueuePages(true);

    ogg_packet comment;
    vorbis_commentheader_out(&m_comment, &comment);
    comment.granulepos = 0;
    comment.packetno = m_packetCount++;
    ogg_stream_packetin(&m_stream, &comment);
    ogg_packet_clear(&comment);
    QueuePages(true);
    m_headersWritten = true;
}

HRESULT COggMuxInputPin::WritePacket(bool isLast) {
    if (!m_headersWritten && m_header) SubmitHeaderPackets();

    ogg_packet packet{};
    packet.e_o_s = isLast ? 1 : 0;
    if (m_kind == Kind::Vorbis) {
        packet.packet = &m_packet[kFramingRoom];
        packet.bytes = static_cast<long>(m_packetLength);
        bool header = m_packetLength > 0 && (m_packet[kFramingRoom] & 1);
        packet.granulepos = header ? 0 : RefTimeToSamples(m_packetStart, m_rate);
        packet.packetno = m_packetCount++;
    } else {
        const int64_t unit = m_header->timeUnit;
        const int64_t perUnit = m_header->samplesPerUnit;
        int64_t startGranule = MulDivRound(m_packetStart, perUnit, unit);
        int64_t duration = 1;
        if (m_packetHasStop) duration = MulDivRound(m_packetStop, perUnit, unit) - startGranule;
        uint8_t framing[8];
        size_t framingLength = WritePacketFraming(framing, m_packetSync, duration);
        uint8_t* at = &m_packet[kFramingRoom - framingLength];
        std::memcpy(at, framing, framingLength);
        packet.packet = at;
        packet.bytes = static_cast<long>(m_packetLength + framingLength);
        packet.granulepos = startGranule;
        packet.packetno = m_packetCount++;
    }
    ogg_stream_packetin(&m_stream, &packet);
    QueuePages(m_flushAfter);

    HRESULT hr = m_pMux->RunPageWriter();
    WaitForSlowerStreams();
    return hr;
}

void COggMuxInputPin::QueuePages(bool flush) {
    for (;;) {
        // The granule of the first segment still pending is the new page's time.
        int64_t granule = m_stream.lacing_fill > 0 ? m_stream.granule_vals[0] : 0;
        ogg_page page;
        int got = flush ? ogg_stream_flush(&m_stream, &page) : ogg_stream_pageout(&m_stream, &page);
        if (!got) break;
        m_pMux->ClearKeptWaitingAll();
        int64_t time = PageTime(granule, ogg_page_pageno(&page));
        PushPage(time, {page.header, static_cast<size_t>(page.header_len)},
                 {page.body, static_cast<size_t>(page.body_len)});
    }
}

int64_t COggMuxInputPin::PageTime(int64_t granule, long pageNumber) const {
    if (m_kind == Kind::Vorbis) {
        // The three header pages sort before all audio.
        if (pageNumber >= 0 && pageNumber <= 2) return pageNumber - 3;
        return SamplesToRefTime(granule, m_rate);
    }
    if (pageNumber == 0) return -3;
    if (pageNumber == 1) return -2;
    return MulDivRound(granule, m_header->timeUnit, m_header->samplesPerUnit);
}

void COggMuxInputPin::WaitForSlowerStreams() {
    if (IsEmpty() || !m_waitingEnabled) return;
    for (;;) {
        m_keptWaiting = true;
        bool signalled = m_queueEmptied.Wait(kWaitSliceMs);
        if (signalled || m_abortWaiting) return;
        if (m_keptWaiting) {
            // No stream produced a page during a whole slice: stop holding this one back.
            m_waitingEnabled = false;
            return;
        }
    }
}

}  // namespace tarnel
