#include "filters/oggsplitter/COggSplitInputPin.h"

#include <algorithm>
#include <memory>

#include "filters/oggsplitter/COggSplitter.h"
#include "filters/oggsplitter/OggSyncState.h"

namespace tarnel {

COggSplitInputPin::COggSplitInputPin(COggSplitter* filter, CCritSec* lock, HRESULT* hr)
    : CPullInputPin("In", filter, lock, hr, GUID_NULL), m_splitter(filter) {}

COggSplitInputPin::~COggSplitInputPin() {
    StopReading();
}

HRESULT COggSplitInputPin::OnReaderConnected(IAsyncReader* reader) {
    HRESULT hr = m_splitter->ScanFile(reader);
    if (FAILED(hr)) m_splitter->ClearStreams();
    return hr;
}

void COggSplitInputPin::OnReaderDisconnected() {
    StopReading();
    m_splitter->ClearStreams();
}

HRESULT COggSplitInputPin::BeginFlush() {
    for (const auto& stream : m_splitter->Streams()) {
        if (stream->pin && stream->pin->IsConnected()) stream->pin->DeliverBeginFlush();
    }
    return S_OK;
}

HRESULT COggSplitInputPin::EndFlush() {
    for (const auto& stream : m_splitter->Streams()) {
        if (stream->pin && stream->pin->IsConnected()) stream->pin->DeliverEndFlush();
    }
    return S_OK;
}

void COggSplitInputPin::StartReading(int64_t position) {
    StopReading();
    m_stopReading = false;
    m_startPosition = position;
    Create();
}

void COggSplitInputPin::StopReading() {
    m_stopReading = true;
    for (const auto& stream : m_splitter->Streams()) stream->WakeDelivery();
    Close();
}

uint32_t COggSplitInputPin::ThreadProc() {
    IAsyncReader* reader = Reader();
    if (!reader) return 0;
    int64_t length = 0, available = 0;
    if (FAILED(reader->Length(&length, &available))) length = 0;
    AsyncReaderByteSource file(reader, static_cast<uint64_t>(std::max<int64_t>(length, 0)));
    OggSyncState sync;
    int64_t position = m_startPosition;
    while (!m_stopReading) {
        ogg_page page;
        int result = ogg_sync_pageout(&sync.state, &page);
        if (result == 1) {
            COggStream* stream =
                m_splitter->StreamBySerial(static_cast<uint32_t>(ogg_page_serialno(&page)));
            if (stream && stream->TakesPages()) stream->QueueReadPage(page, m_stopReading);
            continue;
        }
        if (result < 0) continue;  // bytes skipped up to the next capture pattern
        // Keep up to 64 KiB buffered but not yet consumed by the sync layer.
        int64_t buffered = sync.state.fill - sync.state.returned;
        int64_t want = std::max<int64_t>(kReadSize - buffered, 4096);
        want = std::min<int64_t>(want, length - position);
        if (want <= 0) break;
        if (!sync.Feed(file, position, want)) break;  // an unreadable file ends like a short one
        position += want;
    }
    if (!m_stopReading) m_splitter->SetEndOfFile();
    return 0;
}

}  // namespace tarnel
