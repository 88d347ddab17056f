#include "platform/media/wave/CWaveParser.h"

#include <algorithm>

#include "framework/MediaSample.h"
#include "framework/WaveFormat.h"
#include "platform/media/wave/WaveMediaTypes.h"

namespace tarnel::media {

// ---- output pin ----

CWaveParserOutputPin::CWaveParserOutputPin(CWaveParser* filter, CCritSec* lock, HRESULT* hr)
    : CParserOutputPin("output", filter, lock, hr), parser_(filter) {}

CWaveParserOutputPin::~CWaveParserOutputPin() {
    // The thread calls our FillSample: stop it while this object is whole.
    EndThreadNow();
}

const WaveStreamPlan* CWaveParserOutputPin::Plan() const {
    const auto& plan = parser_->StreamPlan();
    return plan ? &*plan : nullptr;
}

void CWaveParserOutputPin::ResetPositions() {
    const WaveStreamPlan* plan = Plan();
    startByte_ = 0;
    nextByte_ = 0;
    stopByte_ = plan ? plan->DataSize() : 0;
}

std::vector<CMediaType> CWaveParserOutputPin::OutputTypes() const {
    const auto& layout = parser_->Layout();
    if (!layout) return {};
    return WaveOutputTypes(layout->formatBlock);
}

std::optional<CParserOutputPin::BufferNeed> CWaveParserOutputPin::BufferNeeds() const {
    const WaveStreamPlan* plan = Plan();
    if (!plan) return std::nullopt;
    return BufferNeed{.count = 4, .bytes = int32_t(plan->ChunkBytes())};
}

HRESULT CWaveParserOutputPin::StartSegment(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    const WaveStreamPlan* plan = Plan();
    if (!plan) return E_UNEXPECTED;
    nextByte_ = startByte_.load();
    *start = plan->TimeOfByte(startByte_);
    *stop = plan->TimeOfByte(stopByte_);
    return S_OK;
}

HRESULT CWaveParserOutputPin::FillSample(IMediaSample* sample) {
    const WaveStreamPlan* plan = Plan();
    IAsyncReader* reader = parser_->InputPin()->Reader();
    if (!plan || !reader) return E_UNEXPECTED;
    const uint64_t byte = nextByte_;
    auto chunk = plan->ChunkAt(byte, startByte_, stopByte_);
    if (!chunk) return S_FALSE;
    uint8_t* buffer = nullptr;
    HRESULT hr = sample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;
    if (int64_t(chunk->length) > sample->GetSize()) return VFW_E_BUFFER_OVERFLOW;
    hr = reader->SyncRead(int64_t(chunk->fileOffset), int32_t(chunk->length), buffer);
    // A short read means the file shrank since it was parsed.
    if (hr == S_FALSE) return HRESULT_FROM_WIN32_HANDLE_EOF;
    if (FAILED(hr)) return hr;
    sample->SetActualDataLength(int32_t(chunk->length));
    sample->SetTime(&chunk->start, &chunk->stop);
    sample->SetMediaTime(&chunk->mediaStart, &chunk->mediaStop);
    nextByte_ = byte + chunk->length;
    return S_OK;
}

// ---- IMediaSeeking ----

HRESULT CWaveParserOutputPin::GetDuration(int64_t* duration) {
    if (!duration) return E_POINTER;
    const WaveStreamPlan* plan = Plan();
    if (!plan) return VFW_E_NOT_CONNECTED;
    *duration = plan->Duration();
    return S_OK;
}

HRESULT CWaveParserOutputPin::GetStopPosition(int64_t* stop) {
    if (!stop) return E_POINTER;
    int64_t current = 0;
    return SeekReference(&current, stop);
}

HRESULT CWaveParserOutputPin::GetCurrentPosition(int64_t* current) {
    if (!current) return E_POINTER;
    int64_t stop = 0;
    return SeekReference(current, &stop);
}

HRESULT CWaveParserOutputPin::SeekReference(REFERENCE_TIME* current, REFERENCE_TIME* stop) {
    const WaveStreamPlan* plan = Plan();
    if (!plan) return VFW_E_NOT_CONNECTED;
    *current = plan->TimeOfByte(nextByte_);
    *stop = plan->TimeOfByte(stopByte_);
    return S_OK;
}

void CWaveParserOutputPin::MoveSegment(const SeekPositions& to, REFERENCE_TIME* start,
                                       REFERENCE_TIME* stop) {
    const WaveStreamPlan* plan = Plan();
    const uint64_t startByte = plan->ByteOfTime(to.start);
    const uint64_t stopByte = std::max(plan->ByteOfTime(to.stop), startByte);
    stopByte_ = stopByte;
    if (to.movesStart) {
        SeekAndRestart([&] {
            startByte_ = startByte;
            nextByte_ = startByte;
        });
    }
    *start = plan->TimeOfByte(startByte);
    *stop = plan->TimeOfByte(stopByte);
}

// ---- filter ----

CWaveParser::CWaveParser()
    : CPullParser("Wave Parser", CLSID_WAVEParser, "input pin", MEDIASUBTYPE_WAVE, false) {
    HRESULT hr = S_OK;
    output_ = SetOutputPin(std::make_unique<CWaveParserOutputPin>(this, &m_Lock, &hr));
}

CWaveParser::~CWaveParser() {
    // Join the streaming thread before the file goes.
    (void)CBaseFilter::Stop();
}

HRESULT CWaveParser::ReadFile(AsyncReaderByteSource& source) {
    RiffWaveParse parse = ParseRiffWave(source);
    if (!parse.ok()) {
        if (parse.error == WaveParseError::ReadFailed && FAILED(source.failure())) {
            return source.failure();
        }
        return VFW_E_INVALID_FILE_FORMAT;
    }
    const RiffWaveLayout& l = parse.layout;
    auto info = DecodeWaveFormat(l.formatBlock);
    if (!info) return VFW_E_INVALID_FILE_FORMAT;
    const uint32_t bytesPerSecond = PlayingBytesPerSecond(*info, l.formatBlock);
    if (bytesPerSecond == 0) return VFW_E_INVALID_FILE_FORMAT;
    plan_.emplace(l.dataOffset, l.dataSize, bytesPerSecond, info->blockAlign,
                  info->Kind() != SampleKind::Compressed);
    layout_ = std::move(parse.layout);
    output_->ResetPositions();
    return S_OK;
}

void CWaveParser::ForgetFile() {
    layout_.reset();
    plan_.reset();
    output_->ResetPositions();
}

}  // namespace tarnel::media
