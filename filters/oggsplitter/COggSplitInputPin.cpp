#include "filters/oggsplitter/COggSplitInputPin.h"

#include <algorithm>
#include <memory>

#include <ogg/ogg.h>

#include "filters/oggsplitter/COggSplitter.h"

namespace tarnel {

namespace {

// The sync layer as a scoped resource.
struct SyncState {
    ogg_sync_state state;
    SyncState() { ogg_sync_init(&state); }
    ~SyncState() { ogg_sync_clear(&state); }
    SyncState(const SyncState&) = delete;
    SyncState& operator=(const SyncState&) = delete;
};

}  // namespace

COggSplitInputPin::COggSplitInputPin(COggSplitter* filter, CCritSec* lock, HRESULT* hr)
    : CBaseInputPin("In", filter, lock, hr), m_splitter(filter) {}

COggSplitInputPin::~COggSplitInputPin() {
    StopReading();
}

HRESULT COggSplitInputPin::CheckMediaType(const CMediaType* type) {
    if (!type) return E_POINTER;
    return type->majortype == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT COggSplitInputPin::CheckConnect(IPin* pin) {
    HRESULT hr = CBaseInputPin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    return Query<IAsyncReader>(pin) ? S_OK : E_NOINTERFACE;
}

HRESULT COggSplitInputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
    if (FAILED(hr)) return hr;
    m_reader = Query<IAsyncReader>(receivePin);
    if (!m_reader) return E_NOINTERFACE;
    hr = m_splitter->ScanFile(m_reader);
    if (FAILED(hr)) {
        m_splitter->ClearStreams();
        m_reader = nullptr;
    }
    return hr;
}

HRESULT COggSplitInputPin::BreakConnect() {
    StopReading();
    m_splitter->ClearStreams();
    m_reader = nullptr;
    return CBaseInputPin::BreakConnect();
}

HRESULT COggSplitInputPin::BeginFlush() {
    HRESULT hr = CBaseInputPin::BeginFlush();
    for (const auto& stream : m_splitter->Streams()) {
        if (stream->pin && stream->pin->IsConnected()) stream->pin->DeliverBeginFlush();
    }
    return hr;
}

HRESULT COggSplitInputPin::EndFlush() {
    for (const auto& stream : m_splitter->Streams()) {
        if (stream->pin && stream->pin->IsConnected()) stream->pin->DeliverEndFlush();
    }
    return CBaseInputPin::EndFlush();
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
    IAsyncReader* reader = m_reader;
    if (!reader) return 0;
    int64_t length = 0, available = 0;
    if (FAILED(reader->Length(&length, &available))) length = 0;
    SyncState sync;
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
        char* buffer = ogg_sync_buffer(&sync.state, static_cast<long>(want));
        if (!buffer) break;
        HRESULT hr = reader->SyncRead(position, static_cast<int32_t>(want),
                                      reinterpret_cast<uint8_t*>(buffer));
        if (FAILED(hr)) break;  // an unreadable file ends like a short one
        ogg_sync_wrote(&sync.state, static_cast<long>(want));
        position += want;
    }
    if (!m_stopReading) m_splitter->SetEndOfFile();
    return 0;
}

}  // namespace tarnel
