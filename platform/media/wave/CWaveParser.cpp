#include "platform/media/wave/CWaveParser.h"

#include <algorithm>
#include <climits>

#include "framework/AsyncReaderByteSource.h"
#include "framework/BufferRequest.h"
#include "framework/MediaSample.h"
#include "framework/SeekPositions.h"
#include "framework/WaveFormat.h"
#include "platform/media/wave/WaveMediaTypes.h"

namespace tarnel::media {
namespace {

constexpr uint32_t kSeekCaps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                               AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                               AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

}  // namespace

// ---- input pin ----

CWaveParserInputPin::CWaveParserInputPin(CWaveParser* filter, CCritSec* lock, HRESULT* hr)
    : CPullInputPin("input pin", filter, lock, hr, MEDIASUBTYPE_WAVE), parser_(filter) {}

HRESULT CWaveParserInputPin::OnReaderConnected(IAsyncReader* reader) {
    return parser_->ParseFile(reader);
}

void CWaveParserInputPin::OnReaderDisconnected() {
    parser_->ForgetFile();
}

// ---- output pin ----

CWaveParserOutputPin::CWaveParserOutputPin(CWaveParser* filter, CCritSec* lock, HRESULT* hr)
    : CSourceStream("output", filter, lock, hr), CMediaTimeSeeking(kSeekCaps), parser_(filter) {}

CWaveParserOutputPin::~CWaveParserOutputPin() {
    // The thread calls our FillBuffer: stop it while this object is whole.
    EndThreadNow();
}

void* CWaveParserOutputPin::QueryInterface(const GUID& iid) {
    if (iid == IMediaSeeking::IID) return static_cast<IMediaSeeking*>(this);
    return CSourceStream::QueryInterface(iid);
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

HRESULT CWaveParserOutputPin::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    const auto& layout = parser_->Layout();
    if (!layout) return VFW_S_NO_MORE_ITEMS;
    std::vector<CMediaType> types = WaveOutputTypes(layout->formatBlock);
    if (size_t(position) >= types.size()) return VFW_S_NO_MORE_ITEMS;
    *type = std::move(types[size_t(position)]);
    return S_OK;
}

HRESULT CWaveParserOutputPin::DecideBufferSize(IMemAllocator* alloc, ALLOCATOR_PROPERTIES* props) {
    if (!alloc || !props) return E_POINTER;
    const WaveStreamPlan* plan = Plan();
    if (!plan) return E_UNEXPECTED;
    const auto chunk = int32_t(plan->ChunkBytes());
    return RequestBuffers(alloc, props,
                          {.buffers = 4, .bytes = chunk, .needBuffers = 1, .needBytes = chunk});
}

HRESULT CWaveParserOutputPin::OnThreadStartPlay() {
    const WaveStreamPlan* plan = Plan();
    if (!plan) return E_UNEXPECTED;
    discontinuity_ = true;
    nextByte_ = startByte_.load();
    return DeliverNewSegment(plan->TimeOfByte(startByte_), plan->TimeOfByte(stopByte_), 1.0);
}

HRESULT CWaveParserOutputPin::FillBuffer(IMediaSample* sample) {
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
    sample->SetSyncPoint(true);
    sample->SetDiscontinuity(discontinuity_);
    discontinuity_ = false;
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
    const WaveStreamPlan* plan = Plan();
    if (!plan) return VFW_E_NOT_CONNECTED;
    *stop = plan->TimeOfByte(stopByte_);
    return S_OK;
}

HRESULT CWaveParserOutputPin::GetCurrentPosition(int64_t* current) {
    if (!current) return E_POINTER;
    const WaveStreamPlan* plan = Plan();
    if (!plan) return VFW_E_NOT_CONNECTED;
    *current = plan->TimeOfByte(nextByte_);
    return S_OK;
}

HRESULT CWaveParserOutputPin::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop,
                                           uint32_t stopFlags) {
    HRESULT hr = CheckSeekArguments(current, currentFlags, stop, stopFlags);
    if (FAILED(hr)) return hr;
    CAutoLock serial(&seekLock_);
    const WaveStreamPlan* plan = Plan();
    if (!plan) return VFW_E_NOT_CONNECTED;

    const SeekPositions to =
        ResolveSeekPositions(plan->TimeOfByte(nextByte_), plan->TimeOfByte(stopByte_), current,
                             currentFlags, stop, stopFlags);
    const uint64_t startByte = plan->ByteOfTime(to.start);
    const uint64_t stopByte = std::max(plan->ByteOfTime(to.stop), startByte);
    stopByte_ = stopByte;
    if (to.movesStart) {
        SeekAndRestart([&] {
            startByte_ = startByte;
            nextByte_ = startByte;
        });
    }
    ReturnSeekTimes(plan->TimeOfByte(startByte), plan->TimeOfByte(stopByte), current, currentFlags,
                    stop, stopFlags);
    return S_OK;
}

// ---- filter ----

CWaveParser::CWaveParser() : CBaseFilter("Wave Parser", &lock_, CLSID_WAVEParser) {
    HRESULT hr = S_OK;
    input_ = std::make_unique<CWaveParserInputPin>(this, &lock_, &hr);
    output_ = std::make_unique<CWaveParserOutputPin>(this, &lock_, &hr);
}

CWaveParser::~CWaveParser() {
    // Join the streaming thread before the pins go.
    (void)CBaseFilter::Stop();
}

CBasePin* CWaveParser::GetPin(int index) {
    if (index == 0) return input_.get();
    if (index == 1) return output_.get();
    return nullptr;
}

HRESULT CWaveParser::ParseFile(IAsyncReader* reader) {
    int64_t total = 0, available = 0;
    HRESULT hr = reader->Length(&total, &available);
    if (FAILED(hr)) return hr;
    AsyncReaderByteSource source(reader, uint64_t(std::max<int64_t>(available, 0)));
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
