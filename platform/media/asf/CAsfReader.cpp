#include "platform/media/asf/CAsfReader.h"

#include <algorithm>
#include <cstring>

#include "framework/Guids.h"
#include "framework/MediaSample.h"

namespace tarnel::media {
namespace {

constexpr int32_t kBufferCount = 4;
// Every packet the demuxer hands out fits one buffer.
constexpr int32_t kMinBufferBytes = int32_t(AsfDemuxer::kMaxPacketBytes);

}  // namespace

// ---- output pin ----

CAsfReaderOutputPin::CAsfReaderOutputPin(CAsfReader* filter, CCritSec* lock, HRESULT* hr)
    : CParserOutputPin("Raw Audio 0", filter, lock, hr), reader_(filter) {}

CAsfReaderOutputPin::~CAsfReaderOutputPin() {
    // The thread calls our FillSample: stop it while this object is whole.
    EndThreadNow();
}

void CAsfReaderOutputPin::ResetPositions(int64_t duration) {
    start_ = 0;
    current_ = 0;
    stop_ = duration;
    needSeek_ = false;
    readSinceSeek_ = false;
}

std::vector<CMediaType> CAsfReaderOutputPin::OutputTypes() const {
    AsfDemuxer* demuxer = reader_->Demuxer();
    if (!demuxer) return {};
    return {demuxer->MediaType()};
}

std::optional<CParserOutputPin::BufferNeed> CAsfReaderOutputPin::BufferNeeds() const {
    if (!reader_->Demuxer()) return std::nullopt;
    return BufferNeed{.count = kBufferCount, .bytes = kMinBufferBytes};
}

HRESULT CAsfReaderOutputPin::StartSegment(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    // A run after an earlier one starts from the segment start again, not where that one ended.
    needSeek_ = needSeek_ || start_ != 0 || readSinceSeek_;
    *start = start_;
    *stop = stop_;
    return S_OK;
}

HRESULT CAsfReaderOutputPin::FillSample(IMediaSample* sample) {
    AsfDemuxer* demuxer = reader_->Demuxer();
    if (!demuxer) return E_UNEXPECTED;
    if (needSeek_) {
        HRESULT hr = demuxer->Seek(start_);
        if (FAILED(hr)) return hr;
        needSeek_ = false;
        readSinceSeek_ = false;
    }
    readSinceSeek_ = true;
    for (;;) {
        HRESULT hr = demuxer->ReadPacket(&packet_);
        if (hr != S_OK) return hr == E_ABORT && Stopping() ? S_FALSE : hr;
        const int64_t stop = stop_;
        if (stop > 0 && packet_.start >= stop) return S_FALSE;
        // After a seek the demuxer may land before the start: skip what ends before it.
        if (packet_.start + packet_.duration < start_ && packet_.duration > 0) continue;
        break;
    }
    uint8_t* buffer = nullptr;
    HRESULT hr = sample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;
    if (packet_.data.size() > size_t(sample->GetSize())) return VFW_E_BUFFER_OVERFLOW;
    std::memcpy(buffer, packet_.data.data(), packet_.data.size());
    sample->SetActualDataLength(int32_t(packet_.data.size()));
    // Times relative to the segment start, as every source stamps them.
    REFERENCE_TIME start = packet_.start - start_;
    REFERENCE_TIME end = start + packet_.duration;
    if (packet_.duration > 0) {
        sample->SetTime(&start, &end);
    } else {
        sample->SetTime(&start, nullptr);
    }
    current_ = packet_.start;
    return S_OK;
}

// ---- IMediaSeeking ----

HRESULT CAsfReaderOutputPin::GetDuration(int64_t* duration) {
    if (!duration) return E_POINTER;
    AsfDemuxer* demuxer = reader_->Demuxer();
    if (!demuxer) return E_UNEXPECTED;
    *duration = demuxer->Duration();
    return S_OK;
}

HRESULT CAsfReaderOutputPin::GetStopPosition(int64_t* stop) {
    if (!stop) return E_POINTER;
    *stop = stop_;
    return S_OK;
}

HRESULT CAsfReaderOutputPin::GetCurrentPosition(int64_t* current) {
    if (!current) return E_POINTER;
    *current = current_;
    return S_OK;
}

HRESULT CAsfReaderOutputPin::SeekReference(REFERENCE_TIME* current, REFERENCE_TIME* stop) {
    if (!reader_->Demuxer()) return E_UNEXPECTED;
    *current = current_;
    *stop = stop_;
    return S_OK;
}

void CAsfReaderOutputPin::MoveSegment(const SeekPositions& to, REFERENCE_TIME* start,
                                      REFERENCE_TIME* stop) {
    const int64_t newStart = std::max<int64_t>(to.start, 0);
    stop_ = std::max(to.stop, newStart);
    if (to.movesStart) {
        SeekAndRestart([&] {
            start_ = newStart;
            current_ = newStart;
            needSeek_ = true;
        });
    }
    *start = start_;
    *stop = stop_;
}

// ---- filter ----

CAsfReader::CAsfReader() : CSource("WM ASF Reader", CLSID_WMAsfReader) {
    HRESULT hr = S_OK;
    pin_ = static_cast<CAsfReaderOutputPin*>(
        AddPin(std::make_unique<CAsfReaderOutputPin>(this, &m_cStateLock, &hr)));
}

CAsfReader::~CAsfReader() {
    (void)CBaseFilter::Stop();  // join the streaming thread before the demuxer goes
}

void* CAsfReader::QueryInterface(const GUID& iid) {
    if (iid == IFileSourceFilter::IID) return static_cast<IFileSourceFilter*>(this);
    return CSource::QueryInterface(iid);
}

HRESULT CAsfReader::Load(const std::filesystem::path& file, const CMediaType* type) {
    CAutoLock lock(&m_cStateLock);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    if (pin_->IsConnected()) return VFW_E_ALREADY_CONNECTED;
    std::unique_ptr<AsfDemuxer> demuxer;
    HRESULT hr = AsfDemuxer::Open(file, pin_->InterruptFlag(), &demuxer);
    if (FAILED(hr)) return hr;
    demuxer_ = std::move(demuxer);
    path_ = file;
    pin_->ResetPositions(demuxer_->Duration());
    return S_OK;
}

HRESULT CAsfReader::GetCurFile(std::filesystem::path* file, CMediaType* type) {
    if (!file) return E_POINTER;
    CAutoLock lock(&m_cStateLock);
    if (!demuxer_) return E_FAIL;
    *file = path_;
    if (type) *type = demuxer_->MediaType();
    return S_OK;
}

}  // namespace tarnel::media
